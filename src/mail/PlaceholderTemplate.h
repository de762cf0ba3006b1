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
// write the brackets of a typed "<#EName>" as character references ("&lt;#EName&gt;"). So there
// a token also opens with "&lt;#" (or another reference to "<", see HtmlBracketReference.h)
// followed by A or E, and any token closes at the first ">" or reference to ">"; a token opened
// by a reference ends where markup ("<") comes first and is no token then, as its letters are
// not one word for the reader ("&lt;#E<span>Name</span>&gt;" stays as it is). The filling then
// reads each such token as if it were written "<#" name ">"; inserted values are read as above.
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
    };
    QString m_text;
    std::vector<Token> m_tokens;
    int m_maxDepth = kMaxDepth;
    bool m_hasPlaceholders = false;
};

// Turns CR, LF and CR LF into CR LF.
QString NormalizeLineEnds(const QString& text);
