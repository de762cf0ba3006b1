#include "core/CredentialCodec.h"

#include <QElapsedTimer>

#include <array>

namespace {

constexpr int kOffset = 38652;
constexpr int kMaxGroups = 128;

quint32 systemTicks()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return static_cast<quint32>(clock.msecsSinceReference());
}

quint32 (*g_tickSource)() = systemTicks;

// UTF-8 bytes of value, at most 255 of them, never ending inside a character.
QByteArray credentialBytes(const QString& value)
{
    QByteArray bytes = value.toUtf8();
    if (bytes.size() <= 255)
        return bytes;
    qsizetype end = 255;
    while (end > 0 && (static_cast<unsigned char>(bytes.at(end)) & 0xC0) == 0x80)
        --end;
    return bytes.left(end);
}

} // namespace

EConvertError::EConvertError(const QString& message) : std::runtime_error(message.toStdString()) {}

void setCredentialTickSource(quint32 (*tickSource)())
{
    g_tickSource = tickSource ? tickSource : systemTicks;
}

QString EncodeCredential(const QString& value)
{
    const QByteArray text = credentialBytes(value);
    const int length = static_cast<int>(text.size());

    std::array<unsigned char, 256> buffer{}; // bytes nothing writes stay 0
    QByteArray body = text;
    if (length == 0) {
        body = QByteArray::number(g_tickSource());
    } else {
        while (body.size() < 10)
            body = QByteArray(body + body).left(255);
    }
    for (qsizetype i = 0; i < body.size() && i < 255; ++i)
        buffer[static_cast<size_t>(i + 1)] = static_cast<unsigned char>(body.at(i));
    buffer[0] = static_cast<unsigned char>(length);

    int count = length + 1;
    if (count % 2 != 0)
        ++count;
    if (count < 10)
        count = 10;

    QString result;
    result.reserve(count / 2 * 5);
    for (int unit = 0; unit < count / 2; ++unit) {
        const int u = buffer[static_cast<size_t>(2 * unit)] + 256 * buffer[static_cast<size_t>(2 * unit + 1)];
        result += QStringLiteral("%1").arg(u + kOffset, 5, 10, QChar(u'0'));
    }
    return result;
}

QString DecodeCredential(const QString& encoded)
{
    if (encoded.isEmpty())
        return {};
    std::array<unsigned char, 256> buffer{};
    buffer[0] = 35;
    for (size_t i = 1; i <= 35; ++i)
        buffer[i] = ' ';

    qsizetype pos = 0;
    int groups = 0;
    while (pos < encoded.size() && groups < kMaxGroups) {
        const int width = encoded.at(pos) == u'1' ? 6 : 5;
        const QString group = encoded.mid(pos, width);
        pos += width;
        bool ok = false;
        const int number = group.toInt(&ok);
        if (!ok)
            throw EConvertError(QStringLiteral("'%1' ist kein gültiger Integerwert").arg(group));
        const auto unit = static_cast<quint16>(number - kOffset);
        buffer[static_cast<size_t>(2 * groups)] = static_cast<unsigned char>(unit & 0xFF);
        buffer[static_cast<size_t>(2 * groups + 1)] = static_cast<unsigned char>(unit >> 8);
        ++groups;
    }
    // Only the bytes actually decoded can belong to the value.
    const int decoded = 2 * groups - 1;
    const int length = std::min<int>(buffer[0], decoded);
    const QByteArray bytes(reinterpret_cast<const char*>(buffer.data()) + 1, length);
    return QString::fromUtf8(bytes);
}
