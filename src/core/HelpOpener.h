#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The program that shows a file: started with the file's path added as its last argument; a
// non-zero exit status tells that it could not show the file (xdg-open exits with 3 when no
// program for the file is set up).
struct HelpViewer {
    QString program = QStringLiteral("xdg-open");
    QStringList arguments;
    // The hourglass shows from the viewer's start until it ends, at most this long: xdg-open may
    // run as long as the window it opened, so a viewer still running by then shows the file.
    int waitMs = 10000;
};

// Opens the help: "Help.chm" beside the program's assets when one was supplied, else the
// program's own help page (help/index.html); both through the desktop's viewer for the file.
// A failure shows "#528 " and the reason (error icon).
class THelpOpener {
public:
    explicit THelpOpener(HelpViewer viewer = {});

    // The file that open() hands to the viewer.
    static QString helpFile();

    // Starts the viewer and returns at once; the viewer's process belongs to parent (or to the
    // application). A missing help file is reported here; a viewer that cannot be started or
    // ends with a non-zero status is reported from the event loop once that is known. The
    // hourglass shows while the viewer starts and is watched, and is gone before any box. Main
    // thread only.
    void open(QWidget* parent = nullptr) const;

private:
    HelpViewer m_viewer;
};
