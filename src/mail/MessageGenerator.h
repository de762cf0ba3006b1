#pragma once

#include "mail/MailMessage.h"
#include "mail/MessagePartImage.h"
#include "mail/PlaceholderTemplate.h"
#include "mail/QPLineCache.h"
#include "mail/RecipientList.h"
#include "mail/SenderMailData.h"
#include "mail/UniqueIdSource.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// Turns one send run's templates, sender and recipients into one personalised MIME mail per
// recipient: plain text, HTML, HTML with its local pictures inline, or text and HTML as
// alternatives, by which templates were given. Each text part goes out as ISO-8859-1 when all
// its characters fit, else as UTF-8, and an HTML head's charset declaration is made to say so.
//
// Threads: the Set calls run on the main thread before the send thread starts; from then on
// only the send thread that owns the generator calls Prepare and BuildNext. Nothing is shared
// with other generators.
//
// Cost: Prepare splits the templates, embeds the pictures and encodes every part that has no
// placeholders once; BuildNext fills and encodes only the parts with placeholders, so a mail
// costs time linear in the templates' size and shares the other parts' bytes.
class TMessageGenerator {
public:
    explicit TMessageGenerator(std::unique_ptr<TUniqueIdSource> ids = std::make_unique<TSystemUniqueIdSource>());

    // The plain-text template; an empty list leaves the one before.
    void SetText(const QStringList& lines);
    // The HTML template and its folder, which relative picture names are resolved against. A
    // missing file changes nothing; a file that cannot be read leaves no HTML template.
    void LoadHtmlFile(const QString& fileName);
    void SetSenderData(const TSenderMailData& sender);
    // The recipients; an empty list leaves the one before.
    void SetUserData(const TRecipientList& recipients);

    // Once, after the Set calls. False, with ErrorText(), when a picture file exists but cannot
    // be read; the run cannot go on then.
    bool Prepare();
    // Replaces msg's content by the mail of the next recipient and moves on. False, with
    // ErrorText() and ErrorCode(), when not prepared or there is nobody to mail (1), there is
    // no body (2) or subject or sender address is empty (3); msg and the position stay as they
    // were. Not to be called once Done() is true.
    bool BuildNext(TMailMessage& msg);
    // True once the last recipient's mail has been built.
    bool Done() const { return m_done; }

    const QString& ErrorText() const { return m_errorText; }
    int ErrorCode() const { return m_errorCode; }

    qsizetype RecipientCount() const { return m_recipients.count(); }
    // The addresses of the recipients whose mails BuildNext has not built yet, in order.
    QStringList PendingAddresses() const;
    const QString& HtmlBaseDir() const { return m_htmlBaseDir; }
    // After Prepare: the pictures every mail carries, and the HTML with its "cid:" references.
    const QList<TMessagePartImage>& Images() const { return m_images; }
    const QString& PreparedHtml() const { return m_html.AsLatin1.Text(); }

private:
    struct Part {
        bool Exists = false;
        // The template, its charset declaration (HTML) naming ISO-8859-1 and naming UTF-8.
        TPlaceholderTemplate AsLatin1;
        TPlaceholderTemplate AsUtf8;
        bool DeclaresCharset = false;
        bool LastLatin1 = true; // the charset of the mail built last: the likely one of the next
        // Made by Prepare for a part without placeholders: its encoded lines and their wire form.
        QByteArray StaticCharset;
        QByteArray StaticLines;
        QByteArray StaticWire;
        // Encodes a filled part, reusing the lines that match the mail built before.
        TQPLineCache Encoder;
    };
    // One part's lines in one mail; Wire is null for lines to be stuffed as they are sent.
    struct EncodedPart {
        QByteArray Charset;
        QByteArray Lines;
        QByteArray Wire;
    };

    void preparePart(Part& part, const QString& text, bool html);
    EncodedPart encodedPart(Part& part, const TRecipientEntry& recipient);
    bool fail(int code, const char* text);

    std::unique_ptr<TUniqueIdSource> m_ids;
    QString m_textTemplate;
    QString m_htmlTemplate;
    QString m_htmlBaseDir;
    TSenderMailData m_sender;
    TRecipientList m_recipients;

    Part m_text;
    Part m_html;
    QList<TMessagePartImage> m_images;
    qsizetype m_next = -1; // index of the recipient BuildNext builds next; -1 before Prepare
    bool m_done = false;
    QString m_errorText;
    int m_errorCode = 0;
};

// A template's text as the generator keeps it: every line, the last one too, ends in CR LF.
QString TemplateTextFromLines(const QStringList& lines);
QString TemplateTextFromFile(const QString& fileText);
