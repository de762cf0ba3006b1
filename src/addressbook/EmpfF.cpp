#include "addressbook/EmpfF.h"

#include "addressbook/EMFForm.h"
#include "addressbook/QueryFieldText.h"
#include "addressbook/RecipientImport.h"
#include "addressbook/RecordGrid.h"
#include "addressbook/ScreenLook.h"
#include "controls/ActionButton.h"
#include "controls/ColorNumber.h"
#include "controls/TFlatSB.h"
#include "controls/TKubDBText.h"
#include "core/DM.h"
#include "core/RecipientFields.h"
#include "desktop/CommandUpdater.h"
#include "desktop/MessageBoxes.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

const QString kOperation = QStringLiteral("Empfängerdaten");

void setEnabledIfDifferent(QAction* command, bool enabled)
{
    if (command->isEnabled() != enabled)
        command->setEnabled(enabled);
}

QAction* command(const char* name, const QString& caption, QObject* parent)
{
    auto* action = new QAction(caption, parent);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

// Where each recipient field shows in the detail panel: its line, its caption's column (the
// value stands right of it), and the widest the value grows (0: up to the space left).
struct DetailRow {
    RecipientField field;
    int line;
    int at;
    QStringView caption;
    int width;
};

constexpr int kLeft = 199;
constexpr int kRight = 253;
constexpr DetailRow kDetailRows[] = {
    {RecipientField::Firma, 0, 0, u"Firma:", kLeft},     {RecipientField::ZName, 1, 0, u"Firmenzusatz:", kLeft},
    {RecipientField::Strasse, 2, 0, u"Strasse:", kLeft}, {RecipientField::PLZ, 3, 0, u"PLZ:", 0},
    {RecipientField::Ort, 4, 0, u"Ort:", kLeft},         {RecipientField::ZAdresse, 5, 0, u"Adresszusatz:", kLeft},
    {RecipientField::Land, 6, 0, u"Land:", 0},           {RecipientField::BFormel, 7, 0, u"Begrüßungsformel:", 0},
    {RecipientField::Anrede, 0, 3, u"Anrede:", kRight},  {RecipientField::Vorname, 1, 3, u"Vorname:", kRight},
    {RecipientField::Name, 2, 3, u"Name:", kRight},      {RecipientField::Titel, 3, 3, u"Titel:", kRight},
    {RecipientField::Tel, 4, 3, u"Tel.:", kRight},       {RecipientField::Fax, 5, 3, u"Fax:", kRight},
    {RecipientField::Email, 6, 3, u"E-mail:", kRight},
};
static_assert(namesEveryRecipientFieldOnce(kDetailRows, &DetailRow::field), "a value for each recipient field");

} // namespace

TEmpfFrame::TEmpfFrame(TDM2& dm, QWidget* parent, TDialogRunner runDialog)
    : QFrame(parent), m_dm(dm), m_runDialog(std::move(runDialog)), m_updater(new CommandUpdater(this))
{
    setObjectName(QStringLiteral("EmpfFrame"));
    ScreenLook::styleSurface(this);
    EmpfFNeu = command("EmpfFNeu", QStringLiteral("Hinzufügen"), this);
    EmpfFMod = command("EmpfFMod", QStringLiteral("Bearbeiten"), this);
    EmpfFDel = command("EmpfFDel", QStringLiteral("Löschen"), this);
    EmpfFImp = command("EmpfFImp", QStringLiteral("Importieren"), this);
    EmpfFNews = command("EmpfFNews", QStringLiteral("Newsletter >>"), this);
    connect(EmpfFNeu, &QAction::triggered, this, &TEmpfFrame::EmpfFNeuExecute);
    connect(EmpfFMod, &QAction::triggered, this, &TEmpfFrame::EmpfFModExecute);
    connect(EmpfFDel, &QAction::triggered, this, &TEmpfFrame::EmpfFDelExecute);
    connect(EmpfFImp, &QAction::triggered, this, &TEmpfFrame::EmpfFImpExecute);
    connect(EmpfFNews, &QAction::triggered, this, &TEmpfFrame::EmpfFNewsExecute);
    buildLayout();
    // EmpfFDel follows the handler of EmpfFMod.
    m_updater->addCommand(EmpfFMod, [this](QAction*) { EmpfFModUpdate(); });
    m_updater->addCommand(EmpfFImp, [this](QAction* imp) { setEnabledIfDifferent(imp, hasChosenSender()); });
    m_updater->addCommand(EmpfFNews, [this](QAction* news) { setEnabledIfDifferent(news, hasChosenSender()); });

    LoadSenderChoices();
    {
        const QSignalBlocker quiet(FCB1);
        FCB1->clear();
        FCB1->setEditText(QString());
        for (const TDBABSRecord& choice : std::as_const(m_senderChoices))
            FCB1->addItem(choice.Firma);
        FCB1->setCurrentIndex(FCB1->count() > 0 ? 0 : -1);
    }
    // With a sender, the main window's FCB1Change loads its list; loading here as well would
    // only repeat the work (and a failure's message).
    if (m_senderChoices.isEmpty() && !OpenRecipientList(0))
        m_dbError = true;
    Label6->clear();
}

TEmpfFrame::~TEmpfFrame()
{
    ReleaseData();
}

void TEmpfFrame::buildLayout()
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(8);

    auto* choice = new QHBoxLayout;
    choice->setSpacing(8);
    auto* label1 = ScreenLook::caption(QStringLiteral("Absender:"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    choice->addWidget(label1);
    FCB1 = new QComboBox(this);
    FCB1->setObjectName(QStringLiteral("FCB1"));
    FCB1->setEditable(true);
    FCB1->setInsertPolicy(QComboBox::NoInsert);
    FCB1->setCompleter(nullptr);
    FCB1->setFixedSize(260, 21);
    FCB1->setStyleSheet(QStringLiteral("QComboBox { background: ") + colorFromNumber(ScreenLook::kAccent).name() +
                        QStringLiteral("; color: black; border: 1px solid black; }"));
    choice->addWidget(FCB1);
    choice->addSpacing(12);
    // Takes the rest of the line and shortens the count with "..." when it is narrow.
    Label6 = new TTACutLabel(this);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setAutoSize(false);
    choice->addWidget(Label6, 1);
    column->addLayout(choice);
    connect(FCB1, &QComboBox::currentIndexChanged, this, [this] { FCB1Change(); });
    connect(FCB1->lineEdit(), &QLineEdit::textEdited, this, &TEmpfFrame::senderTyped);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    QFont bold = font();
    bold.setBold(true);
    FlatSB1 = new TFlatSB(QStringLiteral("Hinzufügen"), this);
    FlatSB1->setFont(bold);
    connect(FlatSB1, &QAbstractButton::clicked, this, &TEmpfFrame::EmpfFNeuExecute);
    FlatSB2 = new TFlatSB(this);
    linkButtonToAction(FlatSB2, EmpfFMod);
    FlatSB3 = new TFlatSB(this);
    linkButtonToAction(FlatSB3, EmpfFImp);
    FlatSB5 = new TFlatSB(this);
    linkButtonToAction(FlatSB5, EmpfFDel);
    FlatSB4 = new TFlatSB(this);
    linkButtonToAction(FlatSB4, EmpfFNews);
    FlatSB4->setFont(bold);
    FlatSB4->setColor(colorFromNumber(ScreenLook::kAccent));
    FlatSB4->setColorBorder(Qt::black);
    const std::pair<TFlatSB*, const char*> named[] = {
        {FlatSB1, "FlatSB1"}, {FlatSB2, "FlatSB2"}, {FlatSB3, "FlatSB3"}, {FlatSB5, "FlatSB5"}, {FlatSB4, "FlatSB4"}};
    for (const auto& [button, name] : named) {
        button->setObjectName(QString::fromLatin1(name));
        button->setFixedSize(button == FlatSB4 ? 110 : 85, 25);
    }
    buttons->addWidget(FlatSB1);
    buttons->addWidget(FlatSB2);
    buttons->addWidget(FlatSB3);
    buttons->addWidget(FlatSB5);
    buttons->addStretch(1);
    buttons->addWidget(FlatSB4);
    column->addLayout(buttons);

    RxDBGrid1 = new TRecordGrid(m_dm.EmpfSource,
                                {{QStringLiteral("Firma"), 250},
                                 {QStringLiteral("Name"), 200},
                                 {QStringLiteral("Email"), 250},
                                 {QStringLiteral("Strasse"), 200},
                                 {QStringLiteral("PLZ"), 50},
                                 {QStringLiteral("Ort"), 200}},
                                false, this);
    RxDBGrid1->setObjectName(QStringLiteral("RxDBGrid1"));
    connect(RxDBGrid1, &QAbstractItemView::doubleClicked, this, &TEmpfFrame::RxDBGrid1DblClick);
    column->addWidget(RxDBGrid1, 1);
    column->addWidget(buildDetails());
}

QWidget* TEmpfFrame::buildDetails()
{
    QGridLayout* grid = ScreenLook::detailGrid(this);
    QWidget* details = grid->parentWidget();
    // A value takes the width of its text up to its own width (none: up to the space left) and
    // shortens a wider text with "...", also where the screen is narrower than both columns.
    for (const DetailRow& row : kDetailRows) {
        grid->addWidget(ScreenLook::caption(row.caption.toString(), details), row.line, row.at);
        TKubDBText* value = newDataLabel(m_dm.EmpfQuery, recipientField(row.field).column.toString(), details, this);
        value->setAutoSize(false);
        if (row.width > 0)
            value->setMaximumWidth(row.width);
        grid->addWidget(value, row.line, row.at + 1, Qt::AlignLeft);
    }
    grid->setColumnMinimumWidth(2, 30);
    grid->setColumnStretch(5, 1);
    return details;
}

void TEmpfFrame::updateCommands()
{
    m_updater->runIdleUpdates();
}

bool TEmpfFrame::hasChosenSender() const
{
    const int index = FCB1->currentIndex();
    return index >= 0 && index < m_senderChoices.size();
}

const TDBABSRecord& TEmpfFrame::chosenSender() const
{
    return m_senderChoices.at(FCB1->currentIndex());
}

void TEmpfFrame::LoadSenderChoices()
{
    m_senderChoices.clear();
    DbQuery& query = m_dm.AbsendQuery;
    try {
        ScreenDatabase::program(query, {QStringLiteral("SELECT ID,Firma FROM Verfasser")});
        query.open();
        for (query.first(); !query.eof(); query.next())
            m_senderChoices.append({query.fieldByName(QStringLiteral("Firma")).asString(),
                                    query.fieldByName(QStringLiteral("ID")).asInteger()});
    } catch (const std::exception&) {
        m_senderChoices.clear();
        MessageBoxes::error(QStringLiteral("Es ist ein Fehler beim Zugriff auf die Firmendatenbank aufgetreten!\r\n"
                                           "Das Zuordnen einer Firma zu den Empfängern ist nicht möglich."));
    }
    query.close();
}

void TEmpfFrame::senderTyped(const QString& text)
{
    // A typed text is no choice, even when it spells a sender's name (Enter picks that one).
    const int cursor = FCB1->lineEdit()->cursorPosition();
    {
        const QSignalBlocker quiet(FCB1);
        FCB1->setCurrentIndex(-1);
        FCB1->setEditText(text);
        FCB1->lineEdit()->setCursorPosition(cursor);
    }
    FCB1Change();
}

void TEmpfFrame::FCB1Change()
{
    if (FCB1->currentIndex() == -1) {
        Label6->clear();
        return;
    }
    if (m_senderChoices.isEmpty())
        return;
    try {
        if (!OpenRecipientList(chosenSender().ID))
            m_dbError = true;
        UpdateRecipientCount();
    } catch (const std::exception&) {
        Label6->clear();
    }
}

bool TEmpfFrame::OpenRecipientList(qint64 senderId)
{
    DbQuery& query = m_dm.EmpfQuery;
    try {
        ScreenDatabase::program(query, {QStringLiteral("SELECT * FROM Adressen"),
                                        QStringLiteral("WHERE AbsenderID = :ID"), QStringLiteral("ORDER BY Name")});
        query.param(0).setAsInteger(senderId);
        query.open();
        return true;
    } catch (const std::exception& e) {
        query.close();
        ScreenDatabase::showFailure(e);
        return false;
    }
}

void TEmpfFrame::UpdateRecipientCount()
{
    const DbQuery& query = m_dm.EmpfQuery;
    if (!query.isOpen())
        Label6->clear();
    else if (query.recordCount() >= 1)
        Label6->setText(QString::number(query.recordCount()) + QStringLiteral(" Empfänger für ausgewählten Absender"));
    else
        Label6->setText(QStringLiteral("Keine Empfänger für ausgewählten Absender"));
}

void TEmpfFrame::ReleaseData()
{
    m_dm.EmpfQuery.close();
    m_senderChoices.clear();
}

bool TEmpfFrame::rowsListed() const
{
    return m_dm.EmpfQuery.isOpen() && m_dm.EmpfQuery.recordCount() > 0 && RxDBGrid1->hasSelectedField();
}

void TEmpfFrame::EmpfFModUpdate()
{
    const bool enable = !m_dbError && rowsListed();
    setEnabledIfDifferent(EmpfFMod, enable);
    setEnabledIfDifferent(EmpfFDel, enable);
}

void TEmpfFrame::RxDBGrid1DblClick()
{
    if (rowsListed() && EmpfFMod->isEnabled())
        EmpfFMod->trigger();
}

TEmpfDataRecord& TEmpfFrame::NewRecord()
{
    m_record = std::make_unique<TEmpfDataRecord>();
    return *m_record;
}

void TEmpfFrame::EmpfFNeuExecute()
{
    if (!hasChosenSender()) {
        MessageBoxes::information(
            QStringLiteral("Bitte wählen Sie vor dem Hinzufügen von Empfängerdaten in der Auswahlliste,\r\n"
                           "mit der Überschrift \"Absender\", einen Absender aus.\r\n"
                           "Sollte kein Absender zur Auswahl stehen, fügen Sie bitte unter dem Menüpunkt\r\n"
                           "\"Bearbeiten / Absenderdaten\" einen neuen Absender hinzu."));
        return;
    }
    if (m_dm.EmpfQuery.isOpen())
        ScreenDatabase::runGuarded(kOperation, [this] { AddRecipient(); });
}

void TEmpfFrame::AddRecipient()
{
    const TDBABSRecord sender = chosenSender();
    TEmpfDataRecord& record = NewRecord();
    if (editInDialog(record, sender.Firma) && !InsertRecipient(record, sender.ID))
        m_dbError = true;
    FreeRecord();
}

bool TEmpfFrame::editInDialog(TEmpfDataRecord& record, const QString& senderFirma)
{
    TEmpfModForm dialog;
    dialog.LoadRecord(record, senderFirma);
    m_runDialog(dialog);
    if (dialog.Cancelled)
        return false;
    dialog.StoreRecord(record);
    return true;
}

bool TEmpfFrame::InsertRecipient(const TEmpfDataRecord& record, qint64 senderId)
{
    DbQuery& query = m_dm.EmpfQuery;
    const bool result = ScreenDatabase::runChange(query, true, [&] {
        if (!query.isOpen() && !OpenRecipientList(senderId))
            return false;
        query.append();
        query.fieldByName(QStringLiteral("AbsenderID")).setAsInteger(senderId);
        for (const RecipientFieldInfo& info : kRecipientFields)
            query.fieldByName(info.column.toString()).setAsString(record.text(info.field));
        query.fieldByName(QStringLiteral("Status")).setAsInteger(0);
        query.fieldByName(QStringLiteral("Send")).setAsBoolean(record.Send);
        query.post();
        return OpenRecipientList(senderId);
    });
    UpdateRecipientCount();
    return result;
}

void TEmpfFrame::EmpfFModExecute()
{
    if (hasChosenSender())
        ScreenDatabase::runGuarded(kOperation, [this] { EditRecipient(); });
}

void TEmpfFrame::EditRecipient()
{
    const TDBABSRecord sender = chosenSender();
    TEmpfDataRecord& record = NewRecord();
    qint64 recipientId = 0;
    try {
        recipientId = m_dm.EmpfQuery.fieldByName(QStringLiteral("ID")).asInteger();
        LoadRecipientRecord(record);
    } catch (const std::exception& e) {
        FreeRecord();
        ScreenDatabase::showFailure(e);
        return;
    }
    if (editInDialog(record, sender.Firma) && !UpdateRecipient(record, sender.ID, recipientId))
        m_dbError = true;
    FreeRecord();
}

void TEmpfFrame::LoadRecipientRecord(TEmpfDataRecord& record)
{
    DbQuery& query = m_dm.EmpfQuery;
    for (const RecipientFieldInfo& info : kRecipientFields)
        record.text(info.field) = query.fieldByName(info.column.toString()).asString();
    record.Status = static_cast<int>(query.fieldByName(QStringLiteral("Status")).asInteger());
    record.Send = query.fieldByName(QStringLiteral("Send")).asBoolean();
}

bool TEmpfFrame::UpdateRecipient(const TEmpfDataRecord& record, qint64 senderId, qint64 recipientId)
{
    DbQuery& query = m_dm.EmpfQuery;
    const bool result = ScreenDatabase::runChange(query, true, [&] {
        QStringList assignments;
        for (const RecipientFieldInfo& info : kRecipientFields)
            assignments.append(info.column.toString() + QStringLiteral(" = :") + info.column.toString());
        ScreenDatabase::program(
            query, {QStringLiteral("UPDATE Adressen"),
                    QStringLiteral("SET ") + assignments.join(u',') + QStringLiteral(",Status = :Status,Send = :Send"),
                    QStringLiteral("WHERE ID = :I and AbsenderID = :AID")});
        for (const RecipientFieldInfo& info : kRecipientFields)
            query.param(static_cast<int>(info.field)).setAsString(record.text(info.field));
        query.param(kRecipientFieldCount).setAsInteger(record.Status);
        query.param(kRecipientFieldCount + 1).setAsBoolean(record.Send);
        query.param(kRecipientFieldCount + 2).setAsInteger(recipientId);
        query.param(kRecipientFieldCount + 3).setAsInteger(senderId);
        query.execSql();
        return OpenRecipientList(senderId);
    });
    UpdateRecipientCount();
    return result;
}

void TEmpfFrame::EmpfFDelExecute()
{
    if (!hasChosenSender())
        return;
    ScreenDatabase::runGuarded(kOperation, [this] {
        const qint64 senderId = chosenSender().ID;
        qint64 recipientId = 0;
        QString shownName;
        try {
            DbQuery& query = m_dm.EmpfQuery;
            recipientId = query.fieldByName(QStringLiteral("ID")).asInteger();
            shownName = query.fieldByName(QStringLiteral("Firma")).asString();
            if (shownName.isEmpty())
                shownName = query.fieldByName(QStringLiteral("Name")).asString();
        } catch (const std::exception& e) {
            ScreenDatabase::showFailure(e);
            return;
        }
        if (MessageBoxes::askYesNo(QStringLiteral("Empfänger \"") + shownName + QStringLiteral("\" jetzt löschen?")) &&
            !DeleteRecipient(senderId, recipientId))
            m_dbError = true;
    });
}

bool TEmpfFrame::DeleteRecipient(qint64 senderId, qint64 recipientId)
{
    DbQuery& query = m_dm.EmpfQuery;
    const bool result = ScreenDatabase::runChange(query, false, [&] {
        ScreenDatabase::program(
            query, {QStringLiteral("DELETE FROM Adressen"), QStringLiteral("WHERE AbsenderID = :AID and ID = :ID")});
        query.param(0).setAsInteger(senderId);
        query.param(1).setAsInteger(recipientId);
        DbTransaction transaction(m_dm.AdsConnection1);
        query.execSql();
        transaction.commit();
        return OpenRecipientList(senderId);
    });
    UpdateRecipientCount();
    return result;
}

void TEmpfFrame::EmpfFImpExecute()
{
    const std::optional<TDBABSRecord> sender =
        hasChosenSender() ? std::optional<TDBABSRecord>(chosenSender()) : std::nullopt;
    if (RunRecipientImport(sender, m_dm, m_runDialog)) {
        OpenRecipientList(sender->ID);
        UpdateRecipientCount();
    }
}

void TEmpfFrame::EmpfFNewsExecute()
{
    if (m_newsletterCommand)
        m_newsletterCommand(hasChosenSender() ? std::optional<qint64>(chosenSender().ID) : std::nullopt);
}
