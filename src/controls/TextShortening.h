#pragma once

#include <QList>
#include <QString>

class QFontMetrics;

// The shortening rule of the program's labels: a text wider than width loses characters at its
// end and gets "..." until it fits; a text of at most three characters is drawn whole, and the
// shortest result is "..." alone. Characters are grapheme clusters, so an umlaut written with a
// combining mark or a character outside the basic plane is never split. A text exactly as wide
// as width stays whole.
QString shortenToWidth(const QString& text, const QFontMetrics& metrics, int width);

// Offsets of the end of every character (grapheme cluster) of text, in order.
QList<qsizetype> CharacterEnds(const QString& text);
