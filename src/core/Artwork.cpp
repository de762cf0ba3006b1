#include "core/Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kNavy(40, 60, 110);
const QColor kBlue(60, 110, 190);
const QColor kLightBlue(150, 185, 235);
const QColor kPaper(250, 250, 245);
const QColor kGreen(50, 150, 70);
const QColor kRed(200, 50, 40);
const QColor kGold(225, 180, 60);
const QColor kGrey(110, 110, 120);

void envelope(QPainter& p, const QRectF& r, const QColor& paper, const QColor& line)
{
    p.setPen(QPen(line, r.width() / 14.0));
    p.setBrush(paper);
    p.drawRect(r);
    QPainterPath flap;
    flap.moveTo(r.topLeft());
    flap.lineTo(r.center().x(), r.top() + r.height() * 0.58);
    flap.lineTo(r.topRight());
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
}

void person(QPainter& p, qreal x, const QColor& color)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QRectF(x + 3, 1.5, 6, 6));
    p.drawRoundedRect(QRectF(x + 0.5, 8.5, 11, 7), 3.5, 3.5);
}

void page(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(kGrey, 1));
    p.setBrush(kPaper);
    p.drawRect(r);
    p.setPen(QPen(kBlue, 1));
    for (qreal y = r.top() + 3; y < r.bottom() - 1; y += 2.5)
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void arrow(QPainter& p, bool down, const QColor& color)
{
    QPainterPath path;
    if (down) {
        path.addPolygon(QPolygonF({QPointF(6, 0.5), QPointF(10, 0.5), QPointF(10, 5), QPointF(13, 5), QPointF(8, 10),
                                   QPointF(3, 5), QPointF(6, 5)}));
    } else {
        path.addPolygon(QPolygonF({QPointF(8, 0.5), QPointF(13, 5.5), QPointF(10, 5.5), QPointF(10, 10), QPointF(6, 10),
                                   QPointF(6, 5.5), QPointF(3, 5.5)}));
    }
    path.closeSubpath();
    p.setPen(QPen(color.darker(140), 0.8));
    p.setBrush(color);
    p.drawPath(path);
}

void box(QPainter& p)
{
    p.setPen(QPen(kNavy, 1));
    p.setBrush(kLightBlue);
    p.drawRect(QRectF(1.5, 9.5, 13, 5.5));
    p.setBrush(kNavy);
    p.drawRect(QRectF(11, 12, 2, 1));
}

void letterCircle(QPainter& p, const QColor& color, const QString& letter)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QRectF(1, 1, 14, 14));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(11);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, letter);
}

void drawImage(QPainter& p, int index)
{
    switch (index) {
    case Artwork::ImgRecipients:
        person(p, 4, kBlue.lighter(130));
        person(p, 1, kBlue);
        break;
    case Artwork::ImgProgram:
        envelope(p, QRectF(1, 3.5, 14, 10), kPaper, kNavy);
        p.setPen(Qt::NoPen);
        p.setBrush(kGold);
        p.drawEllipse(QRectF(10, 1, 5, 5));
        break;
    case Artwork::ImgSenders:
        p.setPen(QPen(kNavy, 1));
        p.setBrush(kLightBlue);
        p.drawRect(QRectF(2.5, 2.5, 8, 12.5));
        p.setBrush(kPaper);
        for (int row = 0; row < 3; ++row) {
            p.drawRect(QRectF(4, 4 + row * 3.5, 2, 2));
            p.drawRect(QRectF(7, 4 + row * 3.5, 2, 2));
        }
        envelope(p, QRectF(8.5, 9.5, 7, 5), kPaper, kNavy);
        break;
    case Artwork::ImgLog:
        page(p, QRectF(3, 1, 10, 14));
        break;
    case Artwork::ImgLogs:
        page(p, QRectF(5, 0.5, 10, 12));
        page(p, QRectF(1, 3.5, 10, 12));
        break;
    case Artwork::ImgSettings: {
        p.setPen(Qt::NoPen);
        p.setBrush(kGrey);
        for (int tooth = 0; tooth < 8; ++tooth) {
            p.save();
            p.translate(8, 8);
            p.rotate(tooth * 45.0);
            p.drawRect(QRectF(-1.5, -7.5, 3, 4));
            p.restore();
        }
        p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
        p.setBrush(kPaper);
        p.drawEllipse(QRectF(5.5, 5.5, 5, 5));
        break;
    }
    case Artwork::ImgQuit:
        p.setPen(QPen(kRed, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(2, 2.5, 12, 12), 120 * 16, 300 * 16);
        p.drawLine(QPointF(8, 1.5), QPointF(8, 7.5));
        break;
    case Artwork::ImgHelpContents:
        p.setPen(QPen(kNavy, 1));
        p.setBrush(kBlue);
        p.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 1.5, 1.5);
        p.setBrush(kPaper);
        p.drawRect(QRectF(4.5, 12, 9, 2));
        p.setPen(Qt::white);
        {
            QFont font(QStringLiteral("DejaVu Sans"));
            font.setBold(true);
            font.setPixelSize(9);
            p.setFont(font);
            p.drawText(QRectF(2.5, 1.5, 11, 10), Qt::AlignCenter, QStringLiteral("?"));
        }
        break;
    case Artwork::ImgAbout:
        letterCircle(p, kBlue, QStringLiteral("i"));
        break;
    case Artwork::ImgRestore:
        box(p);
        arrow(p, false, kGreen);
        break;
    case Artwork::ImgBackup:
        box(p);
        arrow(p, true, kGold);
        break;
    default:
        break;
    }
}

QPixmap renderImage(int index, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    drawImage(painter, index);
    return pixmap;
}

} // namespace

namespace Artwork {

QIcon image(int index)
{
    if (index < 0 || index >= ImageCount || index == 3)
        return QIcon();
    QIcon icon;
    icon.addPixmap(renderImage(index, 16));
    icon.addPixmap(renderImage(index, 32));
    return icon;
}

QPixmap splashPicture()
{
    QPixmap pixmap(401, 253);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, 253);
    sky.setColorAt(0, QColor(150, 162, 188));
    sky.setColorAt(0.55, QColor(110, 122, 148));
    sky.setColorAt(1, QColor(52, 60, 82));
    p.fillRect(pixmap.rect(), sky);

    // Three letters flying up to the right.
    for (int i = 0; i < 3; ++i) {
        p.save();
        p.translate(28 + i * 36, 140 - i * 30);
        p.rotate(-12 + i * 6);
        const qreal scale = 0.9 - i * 0.16;
        envelope(p, QRectF(0, 0, 70 * scale, 46 * scale), QColor(252, 252, 248, 235 - i * 40), kNavy);
        p.restore();
    }

    QFont title(QStringLiteral("DejaVu Sans"));
    title.setBold(true);
    title.setPixelSize(22);
    p.setFont(title);
    p.setPen(QColor(20, 30, 60, 120));
    p.drawText(QRect(162, 62, 235, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("kubNEWSLETTER"));
    p.setPen(Qt::white);
    p.drawText(QRect(160, 60, 235, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("kubNEWSLETTER"));

    QFont subtitle(QStringLiteral("DejaVu Sans"));
    subtitle.setPixelSize(13);
    p.setFont(subtitle);
    p.setPen(QColor(235, 238, 245));
    p.drawText(QRect(162, 100, 235, 22), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Version 1.2"));
    p.drawText(QRect(162, 122, 235, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Newsletter persönlich versenden"));

    p.setPen(QPen(QColor(255, 255, 255, 90), 1));
    p.drawLine(QPointF(16, 212.5), QPointF(385, 212.5));
    p.setPen(QPen(QColor(30, 36, 52), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 400, 252));
    return pixmap;
}

void paintBanner(QPainter& p, const QRect& area)
{
    QLinearGradient band(area.topLeft(), area.topRight());
    band.setColorAt(0, QColor(52, 60, 82));
    band.setColorAt(0.6, QColor(110, 122, 148));
    band.setColorAt(1, QColor(150, 162, 188));
    p.fillRect(area, band);

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(area.left() + 10, area.top() + (area.height() - 16) / 2.0);
    drawImage(p, ImgProgram);
    p.restore();

    QFont title(QStringLiteral("DejaVu Sans"));
    title.setBold(true);
    title.setPixelSize(16);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(area.adjusted(34, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("kubNEWSLETTER"));
}

} // namespace Artwork
