#include "core/StartForm.h"

#include "controls/DialogLook.h"
#include "core/Artwork.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>

TPStartForm::TPStartForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("PStartForm"));
    setFixedSize(401, 253);

    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(Artwork::splashPicture());
    image->setGeometry(rect());

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAttribute(Qt::WA_TranslucentBackground);
    Label1->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->setGeometry(16, 220, 369, 20);

    FPB1 = new QProgressBar(this);
    FPB1->setObjectName(QStringLiteral("FPB1"));
    FPB1->setRange(0, 100);
    FPB1->setTextVisible(false);
    FPB1->setGeometry(16, 196, 369, 12);
    FPB1->hide();

    centreOnScreen(this);
}

void TPStartForm::showStatus(const QString& text)
{
    Label1->setText(text);
    Label1->repaint();
    QApplication::processEvents();
}
