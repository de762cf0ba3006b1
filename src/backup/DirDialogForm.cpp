#include "backup/DirDialogForm.h"

#include "controls/DialogButtons.h"
#include "controls/FsDirectoryTree.h"
#include "controls/FsFileListBox.h"
#include "controls/TFlatSB.h"
#include "core/PickerDialog.h"
#include "desktop/CommandUpdater.h"
#include "desktop/MessageBoxes.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

TDirDialogForm::TDirDialogForm(QWidget* parent, VolumeProvider* volumes, ShellIcons* icons)
    : QDialog(parent, PickerDialog::kWindowFlags), m_commandUpdater(new CommandUpdater(this))
{
    QLabel* title =
        PickerDialog::setUp(*this, QStringLiteral("DirDialogForm"), QStringLiteral("Auswahl Sicherungsdatei..."));
    title->setObjectName(QStringLiteral("Label3"));
    auto* hint = new QLabel(QStringLiteral("Bitte wählen Sie die Sicherungsdatei aus."), this);
    hint->setObjectName(QStringLiteral("Label4"));

    FsDT1 = new TFsDirectoryTree(this, volumes, icons);
    FsDT1->setObjectName(QStringLiteral("FsDT1"));
    FsDT1->setMinimumSize(260, 260);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextFormat(Qt::PlainText);
    Label2->setFixedWidth(260);
    FsDT1->setDirLabel(Label2);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setReadOnly(true);
    FsFileListBox1 = new TFsFileListBox(this, icons);
    FsFileListBox1->setObjectName(QStringLiteral("FsFileListBox1"));
    FsFileListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    FsFileListBox1->setMinimumSize(220, 260);
    FsFileListBox1->setMask(QStringLiteral("BackupNews_*.zip"));
    FsFileListBox1->setFileEdit(Edit1);
    FsDT1->setFileList(FsFileListBox1);

    const DialogButtonRow buttons =
        dialogButtonRow(this, ConfirmWeight::Bold, QStringLiteral("FlatSB2"), QStringLiteral("FlatSB1"));
    FlatSB2 = buttons.confirm;
    FlatSB1 = buttons.cancel;
    connect(FlatSB2, &TFlatSB::clicked, this, &TDirDialogForm::SelectSichOKExecute);
    connect(FlatSB1, &TFlatSB::clicked, this, &TDirDialogForm::FlatSB1Click);
    m_commandUpdater->setIdleHandler([this] { SelectSichOKUpdate(); });

    auto* lists = new QGridLayout;
    lists->addWidget(FsDT1, 0, 0);
    lists->addWidget(FsFileListBox1, 0, 1);
    lists->addWidget(Label2, 1, 0);
    lists->addWidget(Edit1, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(hint);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons.layout);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    SelectSichOKUpdate();
}

void TDirDialogForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FsDT1->setDirectory(QDir::homePath());
    SelectSichOKUpdate();
}

void TDirDialogForm::SelectSichOKUpdate()
{
    // The list puts the selected name into the edit, and the mask while none is selected.
    FlatSB2->setEnabled(Edit1->text() != FsFileListBox1->mask());
}

void TDirDialogForm::SelectSichOKExecute()
{
    if (FsFileListBox1->fileName().isEmpty())
        return;
    SelectedFile = FsFileListBox1->fileName();
    OKPressed = true;
    accept();
}

void TDirDialogForm::FlatSB1Click()
{
    if (!MessageBoxes::askYesNo(QStringLiteral("Einspielen abbrechen?"), MsgIcon::Question, this))
        return;
    reject();
}
