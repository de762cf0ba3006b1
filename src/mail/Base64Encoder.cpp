#include "mail/Base64Encoder.h"

QByteArray TB64Encoder::Encode(QByteArrayView bytes)
{
    constexpr qsizetype kLine = 76;
    const QByteArray flat = bytes.toByteArray().toBase64();
    QByteArray out;
    out.reserve(flat.size() + (flat.size() / kLine + 1) * 2);
    for (qsizetype start = 0; start < flat.size(); start += kLine) {
        out.append(flat.constData() + start, qMin(kLine, flat.size() - start));
        out.append("\r\n");
    }
    return out;
}
