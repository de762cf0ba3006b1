#include "addressbook/CsvReading.h"
#include "addressbook/CsvReadingFields.h"

#include <algorithm>
#include <optional>

using namespace CsvFields;

namespace {

// One physical line of the text: [start, end) without its line break.
struct TextLine {
    qsizetype start;
    qsizetype end;
};

QList<TextLine> physicalLines(const QString& text)
{
    QList<TextLine> lines;
    const qsizetype size = text.size();
    qsizetype start = 0;
    for (qsizetype at = 0; at < size; ++at) {
        if (!isLineBreak(text.at(at)))
            continue;
        lines.append({start, at});
        if (text.at(at) == u'\r' && at + 1 < size && text.at(at + 1) == u'\n')
            ++at; // CR LF is one line break
        start = at + 1;
    }
    if (start < size)
        lines.append({start, size});
    return lines;
}

// A quoted value over line breaks: its opening and closing quote and their physical lines.
struct QuotedSpan {
    qsizetype open;
    int openLine;
    qsizetype close;
    int closeLine;
};

// The record that starts on a physical line: the index of its last physical line, and the note
// when a quote spans lines (unless Joined, the record is then its first line alone).
struct RecordEnd {
    int last;
    std::optional<CsvQuoteNote> note;
};

// Cuts records out of a text. Each search for a closing quote over lines ends at the first lone
// quote, which no later search passes again, and each quoted span's lines are read once more to
// look for addresses: cutting a text stays linear however far it looks.
class RecordCutter {
public:
    explicit RecordCutter(const QString& text) : m_text(text), m_lines(physicalLines(text)) {}

    int physicalCount() const { return static_cast<int>(m_lines.size()); }
    qsizetype start(int line) const { return m_lines.at(line).start; }
    qsizetype end(int line) const { return m_lines.at(line).end; }
    QStringView lineText(int line) const { return QStringView(m_text).mid(start(line), end(line) - start(line)); }

    // The title line's number of columns and those whose fields are searched for addresses
    // (empty: every column).
    void setTitle(int columns, QList<int> emailColumns)
    {
        m_titleColumns = columns;
        m_emailColumns = std::move(emailColumns);
    }

    RecordEnd recordEnd(int first)
    {
        const qsizetype recordStart = start(first);
        QList<QuotedSpan> spans;
        bool strayQuote = false;
        int line = first;
        qsizetype at = recordStart;
        int fields = 0;
        int lastFilled = 0; // the number of the last field that holds anything
        while (true) {
            // at is the start of a field on the physical line `line`.
            const qsizetype fieldStart = at;
            ++fields;
            if (at < end(line) && m_text.at(at) == kQuote) {
                qsizetype close = closingQuote(m_text, at, end(line));
                if (close >= 0 && !closesField(m_text, close, end(line))) {
                    // The quote pairs with one that closes no field: it is text, the field ends
                    // at the next ";" and cannot take a quoted cell behind it for its end.
                    strayQuote = true;
                    close = at;
                } else if (close < 0) {
                    close = closingQuote(m_text, at, m_text.size());
                    if (close < 0 || !closesField(m_text, close, m_text.size()))
                        return alone(first, QuoteOutcome::NotClosed, 0);
                    const int opening = line;
                    while (end(line) < close)
                        ++line;
                    if (close - recordStart >= kMaxRecordChars)
                        return alone(first, QuoteOutcome::TooLong, line + 1);
                    spans.append({at, opening, close, line});
                }
                at = close + 1;
            }
            while (at < end(line) && m_text.at(at) != kSeparator)
                ++at;
            if (at > fieldStart)
                lastFilled = fields;
            if (at >= end(line))
                break;
            ++at; // behind the separator
        }
        if (line == first)
            return strayQuote ? alone(first, QuoteOutcome::NotClosed, 0) : RecordEnd{first, {}};
        if (end(line) - recordStart > kMaxRecordChars)
            return alone(first, QuoteOutcome::TooLong, line + 1);
        QList<int> addressLines;
        for (const QuotedSpan& span : spans) {
            for (int inner = span.openLine; inner <= span.closeLine; ++inner) {
                if (isRecordWithin(inner, span))
                    addressLines.append(inner + 1);
            }
        }
        if (!addressLines.isEmpty()) {
            RecordEnd cut = alone(first, QuoteOutcome::AddressLines, line + 1);
            cut.note->addressLines = std::move(addressLines);
            return cut;
        }
        // A spreadsheet writes the title's number of fields: a quote whose lines, taken as one
        // value, leave more filled fields than that joined the lines of several records.
        if (m_titleColumns > 1 && lastFilled > m_titleColumns)
            return alone(first, QuoteOutcome::TooManyFields, line + 1);
        CsvQuoteNote joined;
        joined.line = first + 1;
        joined.outcome = QuoteOutcome::Joined;
        joined.closingLine = line + 1;
        return {line, joined};
    }

private:
    // Read on its own, the line is a recipient's record: an e-mail address in an e-mail column,
    // in a field within the span, and the title's number of fields, as a spreadsheet writes every
    // record. So the line of a note that is just an address
    // or a list of them is no record, even when the e-mail column comes first.
    bool isRecordWithin(int line, const QuotedSpan& span) const
    {
        const QStringView text = lineText(line);
        const qsizetype offset = start(line);
        bool address = false;
        int fields = 0;
        forEachField(text, [&](int column, qsizetype fieldStart, qsizetype fieldEnd) {
            ++fields;
            if (address || offset + fieldStart < span.open || offset + fieldStart >= span.close)
                return;
            if (!m_emailColumns.isEmpty() && !m_emailColumns.contains(column))
                return;
            address = IsEmailAddress(value(text, fieldStart, fieldEnd));
        });
        return address && fields >= m_titleColumns;
    }

    static RecordEnd alone(int first, QuoteOutcome outcome, int closingLine)
    {
        CsvQuoteNote note;
        note.line = first + 1;
        note.outcome = outcome;
        note.closingLine = closingLine;
        return {first, note};
    }

    const QString& m_text;
    QList<TextLine> m_lines;
    int m_titleColumns = 0;
    QList<int> m_emailColumns;
};

// "sep=X" in any letter case: X, else null. A spreadsheet that read the line as cells saves it
// again with its cells quoted or empty ones added ("sep=;;;;", "\"sep=\";;;", "\"sep=;\""): its
// first field is "sep=X", or "sep=" with the ";" behind it, and every other field is empty.
QChar separatorDeclaration(QStringView line)
{
    QStringList fields;
    SplitCsvLine(line, fields);
    if (fields.isEmpty() ||
        std::any_of(fields.cbegin() + 1, fields.cend(), [](const QString& f) { return !f.isEmpty(); }))
        return {};
    const QString& first = fields.first();
    if (!first.startsWith(QStringLiteral("sep="), Qt::CaseInsensitive))
        return {};
    if (first.size() == 5)
        return first.at(4);
    return first.size() == 4 && fields.size() > 1 ? kSeparator : QChar();
}

} // namespace

bool IsEmailTitle(const QString& title)
{
    QString folded;
    for (const QChar c : title.toCaseFolded()) {
        if (c.isLetterOrNumber())
            folded.append(c);
    }
    return folded.contains(QStringLiteral("email")) || folded.startsWith(QStringLiteral("mail"));
}

bool IsEmailAddress(const QString& text)
{
    // Loose on purpose ("mailto:a@b.de", "<a@b.de>" count): one "@" between a local part and a
    // domain with an inner dot, no blank, no separator and no quote.
    const QString address = text.trimmed();
    const qsizetype at = address.indexOf(u'@');
    if (at <= 0 || at != address.lastIndexOf(u'@'))
        return false;
    const qsizetype dot = address.indexOf(u'.', at + 2);
    if (dot < 0 || address.endsWith(u'.'))
        return false;
    return std::none_of(address.cbegin(), address.cend(),
                        [](QChar c) { return c.isSpace() || c == u';' || c == u'"' || c.unicode() < 32; });
}

CsvLines::CsvLines(const QString& text) : m_text(text)
{
    RecordCutter cutter(m_text);
    int first = 0;
    if (cutter.physicalCount() > 0) {
        m_declaredSeparator = separatorDeclaration(cutter.lineText(0));
        if (!m_declaredSeparator.isNull())
            first = 1;
    }
    bool title = true;
    QStringList titles;
    while (first < cutter.physicalCount()) {
        const RecordEnd cut = cutter.recordEnd(first);
        const qsizetype start = cutter.start(first);
        m_lines.append({start, cutter.end(cut.last) - start, first + 1});
        if (cut.note)
            m_notes.append(*cut.note);
        if (title) {
            title = false;
            SplitCsvLine(this->text(0), titles);
            QList<int> emailColumns;
            for (int column = 0; column < titles.size(); ++column) {
                if (IsEmailTitle(titles.at(column)))
                    emailColumns.append(column);
            }
            cutter.setTitle(static_cast<int>(titles.size()), std::move(emailColumns));
        }
        first = cut.last + 1;
    }
}

QStringView CsvLines::text(qsizetype index) const
{
    const Line& line = m_lines.at(index);
    return QStringView(m_text).mid(line.start, line.length);
}

bool CsvLines::holdsNul() const
{
    return m_text.contains(QChar(u'\0'));
}

QChar ForeignSeparator(const CsvLines& lines)
{
    const QChar declared = lines.declaredSeparator();
    if (!declared.isNull())
        return declared == kSeparator ? QChar() : declared;
    if (lines.isEmpty())
        return {};
    const QStringView title = lines.text(0);
    QStringList titles;
    SplitCsvLine(title, titles);
    if (titles.size() != 1)
        return {};
    const qsizetype tabs = title.count(u'\t');
    const qsizetype commas = title.count(u',');
    if (tabs == 0 && commas == 0)
        return {};
    return tabs >= commas ? QChar(u'\t') : QChar(u',');
}
