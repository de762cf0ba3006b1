#include "mail/MessageGenerator.h"

#include "mail/CharacterSets.h"
#include "mail/ImageEmbedder.h"
#include "mail/QPEncoder.h"
#include "platform/TextCodec.h"

#include <QFile>
#include <QFileInfo>

namespace {


// Text goes out as ISO-8859-1 when every character fits, else as UTF-8, labelled accordingly.
void encodeText(const QString& text, QByteArray& charset, QByteArray& lines)
{
    const bool latin1 = FitsLatin1(text);
    charset = latin1 ? QByteArray("iso-8859-1") : QByteArray("utf-8");
    lines = TQPEncoder::Encode(latin1 ? text.toLatin1() : text.toUtf8());
}

QByteArray partHeader(const char* type, const QByteArray& charset)
{
    return QByteArray("content-type: ") + type + "; charset=" + charset +
           "\r\ncontent-transfer-encoding: quoted-printable\r\n";
}

QByteArray multipartHeader(const char* type, const QByteArray& boundary, bool related)
{
    QByteArray header = QByteArray("content-type: multipart/") + type + ";\r\n";
    if (related)
        header += "  type=\"text/html\";\r\n"; // RFC 2387: the type of the root part
    header += "  boundary=\"" + boundary + "\"\r\n";
    return header;
}

void appendHeaderLines(QByteArrayList& lines, const QByteArray& block)
{
    for (const QByteArray& line : block.split('\n')) {
        if (!line.isEmpty())
            lines.append(line.chopped(1)); // without the CR
    }
}

} // namespace

QString TemplateTextFromLines(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines)
        text += line + QLatin1String("\r\n");
    return NormalizeLineEnds(text);
}

QString TemplateTextFromFile(const QString& fileText)
{
    QString text = NormalizeLineEnds(fileText);
    if (!text.isEmpty() && !text.endsWith(QLatin1String("\r\n")))
        text += QLatin1String("\r\n");
    return text;
}

TMessageGenerator::TMessageGenerator(std::unique_ptr<TUniqueIdSource> ids) : m_ids(std::move(ids))
{
}

void TMessageGenerator::SetText(const QStringList& lines)
{
    if (!lines.isEmpty())
        m_textTemplate = TemplateTextFromLines(lines);
}

void TMessageGenerator::LoadHtmlFile(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return;
    m_htmlTemplate.clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return;
    m_htmlTemplate = TemplateTextFromFile(TextCodec::decodeFileText(bytes));
    m_htmlBaseDir = info.absolutePath();
}

void TMessageGenerator::SetSenderData(const TSenderMailData& sender)
{
    m_sender = sender;
}

void TMessageGenerator::SetUserData(const TRecipientList& recipients)
{
    if (!recipients.isEmpty())
        m_recipients = recipients;
}

void TMessageGenerator::preparePart(Part& part, const QString& text)
{
    part.Exists = true;
    part.Template = TPlaceholderTemplate(text);
    if (part.Template.HasPlaceholders())
        return;
    encodeText(text, part.StaticCharset, part.StaticLines);
    part.StaticLines.append("\r\n");
}

bool TMessageGenerator::Prepare()
{
    if (!m_textTemplate.isEmpty())
        preparePart(m_text, m_textTemplate);
    if (!m_htmlTemplate.isEmpty()) {
        QString html = m_htmlTemplate;
        TImageEmbedder embedder(m_htmlBaseDir, *m_ids);
        if (!embedder.EmbedImages(html)) {
            m_errorText = embedder.ErrorText();
            return false;
        }
        m_images = embedder.Images();
        preparePart(m_html, html);
    }
    m_next = m_recipients.isEmpty() ? -1 : 0;
    return true;
}

void TMessageGenerator::encodedPart(const Part& part, const TRecipientEntry& recipient, QByteArray& charset,
                                    QByteArray& lines) const
{
    if (!part.Template.HasPlaceholders()) {
        charset = part.StaticCharset;
        lines = part.StaticLines;
        return;
    }
    encodeText(part.Template.Fill(recipient.Values, m_sender.texts()), charset, lines);
}

bool TMessageGenerator::fail(int code, const char* text)
{
    m_errorCode = code;
    m_errorText = QString::fromLatin1(text);
    return false;
}

bool TMessageGenerator::BuildNext(TMailMessage& msg)
{
    if (m_next < 0 || m_next >= m_recipients.count())
        return fail(1, "no userdata available or not prepared");
    if (!m_text.Exists && !m_html.Exists)
        return fail(2, "no messagebody available or not prepared");
    const QString& subject = m_sender.text(SenderField::Subject);
    const QString& from = m_sender.text(SenderField::From);
    if (subject.isEmpty() || from.isEmpty())
        return fail(3, "empty subject and/or empty sender");

    const TRecipientEntry& recipient = m_recipients.at(m_next);
    msg.Clear();
    msg.Subject = subject;
    msg.From = from;
    msg.Recipient = recipient.Address();
    msg.HeaderLines.append("MIME-Version: 1.0");

    QByteArray textCharset, textLines, htmlCharset, htmlLines;
    if (m_text.Exists)
        encodedPart(m_text, recipient, textCharset, textLines);
    if (m_html.Exists)
        encodedPart(m_html, recipient, htmlCharset, htmlLines);

    // The HTML and its pictures, as the body of a multipart/related entity.
    auto appendRelatedBlock = [&](const QByteArray& boundary) {
        msg.Body.append("--" + boundary + "\r\n" + partHeader("text/html", htmlCharset) + "\r\n");
        msg.Body.append(htmlLines);
        const QByteArray separator = "--" + boundary + "\r\n";
        for (const TMessagePartImage& image : m_images) {
            msg.Body.append(separator);
            msg.Body.append(image.Lines);
        }
        msg.Body.append("\r\n--" + boundary + "--\r\n");
    };

    if (!m_html.Exists) {
        appendHeaderLines(msg.HeaderLines, partHeader("text/plain", textCharset));
        msg.Body.append(textLines);
    } else if (!m_text.Exists && m_images.isEmpty()) {
        appendHeaderLines(msg.HeaderLines, partHeader("text/html", htmlCharset));
        msg.Body.append(htmlLines);
    } else if (!m_text.Exists) {
        const QByteArray related = m_ids->NewBoundary();
        appendHeaderLines(msg.HeaderLines, multipartHeader("related", related, true));
        appendRelatedBlock(related);
    } else {
        const QByteArray alternative = m_ids->NewBoundary();
        appendHeaderLines(msg.HeaderLines, multipartHeader("alternative", alternative, false));
        msg.Body.append("--" + alternative + "\r\n" + partHeader("text/plain", textCharset) + "\r\n");
        msg.Body.append(textLines);
        if (m_images.isEmpty()) {
            msg.Body.append("--" + alternative + "\r\n" + partHeader("text/html", htmlCharset) + "\r\n");
            msg.Body.append(htmlLines);
        } else {
            const QByteArray related = m_ids->NewBoundary();
            msg.Body.append("--" + alternative + "\r\n" + multipartHeader("related", related, true) + "\r\n");
            appendRelatedBlock(related);
        }
        msg.Body.append("\r\n--" + alternative + "--\r\n");
    }

    if (++m_next >= m_recipients.count())
        m_done = true;
    return true;
}
