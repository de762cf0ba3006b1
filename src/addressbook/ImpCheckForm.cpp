#include "addressbook/ImpCheckForm.h"

#include "addressbook/CsvReading.h"
#include "addressbook/ImpCheckFormModel.h"
#include "addressbook/ScreenLook.h"
#include "controls/ActionButton.h"
#include "controls/DialogButtons.h"
#include "controls/DialogKeys.h"
#include "controls/DialogLook.h"
#include "controls/TFlatSB.h"
#include "desktop/CommandUpdater.h"
#include "desktop/MessageBoxes.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollArea>
#include <QTreeView>
#include <QVBoxLayout>

TImpCheckForm::TImpCheckForm(QWidget* parent) : QDialog(parent), m_updater(new CommandUpdater(this))
{
    setObjectName(QStringLiteral("ImpCheckForm"));
    setWindowTitle(QStringLiteral("Import Übersicht"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(760, 480);
    ScreenLook::styleSurface(this);

    NoteLabel = new QLabel(this);
    NoteLabel->setObjectName(QStringLiteral("NoteLabel"));
    NoteLabel->setWordWrap(true);
    NoteLabel->setTextFormat(Qt::PlainText);
    NoteLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    NoteLabel->setStyleSheet(QStringLiteral("QLabel { background: rgb(255, 236, 153); color: black; padding: 4px; }"));
    m_notes = new QScrollArea(this);
    m_notes->setWidget(NoteLabel);
    m_notes->setWidgetResizable(true);
    m_notes->setMaximumHeight(110);
    m_notes->hide();

    Rows = new TImpCheckModel(this);
    LV1 = new QTreeView(this);
    LV1->setObjectName(QStringLiteral("LV1"));
    LV1->setRootIsDecorated(false);
    LV1->setSelectionBehavior(QAbstractItemView::SelectRows);
    LV1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LV1->setUniformRowHeights(true);
    LV1->header()->setSectionsClickable(false);
    LV1->header()->setStretchLastSection(false);
    LV1->setStyleSheet(QStringLiteral("QTreeView { background: white; color: black; }"));
    LV1->setModel(Rows);
    for (int i = 0; i < Rows->columnCount(); ++i)
        LV1->setColumnWidth(i, TImpCheckModel::columnWidth(i));

    ImpCheckOK = new QAction(QStringLiteral("Importieren"), this);
    ImpCheckOK->setObjectName(QStringLiteral("ImpCheckOK"));
    ImpCheckOK->setEnabled(false);
    connect(ImpCheckOK, &QAction::triggered, this, &TImpCheckForm::ImpCheckOKExecute);
    const DialogButtonRow buttons =
        dialogButtonRow(this, ConfirmWeight::Bold, QStringLiteral("FlatSB1"), QStringLiteral("FlatSB2"));
    FlatSB1 = buttons.confirm;
    FlatSB2 = buttons.cancel;
    linkButtonToAction(FlatSB1, ImpCheckOK);
    connect(FlatSB2, &QAbstractButton::clicked, this, &QDialog::reject);
    linkDialogKeys(this, FlatSB1, FlatSB2);
    m_updater->addCommand(ImpCheckOK, [this](QAction* command) {
        const bool enable = Rows->rowCount() > 0;
        if (command->isEnabled() != enable)
            command->setEnabled(enable);
    });

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 10);
    column->addWidget(m_notes);
    column->addWidget(LV1, 1);
    column->addLayout(buttons.layout);

    centreOnScreen(this);
}

void TImpCheckForm::showEvent(QShowEvent* event)
{
    Confirmed = false;
    QDialog::showEvent(event);
}

void TImpCheckForm::updateCommands()
{
    m_updater->runIdleUpdates();
}

void TImpCheckForm::FillRows(const TFDBData& records)
{
    Rows->setRecords(records);
}

void TImpCheckForm::ShowNotes(const ImportNotes& notes)
{
    NoteLabel->setText(notes.text);
    m_notes->setVisible(!notes.text.isEmpty());
    Rows->markRows(notes.records);
}

void TImpCheckForm::ApplyUnchecked(TFDBData& records) const
{
    Rows->applyUnticked(records);
}

void TImpCheckForm::ImpCheckOKExecute()
{
    if (Rows->rowCount() == 0)
        return;
    if (MessageBoxes::askYesNo(QStringLiteral("ACHTUNG!\r\n\r\nBeim Importieren werden alle bereits vorhandenen "
                                              "Empfänger der Absenderfirma überschrieben!\r\nImport fortsetzen?"),
                               MsgIcon::Warning, this)) {
        Confirmed = true;
        accept();
    }
}
