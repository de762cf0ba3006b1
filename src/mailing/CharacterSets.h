#pragma once

#include <QString>
#include <QStringView>

// Whether every character of text has an ISO-8859-1 byte.
bool FitsLatin1(QStringView text);
// Whether text holds only printable ASCII (blank through "~").
bool IsPrintableAscii(const QString& text);
