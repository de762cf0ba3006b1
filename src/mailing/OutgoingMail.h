#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

// One built mail as a send run hands it to its transport. The transport writes From:, To:,
// Subject:, Date: and Message-ID: itself, then HeaderLines, an empty line and the Body chunks.
struct OutgoingMail
{
    QString From;      // envelope sender and From: address, not yet checked
    QString Recipient; // the one recipient: envelope and To: address, not yet checked
    QString Subject;   // as typed, not encoded
    // MIME header lines without line ends; a line that starts with blanks continues the one
    // before it.
    QByteArrayList HeaderLines;
    // Chunks of complete lines, each line ending in CR LF.
    QByteArrayList Body;
};
