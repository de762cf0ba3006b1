#include "controls/TextShortening.h"

#include <QFontMetrics>
#include <QList>
#include <QTextBoundaryFinder>

QList<qsizetype> CharacterEnds(const QString& text)
{
    QList<qsizetype> ends;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    while (finder.toNextBoundary() > 0)
        ends.append(finder.position());
    return ends;
}

QString shortenToWidth(const QString& text, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const QList<qsizetype> ends = CharacterEnds(text);
    if (ends.size() <= 3)
        return text;

    const QString dots = QStringLiteral("...");
    auto shown = [&](qsizetype kept) -> QString { return text.left(kept == 0 ? 0 : ends[kept - 1]) + dots; };
    // The longest kept prefix of fewer than all characters whose shortened form fits; none fits:
    // "..." alone. Widths grow with the prefix, so a binary search finds what deleting one
    // character after the other would.
    qsizetype low = 0;
    qsizetype high = ends.size() - 1;
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (metrics.horizontalAdvance(shown(middle)) <= width)
            low = middle;
        else
            high = middle - 1;
    }
    return shown(low);
}
