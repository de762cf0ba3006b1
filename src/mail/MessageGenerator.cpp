#include "mail/MessageGenerator.h"

#include "mail/CharacterSets.h"
#include "mail/HtmlCharset.h"
#include "mail/ImageEmbedder.h"
#include "mail/QPEncoder.h"
#include "mail/SmtpDataStuffer.h"
#include "platform/TextCodec.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

constexpr char kLatin1[] = "iso-8859-1";
constexpr char kUtf8[] = "utf-8";

// Text goes out as ISO-8859-1 when every character fits, else as UTF-8, labelled accordingly.
QByteArray encodeText(QStringView text, bool latin1)
{
    QByteArray lines;
    if (latin1)
        TQPEncoder::AppendLatin1(text, lines);
    else
        TQPEncoder::AppendUtf8(text, lines);
    return lines;
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

TMessageGenerator::TMessageGenerator(std::unique_ptr<TUniqueIdSource> ids) : m_ids(std::move(ids)) {}

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

void TMessageGenerator::preparePart(Part& part, const QString& text, bool html)
{
    part.Exists = true;
    const QString asLatin1 = html ? DeclareHtmlCharset(text, QLatin1StringView(kLatin1)) : text;
    const QString asUtf8 = html ? DeclareHtmlCharset(text, QLatin1StringView(kUtf8)) : text;
    const TemplateKind kind = html ? TemplateKind::Html : TemplateKind::Text;
    part.AsLatin1 = TPlaceholderTemplate(asLatin1, kind);
    part.AsUtf8 = TPlaceholderTemplate(asUtf8, kind);
    part.DeclaresCharset = asLatin1 != asUtf8;
    if (part.AsLatin1.HasPlaceholders())
        return;
    const bool latin1 = FitsLatin1(text);
    part.StaticCharset = QByteArray(latin1 ? kLatin1 : kUtf8);
    part.StaticLines = encodeText(latin1 ? asLatin1 : asUtf8, latin1);
    part.StaticLines.append("\r\n");
    part.StaticWire = SmtpDataStuffer::Stuffed(part.StaticLines);
}

bool TMessageGenerator::Prepare()
{
    if (!m_textTemplate.isEmpty())
        preparePart(m_text, m_textTemplate, false);
    if (!m_htmlTemplate.isEmpty()) {
        QString html = m_htmlTemplate;
        TImageEmbedder embedder(m_htmlBaseDir, *m_ids);
        if (!embedder.EmbedImages(html)) {
            m_errorText = embedder.ErrorText();
            return false;
        }
        m_images = embedder.Images();
        preparePart(m_html, html, true);
    }
    m_next = m_recipients.isEmpty() ? -1 : 0;
    return true;
}

TMessageGenerator::EncodedPart TMessageGenerator::encodedPart(Part& part, const TRecipientEntry& recipient)
{
    if (!part.AsLatin1.HasPlaceholders())
        return {part.StaticCharset, part.StaticLines, part.StaticWire};
    // The charset follows from the filled text; the declaration in it is filled for the charset
    // of the last mail and, when this one differs, filled once more.
    const auto fill = [&](bool latin1) {
        return (latin1 ? part.AsLatin1 : part.AsUtf8).Fill(recipient.Values, m_sender.texts());
    };
    QString text = fill(part.LastLatin1);
    const bool latin1 = FitsLatin1(text);
    if (latin1 != part.LastLatin1 && part.DeclaresCharset)
        text = fill(latin1);
    part.LastLatin1 = latin1;
    return {QByteArray(latin1 ? kLatin1 : kUtf8), part.Encoder.Encode(text, latin1), QByteArray()};
}

QStringList TMessageGenerator::PendingAddresses() const
{
    QStringList addresses;
    for (qsizetype i = std::max<qsizetype>(m_next, 0); i < m_recipients.count(); ++i)
        addresses.append(m_recipients.at(i).Address());
    return addresses;
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

    EncodedPart text, html;
    if (m_text.Exists)
        text = encodedPart(m_text, recipient);
    if (m_html.Exists)
        html = encodedPart(m_html, recipient);

    // Boundaries, part headers and Base64 lines never start with "." and end in CR LF: their
    // wire form is the text itself.
    const auto appendAsIs = [&](const QByteArray& bytes) {
        msg.Body.append(bytes);
        msg.BodyWire.append(bytes);
    };
    const auto appendPart = [&](const EncodedPart& part) {
        msg.Body.append(part.Lines);
        msg.BodyWire.append(part.Wire);
    };
    // The HTML and its pictures, as the body of a multipart/related entity.
    const auto appendRelatedBlock = [&](const QByteArray& boundary) {
        appendAsIs("--" + boundary + "\r\n" + partHeader("text/html", html.Charset) + "\r\n");
        appendPart(html);
        const QByteArray separator = "--" + boundary + "\r\n";
        for (const TMessagePartImage& image : m_images) {
            appendAsIs(separator);
            appendAsIs(image.Lines);
        }
        appendAsIs("\r\n--" + boundary + "--\r\n");
    };

    if (!m_html.Exists) {
        appendHeaderLines(msg.HeaderLines, partHeader("text/plain", text.Charset));
        appendPart(text);
    } else if (!m_text.Exists && m_images.isEmpty()) {
        appendHeaderLines(msg.HeaderLines, partHeader("text/html", html.Charset));
        appendPart(html);
    } else if (!m_text.Exists) {
        const QByteArray related = m_ids->NewBoundary();
        appendHeaderLines(msg.HeaderLines, multipartHeader("related", related, true));
        appendRelatedBlock(related);
    } else {
        const QByteArray alternative = m_ids->NewBoundary();
        appendHeaderLines(msg.HeaderLines, multipartHeader("alternative", alternative, false));
        appendAsIs("--" + alternative + "\r\n" + partHeader("text/plain", text.Charset) + "\r\n");
        appendPart(text);
        if (m_images.isEmpty()) {
            appendAsIs("--" + alternative + "\r\n" + partHeader("text/html", html.Charset) + "\r\n");
            appendPart(html);
        } else {
            const QByteArray related = m_ids->NewBoundary();
            appendAsIs("--" + alternative + "\r\n" + multipartHeader("related", related, true) + "\r\n");
            appendRelatedBlock(related);
        }
        appendAsIs("\r\n--" + alternative + "--\r\n");
    }

    if (++m_next >= m_recipients.count())
        m_done = true;
    return true;
}
