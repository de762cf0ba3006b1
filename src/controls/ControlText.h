#pragma once

#include <QChar>
#include <QString>

class QFont;
class QFontMetrics;

// The character height of the font on the screen plus 2.
int FontItemHeight(const QFont& font);

// The last character of s; a null character for an empty string.
QChar LastChar(const QString& s);

int CountChar(QChar c, const QString& s);

// The part of s from position start (1-based) through the n-th occurrence of c; the rest of s
// from start when c occurs fewer than n times.
QString CopyThroughNthChar(const QString& s, int start, QChar c, int n);

// Shortens a "/"-separated path to fit width: folders after the first are replaced by "..." from
// the left until it fits, keeping the root and the last name; a last name that alone is too wide
// is elided at its end.
QString ShortenPath(const QString& path, const QFontMetrics& metrics, int width);
