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

QByteArray TMessagePartImage::MimeTypeFor(const QString& fileName)
{
    return imageTypes().value(extensionOf(fileName), QByteArray("application/octet-stream"));
}

bool TMessagePartImage::IsImageFileName(const QString& fileName)
{
    return imageTypes().contains(extensionOf(fileName));
}

std::optional<TMessagePartImage> TMessagePartImage::Create(const QString& path, TUniqueIdSource& ids,
                                                           QString* error)
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
    part.MimeType = MimeTypeFor(part.FileName);
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
