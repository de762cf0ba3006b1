#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QString>

// The send log of one run as the run writes it: Windows-1252 text with CR LF line ends. Pieces
// are gathered in a buffer that goes to the file at flush(), at close() and at least once a
// second (whenever a piece is written or flushIfDue() is called once a second has passed), so
// a run costs few writes and an abrupt end loses at most the last second. Control characters
// inside a piece (a server's reply may hold CR, ESC or NUL) are written as blanks, so only the
// line ends break lines. After the first failed write (a full disk) the file is cut back to its
// last complete line, nothing more is written, failed() stays true and errorString() holds the
// system's reason. Lives in the run's thread.
class SendLogWriter {
public:
    // Opens path for appending; emptyFirst empties an existing file (the fallback log). False
    // when the file cannot be opened; nothing can be written then.
    bool open(const QString& path, bool emptyFirst);
    // A piece the next one continues on the same line.
    void openEntry(const QString& text);
    // A piece that ends its line.
    void line(const QString& text = {});
    // Writes the buffer when a second has passed since it was last written.
    void flushIfDue();
    // Writes the buffer now.
    void flush();
    // Writes the buffer and closes the file.
    void close();

    bool failed() const { return m_failed; }
    QString errorString() const { return m_error; }

    // A mark for the end of the text given so far, to ask holds() later; -1 once the log failed.
    qint64 mark() const { return m_failed ? -1 : m_size + m_buffer.size(); }
    // Whether the file holds every complete line up to mark: false while the text is still
    // buffered, and for good when a failure cut it off or came before it.
    bool holds(qint64 mark) const { return mark >= 0 && mark <= m_completeSize; }

private:
    void append(const QString& text, bool endsLine);
    void fail(qsizetype writtenOfBuffer);

    QFile m_file;
    QByteArray m_buffer;
    QElapsedTimer m_sinceFlush;
    qint64 m_size = 0;         // bytes in the file
    qint64 m_completeSize = 0; // bytes in the file up to its last line end (after a failure: kept)
    bool m_failed = false;
    QString m_error;
};

// text with every control character (below 0x20, and DEL) as a blank.
QString BlankControls(const QString& text);
