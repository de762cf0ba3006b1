#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Base64 of RFC 2045 for the inline-image parts. Stateless; safe on any thread.
class TB64Encoder {
public:
    // The Base64 of bytes in lines of 76 characters (the last one shorter), each ending in
    // CR LF. No bytes give an empty result.
    static QByteArray Encode(QByteArrayView bytes);
};
