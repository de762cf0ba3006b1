#pragma once

// Qt's own dialogs (file and print dialogs) show dates, sizes and numbers in the system locale,
// which Qt reads from the environment (LC_ALL, LC_TIME, LC_NUMERIC, LANG) once, when it is first
// asked. Call this first in main(), before the application object exists: Qt then reads German,
// whatever the environment says. The environment itself is left as it was, so the C library's
// locale and the programs the program starts keep the user's. Text that must not follow a
// locale (mail headers) uses QLocale::c() explicitly.
void UseGermanSystemLocale();
