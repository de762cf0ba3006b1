#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

// One mail as the message generator hands it to the SMTP session. The session writes From:,
// To:, Subject: (through EncodeHeaderText), Date: and Message-ID: itself, then HeaderLines,
// an empty line and the Body chunks, dot-stuffing every line. Owned by the send thread; the
// generator replaces its whole content on every successful BuildNext.
struct TMailMessage {
    QString From;      // envelope sender and From: address, as the sender record holds it
    QString Recipient; // the one recipient: envelope and To: address, as the list holds it
    QString Subject;   // the typed subject, not encoded
    // MIME header lines without line ends, names in lower case ("MIME-Version: 1.0" first);
    // a line that starts with blanks continues the one before it.
    QByteArrayList HeaderLines;
    // The body as chunks of complete lines, each line ending in CR LF. Chunks that do not
    // depend on the recipient are shared by every mail of a run (implicitly shared, not copied).
    QByteArrayList Body;
    // Beside each chunk of Body, its wire form in the DATA phase when it was made beforehand,
    // once per run (SmtpDataStuffer::Stuffed); a null array where the chunk is still to be
    // stuffed (the personalised parts). SmtpDataStuffer::appendBody writes the two together.
    QByteArrayList BodyWire{};

    void Clear();
    qsizetype BodySize() const;
};
