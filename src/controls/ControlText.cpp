#include "controls/ControlText.h"

#include <QFont>
#include <QFontMetrics>
#include <QStringList>

int FontItemHeight(const QFont& font)
{
    return QFontMetrics(font).height() + 2;
}

QChar LastChar(const QString& s)
{
    return s.isEmpty() ? QChar() : s.back();
}

int CountChar(QChar c, const QString& s)
{
    return int(s.count(c));
}

QString CopyThroughNthChar(const QString& s, int start, QChar c, int n)
{
    const qsizetype from = qMax(start, 1) - 1;
    qsizetype pos = from - 1;
    for (int found = 0; found < n; ++found) {
        pos = s.indexOf(c, pos + 1);
        if (pos < 0)
            return s.mid(from);
    }
    return s.mid(from, pos - from + 1);
}

QString ShortenPath(const QString& path, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(path) <= width)
        return path;
    const bool absolute = path.startsWith(QLatin1Char('/'));
    QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.size() < 2)
        return metrics.elidedText(path, Qt::ElideRight, width);
    const QString head = absolute ? QStringLiteral("/") : parts.takeFirst() + QLatin1Char('/');
    const QString last = parts.takeLast();
    // Drop middle folders one at a time, the leftmost first.
    for (;;) {
        if (!parts.isEmpty())
            parts.removeFirst();
        const QString middle = parts.isEmpty() ? QString() : parts.join(QLatin1Char('/')) + QLatin1Char('/');
        const QString candidate = head + QStringLiteral(".../") + middle + last;
        if (metrics.horizontalAdvance(candidate) <= width)
            return candidate;
        if (parts.isEmpty())
            break;
    }
    return metrics.elidedText(head + QStringLiteral(".../") + last, Qt::ElideRight, width);
}
