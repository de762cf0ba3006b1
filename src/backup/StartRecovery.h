#pragma once

// The start's step before connecting: RecoverDatabaseFolder on the database folder named in the
// settings, with an information box (parented to nothing, it asks nothing) when it has something
// to tell. Shows nothing and changes nothing when the settings name no folder. Main thread only.
void RecoverDatabaseAtStart();
