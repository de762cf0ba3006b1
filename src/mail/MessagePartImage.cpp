#include "mail/MessagePartImage.h"

#include "mail/Base64Encoder.h"
#include "mail/CharacterSets.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace {

const QHash<QString, QByteArray>& imageTypes()
{
    static const QHash<QString, QByteArray> types = {
        {QStringLiteral("gif"), "image/gif"},   {QStringLiteral("jpg"), "image/jpeg"},
        {QStringLiteral("jpeg"), "image/jpeg"}, {QStringLiteral("jpe"), "image/jpeg"},
        {QStringLiteral("png"), "image/png"},   {QStringLiteral("bmp"), "image/bmp"},
        {QStringLiteral("tif"), "image/tiff"},  {QStringLiteral("tiff"), "image/tiff"},
        {QStringLiteral("webp"), "image/webp"}, {QStringLiteral("svg"), "image/svg+xml"},
        {QStringLiteral("ico"), "image/x-icon"}};
    return types;
}

QString extensionOf(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    return dot > slash ? fileName.mid(dot + 1).toLower() : QString();
}

// The name parameter: a quoted string (RFC 2045) for printable ASCII, else the RFC 2231 form,
// which also keeps control characters off the header line.
QByteArray nameParameter(const QString& name)
{
    if (IsPrintableAscii(name)) {
        QByteArray quoted = name.toLatin1();
        quoted.replace('\\', "\\\\").replace('"', "\\\"");
        return "name=\"" + quoted + '"';
    }
    return "name*=utf-8''" + name.toUtf8().toPercentEncoding();
}

} // namespace

QByteArray TMessagePartImage::TypeBySignature(QByteArrayView head)
{
    const auto startsWith = [&](qsizetype offset, QByteArrayView magic) {
        return offset <= head.size() && head.sliced(offset).startsWith(magic);
    };
    const auto byteAt = [&](qsizetype offset) {
        return offset < head.size() ? static_cast<unsigned char>(head[offset]) : -1;
    };
    if (startsWith(0, "GIF87a") || startsWith(0, "GIF89a"))
        return "image/gif";
    if (startsWith(0, "\x89PNG\r\n\x1A\n"))
        return "image/png";
    if (startsWith(0, "\xFF\xD8\xFF"))
        return "image/jpeg";
    if (startsWith(0, "RIFF") && startsWith(8, "WEBP"))
        return "image/webp";
    if (startsWith(0, QByteArrayView("II*\0", 4)) || startsWith(0, QByteArrayView("MM\0*", 4)))
        return "image/tiff";
    // "BM" alone starts too many texts: the info header behind the file header must have a
    // size that a BMP version uses.
    const int infoSize = byteAt(14);
    if (startsWith(0, "BM") && byteAt(15) == 0 && byteAt(16) == 0 && byteAt(17) == 0 &&
        (infoSize == 12 || infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 64 || infoSize == 108 ||
         infoSize == 124))
        return "image/bmp";
    // Reserved 0 and type 1, at least one image, whose entry has a reserved 0 and 0 or 1 planes.
    if (startsWith(0, QByteArrayView("\0\0\1\0", 4)) && (byteAt(4) > 0 || byteAt(5) > 0) && byteAt(9) == 0 &&
        byteAt(10) >= 0 && byteAt(10) <= 1 && byteAt(11) == 0)
        return "image/x-icon";
    return {};
}

QByteArray TMessagePartImage::ImageTypeOf(const QString& path)
{
    const QString extension = extensionOf(QFileInfo(path).fileName());
    const auto known = imageTypes().constFind(extension);
    if (known != imageTypes().cend())
        return *known;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return TypeBySignature(file.read(32));
}

std::optional<TMessagePartImage> TMessagePartImage::Create(const QString& path, const QByteArray& mimeType,
                                                           TUniqueIdSource& ids, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot open image file ") + path + QStringLiteral(": ") + file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("cannot read image file ") + path + QStringLiteral(": ") + file.errorString();
        return std::nullopt;
    }

    TMessagePartImage part;
    part.FileName = QFileInfo(path).fileName();
    part.MimeType = mimeType;
    part.ContentID = ids.NewUniqueId();
    const QByteArray encoded = TB64Encoder::Encode(bytes);
    part.Lines.reserve(encoded.size() + 256);
    part.Lines.append("content-type: " + part.MimeType + ";\r\n");
    part.Lines.append("  " + nameParameter(part.FileName) + "\r\n");
    part.Lines.append("content-transfer-encoding: base64\r\n");
    part.Lines.append("content-id: <" + part.ContentID.toLatin1() + ">\r\n");
    part.Lines.append("\r\n");
    part.Lines.append(encoded);
    part.Lines.append("\r\n");
    return part;
}
