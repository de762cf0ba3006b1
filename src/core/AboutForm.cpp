#include "core/AboutForm.h"

#include "controls/TFlatSB.h"
#include "core/Artwork.h"
#include "core/SettingsStore.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("Info"));

    auto* picture = new QLabel(this);
    picture->setPixmap(Artwork::image(Artwork::ImgProgram).pixmap(32, 32));

    auto* title = new QLabel(QStringLiteral("kubNEWSLETTER"), this);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    title->setFont(titleFont);

    auto* versionCaption = new QLabel(QStringLiteral("Version: "), this);
    Label4 = new QLabel(this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setTextFormat(Qt::PlainText);

    FlatSB1 = new TFlatSB(QStringLiteral("Schließen"), this);
    FlatSB1->setObjectName(QStringLiteral("FlatSB1"));
    FlatSB1->setFixedSize(85, 25);
    connect(FlatSB1, &TFlatSB::clicked, this, &QDialog::close);

    auto* heading = new QHBoxLayout;
    heading->addWidget(picture);
    heading->addWidget(title, 1);
    auto* version = new QHBoxLayout;
    version->addWidget(versionCaption);
    version->addWidget(Label4, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(FlatSB1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(heading);
    layout->addLayout(version);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(300, 140)));
}

void TAboutForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Label4->setText(ReadVersion());
}
