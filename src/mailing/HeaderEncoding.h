#pragma once

#include <QByteArray>
#include <QString>

// The value of an unstructured header field (the subject; also a display name) as it goes on
// the wire, without the field name. Control characters (CR, LF, TAB and the like) become
// blanks. Printable ASCII is kept as it is; any other text becomes RFC 2047 encoded words
// ("iso-8859-1" when every character fits, else "utf-8"), each at most 75 characters, on lines
// joined by CR LF and a blank (folded), so a decoder shows exactly the text given. No line
// with an encoded word is longer than 76 characters: the first one leaves room for the field
// name and ": " in front of it (nameLength characters). Never splits a character across two
// words. Stateless; safe on any thread.
QByteArray EncodeHeaderText(const QString& text, qsizetype nameLength = sizeof("Subject: ") - 1);
