#pragma once

#include <QElapsedTimer>
#include <QString>

#include <memory>

class TUserSP;

// The import's plain progress window (a status window in mode 0: title, status line and bar),
// shown without blocking while a long step runs on the main thread. Steps are counted at once
// but drawn, with pending window messages processed, only about every 50 ms, so a large file
// costs no more drawing than a small one. Main thread only; the window lives until close() or
// the end of this object, whichever comes first.
class TImportProgress {
public:
    TImportProgress(const QString& title, const QString& status);
    ~TImportProgress();
    TImportProgress(const TImportProgress&) = delete;
    TImportProgress& operator=(const TImportProgress&) = delete;

    void begin(int maximum);
    // One step done; status becomes the status line.
    void step(const QString& status);
    // Frees the window (before a message box is shown); later steps do nothing.
    void close();

    // The window, null once closed.
    TUserSP* window() const { return m_window.get(); }

private:
    void draw();

    std::unique_ptr<TUserSP> m_window;
    QElapsedTimer m_sinceDrawn;
    QString m_status;
    int m_done = 0;
};
