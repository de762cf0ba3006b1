#pragma once

#include <QByteArray>
#include <QString>

// The check every envelope address passes before it reaches an SMTP command: trimmed, a domain
// with letters beyond ASCII turned into its ASCII form (IDNA, "xn--..."), then printable ASCII
// only, exactly one "@" with text on both sides, and no blank, "<", ">", comma or control
// character, and within the lengths of RFC 5321 4.5.3.1 (local part 64, domain 255, the path
// "<...>" 256 octets). So no CR or LF can ever reach the wire through an address. A local part
// beyond ASCII is refused: it would need SMTPUTF8 (RFC 6531), which the session does not speak.
struct MailAddressCheck {
    QByteArray address; // the trimmed address in its wire form, ready for "<...>" and the To
                        // header; empty when the check failed
    QString error;      // in English, naming the address; empty when the check passed

    bool ok() const { return error.isEmpty(); }
};

MailAddressCheck CheckMailAddress(const QString& address);
