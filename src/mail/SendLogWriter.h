#pragma once

#include <QFile>
#include <QString>

// The send log of one run as the run writes it: Windows-1252 text with CR LF line ends, each
// piece written straight through to the file, so the log is complete up to the last step even
// when the program ends abruptly. After the first failed write nothing more is written and
// failed() stays true; the run then ends in order and says so. Lives in the run's thread.
class SendLogWriter
{
public:
    // Opens path for appending; emptyFirst empties an existing file (the fallback log). False
    // when the file cannot be opened; nothing can be written then.
    bool open(const QString& path, bool emptyFirst);
    // A piece the next one continues on the same line.
    void openEntry(const QString& text);
    // A piece that ends its line.
    void line(const QString& text = {});
    void close();

    bool failed() const { return m_failed; }
    QString errorString() const { return m_error; }

private:
    void write(const QString& text);

    QFile m_file;
    bool m_failed = false;
    QString m_error;
};
