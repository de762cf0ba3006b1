#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

// Opens the help: "Help.chm" beside the program's assets when one was supplied, else the
// program's own help page (help/index.html); both through the desktop's handler for the file.
// A failure shows "#528 " and the reason (error icon).
class THelpOpener {
public:
    using UrlOpener = std::function<bool(const QUrl&)>;

    // Without an opener the desktop's (QDesktopServices::openUrl) is used.
    explicit THelpOpener(UrlOpener opener = {});

    // The file that open() hands to the desktop.
    static QString helpFile();

    bool open(QWidget* parent = nullptr) const;

private:
    UrlOpener m_opener;
};
