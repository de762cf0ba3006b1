#pragma once

// The start's step before connecting: RecoverDatabaseFolder on the database folder named in the
// settings, with a box (parented to nothing, it asks nothing) when it has something to tell: a
// warning when "Tmp" stays or the database was left as it was, else an information. Shows nothing and changes nothing
// when the settings name no folder. Main thread only.
void RecoverDatabaseAtStart();
