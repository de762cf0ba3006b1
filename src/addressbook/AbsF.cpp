#include "addressbook/AbsF.h"

#include "addressbook/AMFForm.h"
#include "addressbook/QueryFieldText.h"
#include "addressbook/RecordGrid.h"
#include "addressbook/ScreenLook.h"
#include "controls/ActionButton.h"
#include "controls/ColorNumber.h"
#include "controls/TFlatSB.h"
#include "controls/TKubDBText.h"
#include "core/CredentialCodec.h"
#include "core/DM.h"
#include "desktop/CommandUpdater.h"
#include "desktop/MessageBoxes.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

const QString kOperation = QStringLiteral("Absenderdaten");

// The stored form of a user name or password: encoded, or '' for an empty value.
QString storedCredential(const QString& value)
{
    return value.isEmpty() ? QString() : EncodeCredential(value);
}

QString readCredential(const QString& stored)
{
    return stored.isEmpty() ? QString() : DecodeCredential(stored);
}

} // namespace

TAbsFrame::TAbsFrame(TDM2& dm, QWidget* parent, TDialogRunner runDialog)
    : QFrame(parent), m_dm(dm), m_runDialog(std::move(runDialog)), m_updater(new CommandUpdater(this))
{
    setObjectName(QStringLiteral("AbsFrame"));
    ScreenLook::styleSurface(this);
    AbsFNeu = new QAction(QStringLiteral("Hinzufügen"), this);
    AbsFNeu->setObjectName(QStringLiteral("AbsFNeu"));
    AbsFMod = new QAction(QStringLiteral("Bearbeiten"), this);
    AbsFMod->setObjectName(QStringLiteral("AbsFMod"));
    AbsFDel = new QAction(QStringLiteral("Löschen"), this);
    AbsFDel->setObjectName(QStringLiteral("AbsFDel"));
    connect(AbsFNeu, &QAction::triggered, this, &TAbsFrame::AbsFNeuExecute);
    connect(AbsFMod, &QAction::triggered, this, &TAbsFrame::AbsFModExecute);
    connect(AbsFDel, &QAction::triggered, this, &TAbsFrame::AbsFDelExecute);
    buildLayout();
    // One handler decides all three commands and the grid.
    m_updater->addCommand(AbsFNeu, [this](QAction*) { AbsFNeuUpdate(); });
}

TAbsFrame::~TAbsFrame() = default;

void TAbsFrame::buildLayout()
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(8);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    FlatSB1 = new TFlatSB(this);
    FlatSB1->setObjectName(QStringLiteral("FlatSB1"));
    FlatSB2 = new TFlatSB(this);
    FlatSB2->setObjectName(QStringLiteral("FlatSB2"));
    FlatSB3 = new TFlatSB(this);
    FlatSB3->setObjectName(QStringLiteral("FlatSB3"));
    linkButtonToAction(FlatSB1, AbsFNeu);
    linkButtonToAction(FlatSB2, AbsFMod);
    linkButtonToAction(FlatSB3, AbsFDel);
    for (TFlatSB* button : {FlatSB1, FlatSB2, FlatSB3})
        button->setFixedSize(85, 25);
    buttons->addWidget(FlatSB1);
    buttons->addWidget(FlatSB2);
    buttons->addSpacing(30);
    buttons->addWidget(FlatSB3);
    buttons->addStretch(1);
    column->addLayout(buttons);

    RxDBGrid1 = new TRecordGrid(
        m_dm.AbsendSource,
        {{QStringLiteral("Firma"), 260}, {QStringLiteral("Strasse"), 260}, {QStringLiteral("Ort"), 200}}, true, this);
    RxDBGrid1->setObjectName(QStringLiteral("RxDBGrid1"));
    connect(RxDBGrid1, &QAbstractItemView::doubleClicked, this, &TAbsFrame::RxDBGrid1DblClick);
    column->addWidget(RxDBGrid1, 1);
    column->addWidget(buildDetails());
}

QWidget* TAbsFrame::buildDetails()
{
    QGridLayout* grid = ScreenLook::detailGrid(this);
    QWidget* details = grid->parentWidget();
    auto value = [&](const char* field) { return newDataLabel(m_dm.AbsendQuery, field, details, this); };
    auto row = [&](int line, int at, const QString& caption, QWidget* shown) {
        grid->addWidget(ScreenLook::caption(caption, details), line, at);
        grid->addWidget(shown, line, at + 1);
    };

    grid->addWidget(ScreenLook::heading(QStringLiteral("Absenderdaten"), details), 0, 0, 1, 2);
    row(1, 0, QStringLiteral("Firma:"), value("Firma"));
    row(2, 0, QStringLiteral("Strasse:"), value("Strasse"));
    auto* place = new QWidget(details);
    auto* placeLine = new QHBoxLayout(place);
    placeLine->setContentsMargins(0, 0, 0, 0);
    placeLine->setSpacing(0);
    TKubDBText* plz = value("PLZ");
    plz->setAutoSize(false);
    plz->setFixedWidth(73);
    placeLine->addWidget(plz);
    placeLine->addWidget(value("Ort"));
    placeLine->addStretch(1);
    row(3, 0, QStringLiteral("PLZ/Ort:"), place);
    row(4, 0, QStringLiteral("Tel.:"), value("Tel"));
    row(5, 0, QStringLiteral("Fax:"), value("Fax"));
    row(6, 0, QStringLiteral("E-mail:"), value("Firmenemail"));
    row(7, 0, QStringLiteral("Web:"), value("Web"));

    grid->addWidget(ScreenLook::heading(QStringLiteral("Verfasserdaten"), details), 0, 3, 1, 2);
    row(1, 3, QStringLiteral("Verfasser:"), value("Verfasser"));
    row(2, 3, QStringLiteral("Email:"), value("Email"));
    grid->setColumnMinimumWidth(2, 30);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);
    return details;
}

void TAbsFrame::updateCommands()
{
    m_updater->runIdleUpdates();
}

void TAbsFrame::OpenData()
{
    if (!OpenSenderList())
        m_dbError = true;
}

bool TAbsFrame::OpenSenderList()
{
    try {
        ScreenDatabase::program(m_dm.AbsendQuery,
                                {QStringLiteral("SELECT * FROM Verfasser"), QStringLiteral("ORDER BY Firma")});
        m_dm.AbsendQuery.open();
        return true;
    } catch (const std::exception& e) {
        ScreenDatabase::showFailure(e);
        return false;
    }
}

void TAbsFrame::AbsFNeuUpdate()
{
    auto set = [](QAction* command, bool enabled) {
        if (command->isEnabled() != enabled)
            command->setEnabled(enabled);
    };
    if (m_dbError) {
        RxDBGrid1->setEnabled(false);
        set(AbsFNeu, false);
        set(AbsFMod, false);
        set(AbsFDel, false);
        return;
    }
    const bool rowChosen = RxDBGrid1->hasSelectedField() && !RxDBGrid1->selectedFieldText().isEmpty();
    set(AbsFMod, rowChosen);
    set(AbsFDel, rowChosen);
}

void TAbsFrame::RxDBGrid1DblClick()
{
    if (AbsFMod->isEnabled())
        AbsFMod->trigger();
}

TAbsenderDataRecord& TAbsFrame::NewRecord()
{
    m_record = std::make_unique<TAbsenderDataRecord>();
    return *m_record;
}

void TAbsFrame::reopenAfterFailure()
{
    if (!OpenSenderList())
        m_dbError = true;
}

void TAbsFrame::AbsFNeuExecute()
{
    if (m_dm.AbsendQuery.isOpen())
        ScreenDatabase::runGuarded(kOperation, [this] { AddSender(); });
}

void TAbsFrame::AddSender()
{
    TAbsenderDataRecord& record = NewRecord();
    if (editInDialog(record) && !InsertSender(record))
        reopenAfterFailure();
    FreeRecord();
}

bool TAbsFrame::editInDialog(TAbsenderDataRecord& record)
{
    TAbsModForm dialog;
    dialog.LoadRecord(record);
    m_runDialog(dialog);
    if (dialog.Cancelled)
        return false;
    dialog.StoreRecord(record);
    return true;
}

bool TAbsFrame::InsertSender(const TAbsenderDataRecord& record)
{
    DbQuery& query = m_dm.AbsendQuery;
    return ScreenDatabase::runChange(query, true, [&] {
        if (!query.isOpen() && !OpenSenderList())
            return false;
        query.append();
        const std::pair<const char*, const QString*> fields[] = {{"Firma", &record.Firma},
                                                                 {"Strasse", &record.Strasse},
                                                                 {"PLZ", &record.PLZ},
                                                                 {"Ort", &record.Ort},
                                                                 {"Tel", &record.Tel},
                                                                 {"Fax", &record.Fax},
                                                                 {"Firmenemail", &record.Firmenemail},
                                                                 {"Web", &record.Web},
                                                                 {"Verfasser", &record.Verfasser},
                                                                 {"Email", &record.Email},
                                                                 {"Host", &record.Host}};
        for (const auto& [name, value] : fields)
            query.fieldByName(QString::fromLatin1(name)).setAsString(*value);
        query.fieldByName(QStringLiteral("UserID")).setAsString(storedCredential(record.UserID));
        query.fieldByName(QStringLiteral("UserPW")).setAsString(storedCredential(record.UserPW));
        query.post();
        return OpenSenderList();
    });
}

void TAbsFrame::AbsFModExecute()
{
    ScreenDatabase::runGuarded(kOperation, [this] { EditSender(); });
}

void TAbsFrame::EditSender()
{
    TAbsenderDataRecord& record = NewRecord();
    qint64 senderId = 0;
    try {
        senderId = m_dm.AbsendQuery.fieldByName(QStringLiteral("ID")).asInteger();
        LoadSenderRecord(record);
    } catch (const std::exception& e) {
        // A stored user name or password that does not decode: no dialog on wrong data.
        FreeRecord();
        ScreenDatabase::showFailure(e);
        return;
    }
    if (editInDialog(record) && !UpdateSender(record, senderId))
        reopenAfterFailure();
    FreeRecord();
}

void TAbsFrame::LoadSenderRecord(TAbsenderDataRecord& record)
{
    DbQuery& query = m_dm.AbsendQuery;
    auto text = [&query](const char* name) { return query.fieldByName(QString::fromLatin1(name)).asString(); };
    record.Firma = text("Firma");
    record.Strasse = text("Strasse");
    record.PLZ = text("PLZ");
    record.Ort = text("Ort");
    record.Tel = text("Tel");
    record.Fax = text("Fax");
    record.Firmenemail = text("Firmenemail");
    record.Web = text("Web");
    record.Verfasser = text("Verfasser");
    record.Email = text("Email");
    record.Host = text("Host");
    record.UserID = readCredential(text("UserID"));
    record.UserPW = readCredential(text("UserPW"));
}

bool TAbsFrame::UpdateSender(const TAbsenderDataRecord& record, qint64 senderId)
{
    DbQuery& query = m_dm.AbsendQuery;
    return ScreenDatabase::runChange(query, true, [&] {
        ScreenDatabase::program(
            query,
            {QStringLiteral("UPDATE Verfasser"),
             QStringLiteral("SET Firma = :Firma,Strasse = :Strasse,PLZ = :PLZ,Ort = :Ort,Tel = :Tel,Fax = "
                            ":Fax,Firmenemail = :Firmenemail,Web = :Web,Verfasser = :Verfasser,Email = :Email,"),
             QStringLiteral("Host = :Host,UserID = :UserID,UserPW = :UserPW"), QStringLiteral("WHERE ID = :ID")});
        const QString values[] = {record.Firma,
                                  record.Strasse,
                                  record.PLZ,
                                  record.Ort,
                                  record.Tel,
                                  record.Fax,
                                  record.Firmenemail,
                                  record.Web,
                                  record.Verfasser,
                                  record.Email,
                                  record.Host,
                                  storedCredential(record.UserID),
                                  storedCredential(record.UserPW)};
        int index = 0;
        for (const QString& value : values)
            query.param(index++).setAsString(value);
        query.param(index).setAsInteger(senderId);
        query.execSql();
        return OpenSenderList();
    });
}

void TAbsFrame::AbsFDelExecute()
{
    ScreenDatabase::runGuarded(kOperation, [this] {
        qint64 senderId = 0;
        QString shownName;
        try {
            senderId = m_dm.AbsendQuery.fieldByName(QStringLiteral("ID")).asInteger();
            shownName = m_dm.AbsendQuery.fieldByName(QStringLiteral("Firma")).asString();
        } catch (const std::exception& e) {
            ScreenDatabase::showFailure(e);
            return;
        }
        const QString question = QStringLiteral("Wenn Sie den Absender löschen, werden alle zugehörigen\r\n"
                                                "Empfänger ebenfalls gelöscht!\r\n\r\nAbsender \"") +
                                 shownName + QStringLiteral("\" jetzt löschen?");
        if (MessageBoxes::askYesNo(question) && !DeleteSenderCascade(senderId))
            reopenAfterFailure();
    });
}

bool TAbsFrame::DeleteSenderCascade(qint64 senderId)
{
    return ScreenDatabase::runChange(m_dm.AbsendQuery, false, [&] {
        ScreenDatabase::program(m_dm.EmpfQuery,
                                {QStringLiteral("DELETE FROM Adressen"), QStringLiteral("WHERE AbsenderID = :ID")});
        m_dm.EmpfQuery.param(0).setAsInteger(senderId);
        ScreenDatabase::program(m_dm.AbsendQuery,
                                {QStringLiteral("DELETE FROM Verfasser"), QStringLiteral("WHERE ID = :ID")});
        m_dm.AbsendQuery.param(0).setAsInteger(senderId);
        // Both deletions or neither: the guard rolls back unless committed.
        DbTransaction transaction(m_dm.AdsConnection1);
        m_dm.EmpfQuery.execSql();
        m_dm.AbsendQuery.execSql();
        transaction.commit();
        return OpenSenderList();
    });
}
