#include "mail/PlaceholderTemplate.h"

#include "mail/HtmlBracketReference.h"
#include "mail/RecipientList.h"

#include <QHash>

#include <algorithm>
#include <deque>
#include <optional>

namespace {

constexpr int kNoKey = -1;
constexpr int kSenderKeyBase = kRecipientFieldCount;

QString foldAscii(QStringView text)
{
    QString folded = text.toString();
    for (QChar& c : folded) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - ('a' - 'A'));
    }
    return folded;
}

// The name of a token is what stands between its "<#" and its ">". Recipient names take the
// keys below kSenderKeyBase, sender names the keys from it on.
int keyOfName(QStringView name)
{
    static const QHash<QString, int> keys = [] {
        const auto nameOf = [](const QString& placeholder) { return foldAscii(placeholder.mid(2).chopped(1)); };
        QHash<QString, int> table;
        const auto& recipientNames = TRecipientList::PlaceholderNames();
        for (int i = 0; i < kRecipientFieldCount; ++i)
            table.insert(nameOf(recipientNames[static_cast<size_t>(i)]), i);
        const auto& senderNames = TSenderMailData::PlaceholderNames();
        for (int i = 0; i < kSenderFieldCount; ++i)
            table.insert(nameOf(senderNames[static_cast<size_t>(i)]), kSenderKeyBase + i);
        return table;
    }();
    return keys.value(foldAscii(name), kNoKey);
}

// The openers and closers of tokens in a template's own text.
class TokenSyntax {
public:
    TokenSyntax(QStringView text, TemplateKind kind) : m_text(text), m_html(kind == TemplateKind::Html) {}

    // The length of the opener at pos: "<#", or in HTML a reference to "<" and "#" before an A
    // or E (the "#" is the opener's last character); 0 when none starts there.
    qsizetype openerAt(qsizetype pos) const
    {
        if (m_text[pos] == QLatin1Char('<'))
            return charAt(pos + 1) == u'#' ? 2 : 0;
        if (!m_html)
            return 0;
        const qsizetype less = HtmlBracketReferenceAt(m_text, pos, HtmlBracket::Less);
        if (less == 0 || charAt(pos + less) != u'#')
            return 0;
        const char16_t kind = charAt(pos + less + 1);
        return kind == u'A' || kind == u'a' || kind == u'E' || kind == u'e' ? less + 1 : 0;
    }
    qsizetype closerAt(qsizetype pos) const
    {
        if (m_text[pos] == QLatin1Char('>'))
            return 1;
        return m_html ? HtmlBracketReferenceAt(m_text, pos, HtmlBracket::Greater) : 0;
    }

private:
    char16_t charAt(qsizetype pos) const { return pos < m_text.size() ? m_text[pos].unicode() : u'\0'; }

    QStringView m_text;
    bool m_html;
};

struct Source {
    QStringView text;
    qsizetype pos = 0;
    int serial = 0; // grows with every source; indexes the depths
};

// The output, and for its characters which source wrote them, as runs.
class Output {
public:
    explicit Output(qsizetype reserve) { m_text.reserve(reserve); }
    void append(QStringView text, int serial)
    {
        if (text.isEmpty())
            return;
        if (m_runs.empty() || m_runs.back().serial != serial)
            m_runs.push_back({m_text.size(), serial});
        m_text.append(text);
    }
    bool endsWithOpen() const { return !m_text.isEmpty() && m_text.back() == QLatin1Char('<'); }
    // Removes the last character and tells which source wrote it.
    int chopLast()
    {
        const int serial = m_runs.back().serial;
        m_text.chop(1);
        if (m_runs.back().start >= m_text.size())
            m_runs.pop_back();
        return serial;
    }
    QString take() { return std::move(m_text); }

private:
    struct Run {
        qsizetype start;
        int serial;
    };
    QString m_text;
    std::vector<Run> m_runs;
};

} // namespace

QString NormalizeLineEnds(const QString& text)
{
    if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString result;
    result.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            result.append(QLatin1String("\r\n"));
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
        } else {
            result.append(c);
        }
    }
    return result;
}

TPlaceholderTemplate::TPlaceholderTemplate(const QString& text, TemplateKind kind, int maxDepth)
    : m_text(text), m_maxDepth(maxDepth)
{
    const TokenSyntax syntax(m_text, kind);
    qsizetype pos = 0;
    while (pos < m_text.size()) {
        const qsizetype opener = syntax.openerAt(pos);
        if (opener == 0) {
            ++pos;
            continue;
        }
        const bool referenced = m_text[pos] != QLatin1Char('<');
        const qsizetype nameStart = pos + opener;
        qsizetype closerStart = nameStart;
        qsizetype closer = 0;
        while (closerStart < m_text.size()) {
            if (referenced && m_text[closerStart] == QLatin1Char('<'))
                break;
            closer = syntax.closerAt(closerStart);
            if (closer > 0)
                break;
            ++closerStart;
        }
        if (closer == 0) {
            if (!referenced)
                break;         // no ">" behind: no token follows either
            pos = closerStart; // the markup's "<" may open a token itself
            continue;
        }
        m_tokens.push_back(
            {pos, closerStart + closer - 1, keyOfName(QStringView(m_text).sliced(nameStart, closerStart - nameStart))});
        pos = closerStart + closer;
    }
    m_hasPlaceholders = !m_tokens.empty() || m_text.contains(QLatin1String("<#"));
}

// One call of Fill. The text is read as a stack of sources: the template at the bottom, above
// it the values being inserted. Writing the output left to right and starting a token at the
// first "<#" it contains finds the tokens in the same order as searching the whole text again
// from its start after every replacement, without doing so.
class TPlaceholderTemplate::Filling {
public:
    Filling(const TPlaceholderTemplate& text, const RecipientValues& recipient, const SenderValues& sender)
        : m_template(text), m_recipient(recipient), m_sender(sender), m_out(text.m_text.size() + 1024)
    {
        m_stack.push_back(Source{QStringView(text.m_text)});
    }

    QString run()
    {
        while (!m_stack.empty()) {
            if (m_stack.back().pos >= m_stack.back().text.size()) {
                m_stack.pop_back();
                continue;
            }
            std::optional<FoundToken> token = nextToken();
            if (!token)
                continue;
            if (!token->known && !readName(*token))
                break;
            insert(valueOf(token->key), token->depth);
        }
        return m_out.take();
    }

private:
    struct FoundToken {
        int key = kNoKey;
        bool known = false; // the key is known; else the name is still to be read
        int depth = 0;      // how many values deep its value would lie
    };

    int depthOf(int serial) const { return m_depths[static_cast<size_t>(serial)]; }

    // Copies the top source up to its next token and steps behind the token's "<#", or behind
    // the whole token when the template's split knows it. None when the source holds no more.
    std::optional<FoundToken> nextToken()
    {
        Source& top = m_stack.back();
        // A value lies one deeper than the deepest source its token took text from, so every
        // chain of values ends within the depth limit.
        const int depth = depthOf(top.serial) + 1;
        if (m_out.endsWithOpen() && top.text[top.pos] == QLatin1Char('#')) {
            // A token formed where a value meets the text before it.
            ++top.pos;
            return FoundToken{kNoKey, false, std::max(depth, depthOf(m_out.chopLast()) + 1)};
        }
        if (m_stack.size() == 1)
            return nextTemplateToken(top, depth);
        const qsizetype start = top.text.indexOf(QLatin1String("<#"), top.pos);
        if (start < 0) {
            copyRest(top);
            return std::nullopt;
        }
        m_out.append(top.text.sliced(top.pos, start - top.pos), top.serial);
        top.pos = start + 2;
        return FoundToken{kNoKey, false, depth};
    }

    std::optional<FoundToken> nextTemplateToken(Source& top, int depth)
    {
        const std::vector<Token>& tokens = m_template.m_tokens;
        while (m_nextToken < tokens.size() && tokens[m_nextToken].start < top.pos)
            ++m_nextToken;
        if (m_nextToken == tokens.size()) {
            copyRest(top);
            return std::nullopt;
        }
        const Token& token = tokens[m_nextToken];
        m_out.append(top.text.sliced(top.pos, token.start - top.pos), top.serial);
        top.pos = token.end + 1;
        return FoundToken{token.key, true, depth};
    }

    void copyRest(Source& top)
    {
        m_out.append(top.text.sliced(top.pos), top.serial);
        top.pos = top.text.size();
    }

    // Reads the token's name to the next ">", through as many sources as it takes. False when
    // no ">" follows: the token is written as text and the fill ends.
    bool readName(FoundToken& found)
    {
        QString token = QStringLiteral("<#");
        while (!m_stack.empty()) {
            Source& source = m_stack.back();
            found.depth = std::max(found.depth, depthOf(source.serial) + 1);
            const qsizetype end = closerEnd(source);
            if (end >= 0) {
                token.append(source.text.sliced(source.pos, end + 1 - source.pos));
                source.pos = end + 1;
                // A name that runs into a template token holds its opener and names nothing.
                found.key = token.endsWith(QLatin1Char('>')) ? keyOfName(QStringView(token).sliced(2, token.size() - 3))
                                                             : kNoKey;
                return true;
            }
            token.append(source.text.sliced(source.pos));
            m_stack.pop_back();
        }
        m_out.append(token, 0);
        return false;
    }

    // The last character of the next ">" in the source; in the template, of the next ">" as
    // its split reads it, which a token may write as a reference. -1 when there is none.
    qsizetype closerEnd(const Source& source)
    {
        const qsizetype bracket = source.text.indexOf(QLatin1Char('>'), source.pos);
        if (m_stack.size() > 1)
            return bracket;
        const std::vector<Token>& tokens = m_template.m_tokens;
        while (m_nextToken < tokens.size() && tokens[m_nextToken].start < source.pos)
            ++m_nextToken;
        if (m_nextToken < tokens.size() && (bracket < 0 || tokens[m_nextToken].end < bracket))
            return tokens[m_nextToken].end;
        return bracket;
    }

    const QString& valueOf(int key) const
    {
        static const QString none;
        if (key >= 0 && key < kSenderKeyBase && !m_recipient[static_cast<size_t>(key)].isEmpty())
            return m_recipient[static_cast<size_t>(key)];
        const int senderIndex = key - kSenderKeyBase;
        if (senderIndex >= 0 && senderIndex < kSenderFieldCount)
            return m_sender[static_cast<size_t>(senderIndex)];
        return none;
    }

    // Puts the value on the stack to be read next, unless it lies too deep or nested values
    // have used up their budget.
    void insert(const QString& value, int depth)
    {
        if (value.isEmpty() || depth > m_template.m_maxDepth)
            return;
        if (depth > 1) {
            if (value.size() > m_budget)
                return;
            m_budget -= value.size();
        }
        m_normalized.push_back(NormalizeLineEnds(value));
        m_depths.push_back(depth);
        m_stack.push_back(Source{QStringView(m_normalized.back()), 0, static_cast<int>(m_depths.size() - 1)});
    }

    const TPlaceholderTemplate& m_template;
    const RecipientValues& m_recipient;
    const SenderValues& m_sender;
    Output m_out;
    std::deque<QString> m_normalized; // keeps inserted values alive while they are read
    std::vector<Source> m_stack;
    std::vector<int> m_depths{0}; // how many values deep each source lies
    size_t m_nextToken = 0;
    qsizetype m_budget = kNestedBudget;
};

QString TPlaceholderTemplate::Fill(const RecipientValues& recipient, const SenderValues& sender) const
{
    return Filling(*this, recipient, sender).run();
}
