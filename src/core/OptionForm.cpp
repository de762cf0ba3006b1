#include "core/OptionForm.h"

#include "controls/DialogButtons.h"
#include "controls/DialogKeys.h"
#include "controls/TFlatSB.h"
#include "core/DFUEFrame.h"
#include "core/PathFrame.h"
#include "core/SettingsStore.h"
#include "desktop/MessageBoxes.h"
#include "desktop/ScreenCursor.h"

#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QTabBar>
#include <QVBoxLayout>

TOptionForm::TOptionForm(QWidget* parent, VolumeProvider* volumes, ShellIcons* icons)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_volumes(volumes), m_icons(icons)
{
    setObjectName(QStringLiteral("OptionForm"));
    setWindowTitle(QStringLiteral("Einstellungen"));

    FTC1 = new QTabBar(this);
    FTC1->setObjectName(QStringLiteral("FTC1"));
    FTC1->addTab(QStringLiteral("Verzeichnise"));
    FTC1->addTab(QStringLiteral("Verbindung"));
    FTC1->setDrawBase(false);
    FTC1->setFocusPolicy(Qt::StrongFocus);
    connect(FTC1, &QTabBar::currentChanged, this, &TOptionForm::FTC1TabChanged);

    P1 = new QFrame(this);
    P1->setObjectName(QStringLiteral("P1"));
    P1->setFrameShape(QFrame::StyledPanel);
    P1->setFixedSize(420, 170);
    auto* pageLayout = new QVBoxLayout(P1);
    pageLayout->setContentsMargins(8, 8, 8, 8);

    const DialogButtonRow buttons =
        dialogButtonRow(this, ConfirmWeight::Normal, QStringLiteral("FlatSB3"), QStringLiteral("FlatSB1"));
    FlatSB3 = buttons.confirm;
    FlatSB1 = buttons.cancel;
    connect(FlatSB3, &TFlatSB::clicked, this, &TOptionForm::FlatSB3Click);
    connect(FlatSB1, &TFlatSB::clicked, this, &TOptionForm::FlatSB1Click);
    linkDialogKeys(this, FlatSB3, FlatSB1);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->addWidget(FTC1);
    layout->addWidget(P1);
    layout->addSpacing(10);
    layout->addLayout(buttons.layout);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

TPathFrame* TOptionForm::pathFrame() const
{
    return PathFrame;
}

TDFUEFrame* TOptionForm::dfueFrame() const
{
    return DFUEFrame;
}

void TOptionForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    LoadData();
    {
        const QSignalBlocker quiet(FTC1);
        FTC1->setCurrentIndex(0);
    }
    FTC1TabChanged(0);
    FTC1->setFocus();
}

void TOptionForm::LoadData()
{
    HourglassCursor busy;
    ClearFrames();
    OptionData = TOptionData{};
    LoadOptions(OptionData); // reports its own failure; the defaults are shown then
}

void TOptionForm::SaveData()
{
    HourglassCursor busy;
    SaveOptions(OptionData); // reports its own failure
}

void TOptionForm::ClearFrames()
{
    // Pages of an earlier showing would hold settings that are read anew now.
    delete PathFrame.data();
    delete DFUEFrame.data();
}

void TOptionForm::ReleaseFrames()
{
    StoreFrames();
    ClearFrames();
}

void TOptionForm::StoreFrames()
{
    if (PathFrame)
        PathFrame->StoreToOptions(OptionData);
    if (DFUEFrame)
        DFUEFrame->StoreToOptions(OptionData);
}

void TOptionForm::FTC1TabChanged(int index)
{
    ShowPage(index);
}

void TOptionForm::ShowPage(int Index)
{
    if (Index == 0) {
        if (PathFrame)
            return;
        HourglassCursor busy;
        ReleaseFrames();
        PathFrame = new TPathFrame(P1, m_volumes, m_icons);
        hostFrame(PathFrame);
    } else if (Index == 1) {
        if (DFUEFrame)
            return;
        HourglassCursor busy;
        ReleaseFrames();
        DFUEFrame = new TDFUEFrame(P1);
        hostFrame(DFUEFrame);
    }
}

void TOptionForm::hostFrame(TOptionFrame* frame)
{
    P1->layout()->addWidget(frame);
    frame->LoadFromOptions(OptionData);
    frame->show();
}

void TOptionForm::FlatSB3Click()
{
    StoreFrames();
    // A relative folder would mean something else in every process; it is refused, not resolved.
    for (const QString& folder : {OptionData.ImportPath, OptionData.TemplatePath}) {
        if (!folder.isEmpty() && !QDir::isAbsolutePath(folder)) {
            MessageBoxes::warning(QStringLiteral("Das Verzeichnis \"") + folder +
                                      QStringLiteral("\" ist kein vollständiger Pfad.\r\n\r\n"
                                                     "Bitte geben Sie den vollständigen Pfad ab \"/\" ein oder "
                                                     "wählen Sie das Verzeichnis über die Schaltfläche daneben aus."),
                                  this);
            return;
        }
    }
    SaveData();
    accept();
}

void TOptionForm::FlatSB1Click()
{
    reject();
}
