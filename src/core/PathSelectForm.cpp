#include "core/PathSelectForm.h"

#include "controls/DialogButtons.h"
#include "controls/DialogKeys.h"
#include "controls/FsDirectoryTree.h"
#include "controls/TFlatSB.h"
#include "core/PickerDialog.h"
#include "desktop/CommandUpdater.h"
#include "desktop/MessageBoxes.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

TPathSelectForm::TPathSelectForm(QWidget* parent, VolumeProvider* volumes, ShellIcons* icons)
    : QDialog(parent, PickerDialog::kWindowFlags), m_commandUpdater(new CommandUpdater(this))
{
    QLabel* title =
        PickerDialog::setUp(*this, QStringLiteral("PathSelectForm"), QStringLiteral("Auswahl Verzeichnis..."));

    Label2 = new QLabel(QStringLiteral("Bitte wählen Sie ein Verzeichnis aus."), this);
    Label2->setObjectName(QStringLiteral("Label2"));

    FsDT1 = new TFsDirectoryTree(this, volumes, icons);
    FsDT1->setObjectName(QStringLiteral("FsDT1"));
    FsDT1->setReadOnly(false); // folders may be renamed here
    FsDT1->frame().setUpFlatLine(Qt::white);
    FsDT1->setMinimumSize(300, 260);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setFixedWidth(300);
    FsDT1->setDirLabel(Label1);

    const DialogButtonRow buttons =
        dialogButtonRow(this, ConfirmWeight::Normal, QStringLiteral("FlatSB2"), QStringLiteral("FlatSB1"));
    FlatSB2 = buttons.confirm;
    FlatSB1 = buttons.cancel;
    connect(FlatSB2, &TFlatSB::clicked, this, &TPathSelectForm::FlatSB2Click);
    connect(FlatSB1, &TFlatSB::clicked, this, &TPathSelectForm::FlatSB1Click);
    linkDialogKeys(this, FlatSB2, FlatSB1);

    // Without a selected folder "OK" would hand back an empty path as the choice. The tree's
    // selection can also go silently (a volume that goes away), hence the idle-time check.
    m_commandUpdater->setIdleHandler([this] { FlatSB2->setEnabled(!FsDT1->directory().isEmpty()); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(Label2);
    layout->addWidget(FsDT1, 1);
    layout->addWidget(Label1);
    layout->addLayout(buttons.layout);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TPathSelectForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A relative name would be resolved against the process's current folder: not a folder here.
    const QFileInfo start(StartPath);
    const bool startExists = !StartPath.isEmpty() && QDir::isAbsolutePath(StartPath) && start.isDir();
    if (startExists)
        FsDT1->setDirectory(StartPath);
    if (FsDT1->directory().isEmpty())
        FsDT1->setDirectory(QDir::rootPath());
    FlatSB2->setEnabled(!FsDT1->directory().isEmpty());
}

void TPathSelectForm::FlatSB2Click()
{
    const QString folder = FsDT1->directory();
    if (folder.isEmpty())
        return;
    m_okPressed = true;
    m_selectedPath = folder;
    accept();
}

void TPathSelectForm::FlatSB1Click()
{
    if (BackupMode && !MessageBoxes::askYesNo(QStringLiteral("Sicherung abbrechen?"), MsgIcon::Question, this))
        return;
    reject();
}
