#pragma once

#include <QString>

#include <stdexcept>

// The class library's conversion error ("'%s' ist kein gültiger Integerwert").
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
};

// The reversible encoding of the stored SMTP user name and password: five decimal digits per
// 16-bit unit of the value's length-prefixed UTF-8 bytes (cut to 255 bytes at a character
// boundary), each unit plus 38652. A unit whose sum exceeds 99999 is written with six digits;
// such a group always starts with "1", while a five-digit group starts with 3 to 9.
QString EncodeCredential(const QString& value);
// Throws EConvertError for a group that is not a decimal number.
QString DecodeCredential(const QString& encoded);

// The filler of an empty value: the millisecond tick count. Replaceable for tests.
void setCredentialTickSource(quint32 (*tickSource)());
