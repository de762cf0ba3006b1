#include "controls/FolderGlyphs.h"

#include <QPainter>
#include <QPolygon>

namespace {

const QColor kOutline(138, 98, 16);
const QColor kBack(222, 178, 62);
const QColor kFront(250, 216, 110);
const QColor kCurrentFront(96, 146, 214);
const QColor kCurrentOutline(36, 70, 130);

void paint(QPainter& p, FolderGlyph kind)
{
    // Sharp edges: the glyph is placed to the pixel.
    p.setRenderHint(QPainter::Antialiasing, false);
    // Tab and back of the folder.
    p.setPen(kOutline);
    p.setBrush(kBack);
    p.drawRect(0, 3, 6, 2);
    p.drawRect(0, 4, 14, 10);
    if (kind == FolderGlyph::Closed) {
        p.setBrush(kFront);
        p.drawRect(0, 6, 14, 8);
        return;
    }
    // An open folder: the front leans forward.
    const bool current = kind == FolderGlyph::Current;
    p.setPen(current ? kCurrentOutline : kOutline);
    p.setBrush(current ? kCurrentFront : kFront);
    p.drawPolygon(QPolygon({QPoint(3, 7), QPoint(15, 7), QPoint(12, 14), QPoint(0, 14)}));
}

QImage draw(FolderGlyph kind)
{
    QImage glyph(16, 16, QImage::Format_ARGB32_Premultiplied);
    glyph.fill(Qt::transparent);
    QPainter painter(&glyph);
    paint(painter, kind);
    painter.end();
    return glyph;
}

} // namespace

QImage folderGlyph(FolderGlyph kind)
{
    static const QImage glyphs[] = {draw(FolderGlyph::Open), draw(FolderGlyph::Closed), draw(FolderGlyph::Current)};
    return glyphs[int(kind)];
}
