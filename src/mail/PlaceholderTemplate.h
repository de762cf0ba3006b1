#pragma once

#include "core/Records.h"
#include "mail/SenderMailData.h"

#include <QString>

#include <array>
#include <vector>

// A template text split once into literal text and placeholder tokens ("<#" through the next
// ">"), filled per recipient in time linear in the text's size.
//
// A token takes the value of the recipient field whose placeholder name equals it (letters
// a-z compared without case), when that value is not empty; else the value of the sender
// field whose name equals it; else nothing, so unknown tokens disappear. Tokens inside an
// inserted value are filled too, as are tokens that form where a value meets the text around
// it, up to kMaxDepth values deep: deeper tokens are removed, so a value that brings back the
// token it replaces ends too. A "<#" without a ">" behind it stays as text.
// Values are inserted as they are (an HTML template gets them unescaped), with their line ends
// made CR LF, like the template's own.
//
// An HTML template's own text also holds the tokens a reader of the page sees: word processors
// write the brackets of a typed "<#EName>" as character references ("&lt;#EName&gt;", or another
// reference, see HtmlBracketReference.h), and wrap parts of it in markup where the formatting or
// the language changes or a spelling mark sits ("&lt;#<span class=SpellE>EName</span>&gt;").
// So there a token also opens with a reference to "<" in the page's text (not in a tag, a
// comment, a script or a style, see HtmlMarkup.h), when the text it shows with the markup
// skipped reads "#A" or "#E" and a name up to the first ">" or reference to ">" outside markup.
// Its name is that text behind "#", at most kMaxReferencedNameLength characters. A blank, a
// "<" of the text (another token's "<#" among them) or a reference other than the closer (such
// as "&nbsp;" or another token's opener) before the closer makes it no token, and so does
// markup inside that holds "<#" or is more than a change of formatting, language or spelling
// mark, a bookmark, a comment, a script or a style (a "<br>", "</p>" or "<img>" breaks the
// word for the reader); such a token stays as written. The filling reads such a token as if it were written
// "<#" name ">" with the markup inside behind it: the value comes first, then every tag of the
// token in its order ("Müller<span class=SpellE></span>"). Any token closes at the first ">" or
// reference to ">". Inserted values are read as above.
//
// Immutable after construction; Fill may run on any thread.
enum class TemplateKind { Text, Html };

class TPlaceholderTemplate {
public:
    using RecipientValues = std::array<QString, kRecipientFieldCount>;
    using SenderValues = std::array<QString, kSenderFieldCount>;

    // How deep values may bring in further values, and how many characters such nested values
    // may add to one filled text.
    static constexpr int kMaxDepth = 4;
    static constexpr qsizetype kNestedBudget = 64 * 1024;
    // The longest name of a token opened by a reference: the longest placeholder name,
    // "A(un)subscribeEMail", and a margin for a mistyped one, which is removed.
    static constexpr qsizetype kMaxReferencedNameLength = 40;

    TPlaceholderTemplate() = default;
    // text: lines each ending in CR LF.
    TPlaceholderTemplate(const QString& text, TemplateKind kind, int maxDepth = kMaxDepth);

    const QString& Text() const { return m_text; }
    // The text holds "<#" or a token: a part that must be filled for each recipient.
    bool HasPlaceholders() const { return m_hasPlaceholders; }
    QString Fill(const RecipientValues& recipient, const SenderValues& sender) const;

private:
    class Filling;
    struct Token {
        qsizetype start; // the opener's first character
        qsizetype end;   // the closer's last character
        int key;
        QString kept; // the markup inside a token opened by a reference
    };
    QString m_text;
    std::vector<Token> m_tokens;
    int m_maxDepth = kMaxDepth;
    bool m_hasPlaceholders = false;
};

// Turns CR, LF and CR LF into CR LF.
QString NormalizeLineEnds(const QString& text);
