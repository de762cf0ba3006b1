#pragma once

#include <QElapsedTimer>
#include <QString>

#include <memory>

class TStatusPanel;

// The import's progress window (the status panel: title, status line and bar), shown without blocking while a long step
// runs on the main thread. Steps are counted at once but drawn, with pending window messages processed, only about
// every 50 ms, so a large file costs no more drawing than a small one. Main thread only; the window lives until close()
// or the end of this object, whichever comes first.
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
    TStatusPanel* window() const { return m_window.get(); }

private:
    void draw();

    std::unique_ptr<TStatusPanel> m_window;
    QElapsedTimer m_sinceDrawn;
    QString m_status;
    int m_done = 0;
};
