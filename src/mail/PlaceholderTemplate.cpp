#include "mail/PlaceholderTemplate.h"

#include "mail/RecipientList.h"

#include <QHash>

#include <algorithm>
#include <deque>

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

// Recipient names take keys 0..14, sender names 15..28.
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

// The text is read as a stack of sources: the template at the bottom, above it the values
// being inserted. Writing the output left to right and starting a token at the first "<#" it
// contains finds the tokens in the same order as searching the whole text again from its
// start after every replacement, without doing so.
QString TPlaceholderTemplate::Fill(const RecipientValues& recipient, const SenderValues& sender) const
{
    Output out(m_text.size() + 1024);
    std::deque<QString> normalized; // keeps inserted values alive while they are read
    std::vector<Source> stack{Source{QStringView(m_text)}};
    std::vector<int> depths{0}; // how many values deep each source lies
    size_t nextToken = 0;
    qsizetype budget = kNestedBudget;

    auto valueOf = [&](int key) -> const QString& {
        static const QString none;
        if (key >= 0 && key < kSenderKeyBase && !recipient[static_cast<size_t>(key)].isEmpty())
            return recipient[static_cast<size_t>(key)];
        const int senderIndex = key - kSenderKeyBase;
        if (senderIndex >= 0 && senderIndex < kSenderFieldCount)
            return sender[static_cast<size_t>(senderIndex)];
        return none;
    };

    while (!stack.empty()) {
        Source& top = stack.back();
        if (top.pos >= top.text.size()) {
            stack.pop_back();
            continue;
        }

        qsizetype tokenBody; // first character behind "<#" in top
        int key = kNoKey;
        bool known = false;
        // A value lies one deeper than the deepest source its token took text from, so every
        // chain of values ends within the depth limit.
        int depth = depths[static_cast<size_t>(top.serial)] + 1;
        if (out.endsWithOpen() && top.text[top.pos] == QLatin1Char('#')) {
            depth = std::max(depth, depths[static_cast<size_t>(out.chopLast())] + 1);
            tokenBody = top.pos + 1;
        } else if (stack.size() == 1) {
            while (nextToken < m_tokens.size() && m_tokens[nextToken].start < top.pos)
                ++nextToken;
            if (nextToken == m_tokens.size()) {
                out.append(top.text.sliced(top.pos), top.serial);
                top.pos = top.text.size();
                continue;
            }
            const Token& token = m_tokens[nextToken];
            out.append(top.text.sliced(top.pos, token.start - top.pos), top.serial);
            top.pos = token.end + 1;
            key = token.key;
            known = true;
            tokenBody = top.pos;
        } else {
            const qsizetype start = top.text.indexOf(QLatin1String("<#"), top.pos);
            if (start < 0) {
                out.append(top.text.sliced(top.pos), top.serial);
                top.pos = top.text.size();
                continue;
            }
            out.append(top.text.sliced(top.pos, start - top.pos), top.serial);
            tokenBody = start + 2;
        }

        if (!known) {
            // The token runs to the next ">", through as many sources as it takes.
            QString token = QStringLiteral("<#");
            top.pos = tokenBody;
            bool closed = false;
            while (!stack.empty()) {
                Source& source = stack.back();
                depth = std::max(depth, depths[static_cast<size_t>(source.serial)] + 1);
                const qsizetype end = source.text.indexOf(QLatin1Char('>'), source.pos);
                if (end >= 0) {
                    token.append(source.text.sliced(source.pos, end + 1 - source.pos));
                    source.pos = end + 1;
                    closed = true;
                    break;
                }
                token.append(source.text.sliced(source.pos));
                stack.pop_back();
            }
            if (!closed) {
                out.append(token, 0);
                break;
            }
            key = keyOf(token);
        }

        const QString& value = valueOf(key);
        if (value.isEmpty() || depth > m_maxDepth)
            continue;
        if (depth > 1) {
            if (value.size() > budget)
                continue;
            budget -= value.size();
        }
        normalized.push_back(NormalizeLineEnds(value));
        depths.push_back(depth);
        stack.push_back(Source{QStringView(normalized.back()), 0, static_cast<int>(depths.size() - 1)});
    }
    return out.take();
}
