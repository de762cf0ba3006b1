#pragma once

#include <QIcon>
#include <QPixmap>

class QPainter;
class QRect;

// The program's pictures, drawn at run time: the twelve small images of the tree, the menus and
// the commands, the splash picture and the main window's banner.
namespace Artwork {

enum ImageIndex {
    ImgRecipients = 0,
    ImgProgram = 1,
    ImgSenders = 2,
    ImgLog = 4,
    ImgLogs = 5,
    ImgSettings = 6,
    ImgQuit = 7,
    ImgHelpContents = 8,
    ImgAbout = 9,
    ImgRestore = 10,
    ImgBackup = 11,
};
inline constexpr int ImageCount = 12;

// A 16 x 16 image (also drawn at 32 x 32 for dense screens); index 3 and unknown indexes give an
// empty icon.
QIcon image(int index);

// The splash picture, 401 x 253 pixels; the lower 40 pixels are left calm for the status line.
QPixmap splashPicture();

// Draws the banner across the given area (the main window's top panel, 33 pixels high).
void paintBanner(QPainter& painter, const QRect& area);

} // namespace Artwork
