#include "mail/PlaceholderTemplate.h"

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

// Recipient names take the keys below kSenderKeyBase, sender names the keys from it on.
int keyOf(QStringView token)
{
    static const QHash<QString, int> keys = [] {
        QHash<QString, int> table;
        const auto& recipientNames = TRecipientList::PlaceholderNames();
        for (int i = 0; i < kRecipientFieldCount; ++i)
            table.insert(foldAscii(recipientNames[static_cast<size_t>(i)]), i);
        const auto& senderNames = TSenderMailData::PlaceholderNames();
        for (int i = 0; i < kSenderFieldCount; ++i)
            table.insert(foldAscii(senderNames[static_cast<size_t>(i)]), kSenderKeyBase + i);
        return table;
    }();
    return keys.value(foldAscii(token), kNoKey);
}

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

TPlaceholderTemplate::TPlaceholderTemplate(const QString& text, int maxDepth) : m_text(text), m_maxDepth(maxDepth)
{
    qsizetype from = 0;
    while (true) {
        const qsizetype start = m_text.indexOf(QLatin1String("<#"), from);
        if (start < 0)
            break;
        const qsizetype end = m_text.indexOf(QLatin1Char('>'), start + 2);
        if (end < 0)
            break;
        m_tokens.push_back({start, end, keyOf(QStringView(m_text).sliced(start, end - start + 1))});
        from = end + 1;
    }
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
            const qsizetype end = source.text.indexOf(QLatin1Char('>'), source.pos);
            if (end >= 0) {
                token.append(source.text.sliced(source.pos, end + 1 - source.pos));
                source.pos = end + 1;
                found.key = keyOf(token);
                return true;
            }
            token.append(source.text.sliced(source.pos));
            m_stack.pop_back();
        }
        m_out.append(token, 0);
        return false;
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
