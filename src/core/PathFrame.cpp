#include "core/PathFrame.h"

#include "controls/TFlatSB.h"
#include "core/PathSelectForm.h"
#include "core/Records.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>

namespace {

TFlatSB* folderButton(QWidget* parent, const char* name)
{
    auto* button = new TFlatSB(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(parent->style()->standardIcon(QStyle::SP_DirOpenIcon));
    button->setIconSize(QSize(16, 16));
    button->setToolTip(QStringLiteral("Verzeichnis wählen"));
    button->setFixedSize(25, 21);
    return button;
}

} // namespace

TPathFrame::TPathFrame(QWidget* parent, VolumeProvider* volumes, ShellIcons* icons)
    : TOptionFrame(parent), m_volumes(volumes), m_icons(icons)
{
    setObjectName(QStringLiteral("PathFrame"));
    FE1 = new QLineEdit(this);
    FE1->setObjectName(QStringLiteral("FE1"));
    FE2 = new QLineEdit(this);
    FE2->setObjectName(QStringLiteral("FE2"));
    FlatSpeedButton1 = folderButton(this, "FlatSpeedButton1");
    FlatSpeedButton2 = folderButton(this, "FlatSpeedButton2");
    connect(FlatSpeedButton1, &TFlatSB::clicked, this, [this] { chooseFolder(FE1); });
    connect(FlatSpeedButton2, &TFlatSB::clicked, this, [this] { chooseFolder(FE2); });

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Standartverzeichnis für Import:"), this), 0, 0, 1, 2);
    layout->addWidget(FE1, 1, 0);
    layout->addWidget(FlatSpeedButton1, 1, 1);
    layout->setRowMinimumHeight(2, 12);
    layout->addWidget(new QLabel(QStringLiteral("Standartverzeichnis für Templates:"), this), 3, 0, 1, 2);
    layout->addWidget(FE2, 4, 0);
    layout->addWidget(FlatSpeedButton2, 4, 1);
    layout->setRowStretch(5, 1);
}

void TPathFrame::LoadFromOptions(const TOptionData& Data)
{
    FE1->setText(Data.ImportPath);
    FE2->setText(Data.TemplatePath);
}

void TPathFrame::StoreToOptions(TOptionData& Data) const
{
    Data.ImportPath = FE1->text();
    Data.TemplatePath = FE2->text();
}

void TPathFrame::chooseFolder(QLineEdit* edit)
{
    TPathSelectForm picker(nullptr, m_volumes, m_icons);
    picker.StartPath = edit->text();
    picker.exec();
    if (picker.OKPressed())
        edit->setText(picker.SelectedPath());
}
