#include "addressbook/ImpCheckForm.h"

#include "addressbook/ScreenLook.h"
#include "controls/DialogKeys.h"
#include "controls/TFlatSB.h"
#include "platform/CommandUpdater.h"
#include "platform/MessageBoxes.h"

#include <QAction>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kRecordRole = Qt::UserRole;

struct PreviewColumn {
    const char16_t* caption;
    RecipientField field;
    int width;
};

constexpr int kDefaultWidth = 50;
const PreviewColumn kColumns[] = {
    {u"Firma", RecipientField::Firma, 150},     {u"Firmenzusatz", RecipientField::ZName, 150},
    {u"Anrede", RecipientField::Anrede, 100},   {u"Vorname", RecipientField::Vorname, 100},
    {u"Name", RecipientField::Name, 100},       {u"Titel", RecipientField::Titel, kDefaultWidth},
    {u"Strasse", RecipientField::Strasse, 150}, {u"PLZ", RecipientField::PLZ, 60},
    {u"Ort", RecipientField::Ort, 150},         {u"Adresszusatz", RecipientField::ZAdresse, 150},
    {u"Land", RecipientField::Land, kDefaultWidth}, {u"Email", RecipientField::Email, 150},
    {u"Telefon", RecipientField::Tel, 130},     {u"Fax", RecipientField::Fax, 130},
    {u"Begrüßungsformel", RecipientField::BFormel, 150}};

} // namespace

TImpCheckForm::TImpCheckForm(QWidget* parent)
    : QDialog(parent),
      m_updater(new CommandUpdater(this))
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
        captions.append(QString::fromUtf16(column.caption));
    LV1->setHeaderLabels(captions);
    for (int i = 0; i < LV1->columnCount(); ++i)
        LV1->setColumnWidth(i, kColumns[i].width);

    ImpCheckOK = new QAction(QStringLiteral("Importieren"), this);
    ImpCheckOK->setObjectName(QStringLiteral("ImpCheckOK"));
    ImpCheckOK->setEnabled(false);
    connect(ImpCheckOK, &QAction::triggered, this, &TImpCheckForm::ImpCheckOKExecute);
    FlatSB1 = new TFlatSB(this);
    FlatSB1->setObjectName(QStringLiteral("FlatSB1"));
    ScreenLook::linkButton(FlatSB1, ImpCheckOK);
    QFont bold = FlatSB1->font();
    bold.setBold(true);
    FlatSB1->setFont(bold);
    FlatSB2 = new TFlatSB(QStringLiteral("Abbrechen"), this);
    FlatSB2->setObjectName(QStringLiteral("FlatSB2"));
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
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(FlatSB1);
    buttons->addWidget(FlatSB2);
    column->addLayout(buttons);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
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
