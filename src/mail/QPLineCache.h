#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// Quoted-printable for a text that mostly repeats the one encoded before it, as a template
// filled for one recipient after another does. TQPEncoder encodes every line (up to and with
// its CR LF) on its own, so a line equal to the same line of the text before gets that line's
// encoding again, and only the other lines are encoded. The result is always the bytes that
// TQPEncoder::AppendLatin1 (or AppendUtf8) makes of the whole text. One thread.
class TQPLineCache {
public:
    QByteArray Encode(const QString& text, bool latin1);

private:
    struct Line {
        qsizetype textStart;
        qsizetype textLength;
        qsizetype encodedStart;
        qsizetype encodedLength;
    };

    QString m_text;       // the text encoded last (shared, not copied)
    QByteArray m_encoded; // and its encoding
    std::vector<Line> m_lines;
    bool m_latin1 = true;
};
