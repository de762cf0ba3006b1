#pragma once

#include <QString>

// The outcome of a file-system control operation: success, or a failure with the text to show.
// Controls return it where an event handler could not carry an exception to the caller.
class FsResult {
public:
    FsResult() = default;
    static FsResult failure(const QString& message) { return FsResult(message); }

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const QString& message() const { return m_message; }

private:
    explicit FsResult(const QString& message) : m_ok(false), m_message(message) {}
    bool m_ok = true;
    QString m_message;
};
