#include "mailing/MailMessage.h"

void TMailMessage::Clear()
{
    From.clear();
    Recipient.clear();
    Subject.clear();
    HeaderLines.clear();
    Body.clear();
    BodyWire.clear();
}

qsizetype TMailMessage::BodySize() const
{
    qsizetype size = 0;
    for (const QByteArray& chunk : Body)
        size += chunk.size();
    return size;
}
