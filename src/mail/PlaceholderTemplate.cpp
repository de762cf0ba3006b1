#include "mail/PlaceholderTemplate.h"

#include "mail/HtmlBracketReference.h"
#include "mail/HtmlMarkup.h"
#include "mail/RecipientList.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <deque>
#include <optional>
#include <utility>

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

// Markup that a reader does not see inside a word: the tags word processors put where the
// formatting, the language or a spelling mark changes, bookmarks, their own namespaced tags,
// and what shows nothing (comments, scripts, styles). Any other tag breaks the line or shows
// something of its own.
bool isInlineMarkup(QStringView markup)
{
    static const QSet<QString> inlineTags = {
        QStringLiteral("a"),      QStringLiteral("abbr"),   QStringLiteral("acronym"), QStringLiteral("b"),
        QStringLiteral("bdi"),    QStringLiteral("bdo"),    QStringLiteral("big"),     QStringLiteral("cite"),
        QStringLiteral("code"),   QStringLiteral("del"),    QStringLiteral("dfn"),     QStringLiteral("em"),
        QStringLiteral("font"),   QStringLiteral("i"),      QStringLiteral("ins"),     QStringLiteral("kbd"),
        QStringLiteral("mark"),   QStringLiteral("nobr"),   QStringLiteral("q"),       QStringLiteral("s"),
        QStringLiteral("samp"),   QStringLiteral("script"), QStringLiteral("small"),   QStringLiteral("span"),
        QStringLiteral("strike"), QStringLiteral("strong"), QStringLiteral("style"),   QStringLiteral("sub"),
        QStringLiteral("sup"),    QStringLiteral("tt"),     QStringLiteral("u"),       QStringLiteral("var"),
        QStringLiteral("wbr")};
    const QString name = HtmlTagName(markup);
    return name.isEmpty() || name.contains(QLatin1Char(':')) || inlineTags.contains(name);
}

// A token that opens with a reference to "<", as a page shows it.
struct ReferencedToken {
    qsizetype end; // the closer's last character
    QString name;  // the visible text behind "#"
    QString kept;  // the markup inside the token, in its order
};

// The tokens of a template's own text.
class TokenSyntax {
public:
    TokenSyntax(QStringView text, TemplateKind kind) : m_text(text), m_html(kind == TemplateKind::Html) {}

    bool plainOpenerAt(qsizetype pos) const { return m_text[pos] == QLatin1Char('<') && charAt(pos + 1) == u'#'; }
    // The first closer behind the "<#" at pos: where it starts and its length. None when there
    // is none.
    std::optional<std::pair<qsizetype, qsizetype>> plainTokenCloser(qsizetype pos) const
    {
        for (qsizetype at = pos + 2; at < m_text.size(); ++at) {
            if (const qsizetype closer = closerAt(at); closer > 0)
                return std::pair(at, closer);
        }
        return std::nullopt;
    }

    // In an HTML page's text, a token opened by a reference to "<" at pos: with the markup inside
    // skipped, its visible text reads "#", "A" or "E" and at most kMaxReferencedNameLength
    // characters in all behind "#", up to the first closer outside markup. None where the
    // visible text meets a blank, a "<" that is text (such as another token's "<#") or a
    // reference other than a closer (such as another token's opener) first, or where the
    // markup inside is no inline markup or holds "<#", a token of its own.
    std::optional<ReferencedToken> referencedTokenAt(qsizetype pos) const
    {
        const qsizetype less = HtmlBracketReferenceAt(m_text, pos, HtmlBracket::Less);
        if (less == 0)
            return std::nullopt;
        QString visible;
        QString kept;
        for (qsizetype at = pos + less; at < m_text.size();) {
            const QChar c = m_text[at];
            if (c == QLatin1Char('<')) {
                const QStringView markup = m_text.sliced(at, HtmlMarkupLengthAt(m_text, at));
                if (markup.isEmpty() || !isInlineMarkup(markup) || markup.contains(QLatin1String("<#")))
                    return std::nullopt;
                kept += markup;
                at += markup.size();
                continue;
            }
            if (const qsizetype closer = closerAt(at); closer > 0) {
                if (visible.size() < 2)
                    return std::nullopt;
                return ReferencedToken{at + closer - 1, visible.sliced(1), kept};
            }
            if (c == QLatin1Char('&') || c.isSpace())
                return std::nullopt;
            visible += c;
            if (!mayBeginToken(visible) || visible.size() > 1 + TPlaceholderTemplate::kMaxReferencedNameLength)
                return std::nullopt;
            ++at;
        }
        return std::nullopt;
    }

private:
    char16_t charAt(qsizetype pos) const { return pos < m_text.size() ? m_text[pos].unicode() : u'\0'; }

    // ">", or in HTML a reference to ">": the length of the closer at pos, else 0.
    qsizetype closerAt(qsizetype pos) const
    {
        if (m_text[pos] == QLatin1Char('>'))
            return 1;
        return m_html ? HtmlBracketReferenceAt(m_text, pos, HtmlBracket::Greater) : 0;
    }

    static bool mayBeginToken(QStringView visible)
    {
        if (visible.size() == 1)
            return visible[0] == QLatin1Char('#');
        if (visible.size() == 2)
            return QStringView(u"AaEe").contains(visible[1]);
        return true;
    }

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
    const bool html = kind == TemplateKind::Html;
    // A reference to "<" in a tag, a comment, a script or a style is no bracket a reader sees.
    HtmlTextTracker tracker(m_text);
    qsizetype pos = 0;
    while (pos < m_text.size()) {
        if (syntax.plainOpenerAt(pos)) {
            const auto closer = syntax.plainTokenCloser(pos);
            if (!closer)
                break; // no ">" behind: no token follows either
            const auto [closerStart, closerLength] = *closer;
            const qsizetype end = closerStart + closerLength - 1;
            m_tokens.push_back({pos, end, keyOfName(QStringView(m_text).sliced(pos + 2, closerStart - pos - 2)), {}});
            pos = end + 1;
            continue;
        }
        if (html && m_text[pos] == QLatin1Char('&') && tracker.IsText(pos)) {
            if (std::optional<ReferencedToken> token = syntax.referencedTokenAt(pos)) {
                m_tokens.push_back({pos, token->end, keyOfName(token->name), std::move(token->kept)});
                pos = token->end + 1;
                continue;
            }
        }
        ++pos;
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
        pushKept(token);
        return FoundToken{token.key, true, depth};
    }

    // The markup inside a template token is read behind its value, as template text.
    void pushKept(const Token& token)
    {
        if (!token.kept.isEmpty())
            m_stack.push_back(Source{QStringView(token.kept), 0, 0});
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
            const Closer closer = closerIn(source);
            if (closer.end >= 0) {
                token.append(source.text.sliced(source.pos, closer.end + 1 - source.pos));
                source.pos = closer.end + 1;
                // A name that runs into a template token holds its opener and names nothing.
                found.key = token.endsWith(QLatin1Char('>')) ? keyOfName(QStringView(token).sliced(2, token.size() - 3))
                                                             : kNoKey;
                if (closer.token)
                    pushKept(*closer.token);
                return true;
            }
            token.append(source.text.sliced(source.pos));
            m_stack.pop_back();
        }
        m_out.append(token, 0);
        return false;
    }

    struct Closer {
        qsizetype end = -1;           // its last character; -1 when there is none
        const Token* token = nullptr; // the template token it closes, if any
    };

    // The next ">" in the source; in the template, the next ">" as its split reads it: a token
    // that starts first ends the name at its own closer, as if it were written "<#" name ">"
    // with its markup behind.
    Closer closerIn(const Source& source)
    {
        const qsizetype bracket = source.text.indexOf(QLatin1Char('>'), source.pos);
        if (m_stack.size() > 1)
            return {bracket};
        const std::vector<Token>& tokens = m_template.m_tokens;
        while (m_nextToken < tokens.size() && tokens[m_nextToken].start < source.pos)
            ++m_nextToken;
        if (m_nextToken < tokens.size() && (bracket < 0 || tokens[m_nextToken].start < bracket))
            return {tokens[m_nextToken].end, &tokens[m_nextToken]};
        return {bracket};
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
