#include "mail/ImageEmbedder.h"

#include "platform/TextCodec.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

int hexValue(QChar c)
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return c.unicode() - '0';
    if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        return c.unicode() - 'a' + 10;
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        return c.unicode() - 'A' + 10;
    return -1;
}

QByteArray percentBytes(const QString& text, bool asWindows1252)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool escape = text[i] == QLatin1Char('%') && i + 2 < text.size();
        const int high = escape ? hexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(text[i + 2]) : -1;
        if (low >= 0) {
            const QByteArray byte(1, static_cast<char>(high * 16 + low));
            bytes.append(asWindows1252 ? TextCodec::fromWindows1252(byte).toUtf8() : byte);
            i += 2;
        } else {
            bytes.append(QString(text[i]).toUtf8());
        }
    }
    return bytes;
}

// A scheme of RFC 3986 with at least two characters: "C:" is a drive, not a scheme.
qsizetype schemeLength(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() &&
           (text[i].isLetterOrNumber() || text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-') ||
            text[i] == QLatin1Char('.')) &&
           text[i].unicode() < 0x80)
        ++i;
    const bool startsWithLetter = !text.isEmpty() && text[0].isLetter() && text[0].unicode() < 0x80;
    return (startsWithLetter && i >= 2 && i < text.size() && text[i] == QLatin1Char(':')) ? i : 0;
}

bool isValueEnd(QChar c)
{
    return c == QLatin1Char('>') || c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
           c == QLatin1Char('\n');
}

} // namespace

QString PercentDecode(const QString& text)
{
    if (!text.contains(QLatin1Char('%')))
        return text;
    const QByteArray bytes = percentBytes(text, false);
    if (TextCodec::isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return QString::fromUtf8(percentBytes(text, true));
}

TImageEmbedder::TImageEmbedder(const QString& baseDir, TUniqueIdSource& ids) : m_baseDir(baseDir), m_ids(ids) {}

QString TImageEmbedder::resolveRelative(const QString& name) const
{
    if (m_baseDir.isEmpty())
        return {};
    QString current = QDir::cleanPath(m_baseDir);
    const QStringList components = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& component : components) {
        const QString exact = current + QLatin1Char('/') + component;
        if (component == QLatin1String(".") || component == QLatin1String("..") || QFileInfo::exists(exact)) {
            current = exact;
            continue;
        }
        // Templates made on Windows often spell a name in another letter case than the file.
        const QStringList entries =
            QDir(current).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        QString match;
        for (const QString& entry : entries) {
            if (entry.compare(component, Qt::CaseInsensitive) == 0) {
                match = entry;
                break;
            }
        }
        if (match.isEmpty())
            return {};
        current = current + QLatin1Char('/') + match;
    }
    return current;
}

QString TImageEmbedder::ResolveReference(const QString& reference) const
{
    const QString decoded = PercentDecode(reference);
    QString path;
    const qsizetype scheme = schemeLength(decoded);
    if (scheme > 0) {
        if (decoded.left(scheme).compare(QLatin1String("file"), Qt::CaseInsensitive) != 0)
            return {};
        path = QUrl(reference).toLocalFile();
        if (path.isEmpty())
            return {};
    } else {
        path = decoded;
        path.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (!QDir::isAbsolutePath(path))
            path = resolveRelative(path);
    }
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return {};
    return info.absoluteFilePath();
}

std::optional<QString> TImageEmbedder::RewriteImageTag(const QString& tag)
{
    QString attribute;
    qsizetype from = 0;
    if (tag.indexOf(QLatin1String("img"), 1, Qt::CaseInsensitive) >= 0) {
        attribute = QStringLiteral("src=");
        from = 4;
    } else if (tag.indexOf(QLatin1String("<body"), 0, Qt::CaseInsensitive) >= 0) {
        attribute = QStringLiteral("background=");
        from = 5;
    } else {
        return tag;
    }
    const qsizetype found = tag.indexOf(attribute, from, Qt::CaseInsensitive);
    if (found < 0)
        return tag;

    qsizetype start = found + attribute.size();
    qsizetype end = start;
    // The new value is always written quoted: unquoted, the "/" of a "/>" would become part of it.
    QString opening = QStringLiteral("\""), closing = opening;
    if (start < tag.size() && (tag[start] == QLatin1Char('"') || tag[start] == QLatin1Char('\''))) {
        const QChar quote = tag[start];
        opening.clear();
        closing = quote;
        ++start;
        end = tag.indexOf(quote, start);
        if (end < 0)
            end = tag.size() - 1;
        else
            closing.clear();
    } else {
        while (end < tag.size() && !isValueEnd(tag[end]) && !QStringView(tag).sliced(end).startsWith(u"/>"))
            ++end;
    }
    if (end <= start)
        return tag;

    const QString path = ResolveReference(tag.mid(start, end - start));
    if (path.isEmpty())
        return tag;
    const QByteArray type = TMessagePartImage::ImageTypeOf(path);
    if (type.isEmpty())
        return tag;
    std::optional<TMessagePartImage> part = TMessagePartImage::Create(path, type, m_ids, &m_errorText);
    if (!part)
        return std::nullopt;
    const QString rewritten =
        tag.left(start) + opening + QStringLiteral("cid:") + part->ContentID + closing + tag.mid(end);
    m_images.append(std::move(*part));
    return rewritten;
}

bool TImageEmbedder::EmbedImages(QString& html)
{
    QString result;
    result.reserve(html.size() + 256);
    qsizetype pos = 0;
    while (true) {
        const qsizetype open = html.indexOf(QLatin1Char('<'), pos);
        const qsizetype close = open < 0 ? -1 : html.indexOf(QLatin1Char('>'), open);
        if (close < 0)
            break;
        const QString tag = html.mid(open, close + 1 - open);
        const std::optional<QString> rewritten = RewriteImageTag(tag);
        if (!rewritten) {
            m_images.clear();
            return false;
        }
        result.append(QStringView(html).sliced(pos, open - pos));
        result.append(*rewritten);
        pos = close + 1;
    }
    result.append(QStringView(html).sliced(pos));
    html = result;
    return true;
}
