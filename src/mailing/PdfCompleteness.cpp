#include "mailing/PdfCompleteness.h"

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>

namespace {

constexpr qint64 kTailSize = 256;

} // namespace

bool IsCompletePdf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.read(5).startsWith("%PDF-"))
        return false;
    const qint64 size = file.size();
    if (!file.seek(qMax<qint64>(0, size - kTailSize)))
        return false;
    const QByteArray tail = file.read(kTailSize).trimmed();
    if (!tail.endsWith("%%EOF"))
        return false;
    const qsizetype keyword = tail.lastIndexOf("startxref");
    if (keyword < 0)
        return false;
    bool ok = false;
    const qint64 offset = tail.mid(keyword + 9, tail.size() - 5 - keyword - 9).trimmed().toLongLong(&ok);
    if (!ok || offset <= 0 || offset >= size || !file.seek(offset))
        return false;
    // A classic table, or a cross-reference stream object ("12 0 obj").
    const QByteArray table = file.read(32);
    return table.startsWith("xref") ||
           QRegularExpression(QStringLiteral("^\\d+\\s+\\d+\\s+obj\\b")).match(QString::fromLatin1(table)).hasMatch();
}
