#pragma once

#include <QString>

struct TOptionData;

// The program's settings under HKEY_LOCAL_MACHINE, keys "Software\KUB\News" and
// "Software\KUB\News\Database". Each routine opens its own registry access (keys are never
// created), shows its own message box on failure and returns a neutral value, so callers never
// see a registry exception. Main thread only.

void ReadDBPath(bool& Failed, QString& Path);
bool LoadOptions(TOptionData& Data);
bool SaveOptions(const TOptionData& Data);
QString ReadImportPath();
QString ReadTemplatePath();
bool ReadDialUp();
QString ReadVersion();
void WriteVersion(const QString& Value);
int ReadMailsPerConnection();
void WriteMailsPerConnection(int Value);
