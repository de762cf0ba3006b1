#include "addressbook/ImpCheckForm.h"

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
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kRecordRole = Qt::UserRole;

struct PreviewColumn {
    RecipientField field;
    int width; // pixels
};

constexpr int kDefaultWidth = 50;
constexpr PreviewColumn kColumns[] = {{RecipientField::Firma, 150},
                                      {RecipientField::ZName, 150},
                                      {RecipientField::Anrede, 100},
                                      {RecipientField::Vorname, 100},
                                      {RecipientField::Name, 100},
                                      {RecipientField::Titel, kDefaultWidth},
                                      {RecipientField::Strasse, 150},
                                      {RecipientField::PLZ, 60},
                                      {RecipientField::Ort, 150},
                                      {RecipientField::ZAdresse, 150},
                                      {RecipientField::Land, kDefaultWidth},
                                      {RecipientField::Email, 150},
                                      {RecipientField::Tel, 130},
                                      {RecipientField::Fax, 130},
                                      {RecipientField::BFormel, 150}};
static_assert(namesEveryRecipientFieldOnce(kColumns, &PreviewColumn::field), "a column for each recipient field");

} // namespace

TImpCheckForm::TImpCheckForm(QWidget* parent) : QDialog(parent), m_updater(new CommandUpdater(this))
{
    setObjectName(QStringLiteral("ImpCheckForm"));
    setWindowTitle(QStringLiteral("Import Übersicht"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(760, 480);
    ScreenLook::styleSurface(this);

    LV1 = new QTreeWidget(this);
    LV1->setObjectName(QStringLiteral("LV1"));
    LV1->setRootIsDecorated(false);
    LV1->setSelectionBehavior(QAbstractItemView::SelectRows);
    LV1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LV1->setUniformRowHeights(true);
    LV1->header()->setSectionsClickable(false);
    LV1->header()->setStretchLastSection(false);
    LV1->setStyleSheet(QStringLiteral("QTreeWidget { background: white; color: black; }"));
    QStringList captions;
    for (const PreviewColumn& column : kColumns)
        captions.append(recipientField(column.field).caption.toString());
    LV1->setHeaderLabels(captions);
    for (int i = 0; i < LV1->columnCount(); ++i)
        LV1->setColumnWidth(i, kColumns[i].width);

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
        const bool enable = LV1->topLevelItemCount() > 0;
        if (command->isEnabled() != enable)
            command->setEnabled(enable);
    });

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 10);
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
    QList<QTreeWidgetItem*> rows;
    rows.reserve(records.size());
    for (qsizetype index = 0; index < records.size(); ++index) {
        const TRecipientMailData& record = records.at(index);
        auto* row = new QTreeWidgetItem;
        for (int column = 0; column < LV1->columnCount(); ++column)
            row->setText(column, record.text(kColumns[column].field));
        row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        row->setCheckState(0, Qt::Checked);
        row->setData(0, kRecordRole, index);
        rows.append(row);
    }
    LV1->addTopLevelItems(rows);
}

void TImpCheckForm::ApplyUnchecked(TFDBData& records) const
{
    for (int row = 0; row < LV1->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = LV1->topLevelItem(row);
        const qsizetype index = item->data(0, kRecordRole).toLongLong();
        if (item->checkState(0) != Qt::Checked && index >= 0 && index < records.size())
            records[index].Selected = false;
    }
}

void TImpCheckForm::ImpCheckOKExecute()
{
    if (LV1->topLevelItemCount() == 0)
        return;
    if (MessageBoxes::askYesNo(QStringLiteral("ACHTUNG!\r\n\r\nBeim Importieren werden alle bereits vorhandenen "
                                              "Empfänger der Absenderfirma überschrieben!\r\nImport fortsetzen?"),
                               MsgIcon::Warning, this)) {
        Confirmed = true;
        accept();
    }
}
