#pragma once

// Qt's own dialogs (file and print dialogs) show dates, sizes and numbers in the system locale,
// which Qt reads from the environment (LC_ALL, LC_TIME, LC_NUMERIC, LANG) once, when it is first
// asked; some of Qt's libraries ask while they are loaded, before main() runs.
//
// Call this first in main() with main's argv, before the application object exists. When Qt has
// read another locale than German (Germany), the program starts itself again (exec, same process)
// with LC_ALL set to German and the user's value kept aside; in the new start the user's LC_ALL
// is put back, so the C library's locale and the programs the program starts keep it. Text that
// must not follow a locale (mail headers) uses QLocale::c() explicitly.
void UseGermanSystemLocale(char** argv);
