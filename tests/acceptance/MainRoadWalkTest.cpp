#include "UserDriver.h"
#include "addressbook/AbsF.h"
#include "addressbook/AssiAbsenderForm.h"
#include "addressbook/EmpfF.h"
#include "addressbook/ImpCheckForm.h"
#include "addressbook/ImpForm.h"
#include "app/KubNewsProgram.h"
#include "app/Main.h"
#include "backup/BackupUSPForm.h"
#include "backup/DirDialogForm.h"
#include "controls/FlatTreeView.h"
#include "controls/FsDirectoryTree.h"
#include "controls/FsFileListBox.h"
#include "core/OptionForm.h"
#include "core/PathSelectForm.h"
#include "mail/AiosmtpdServer.h"
#include "mail/MailTestSupport.h"
#include "mailing/BetreffForm.h"
#include "mailing/LogViewForm.h"
#include "mailing/NewsCheckForm.h"
#include "mailing/NewsForm.h"
#include "mailing/NewsPreview.h"
#include "mailing/PrintOptionsDialog.h"
#include "mailing/SendWorkflow.h"
#include "mailing/UserSpass.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QProcess>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>
#include <thread>

namespace {

const QString kSender = QStringLiteral("Zeitung Nord");
const QString kUser = QStringLiteral("newsuser");
const QString kPassword = QStringLiteral("pässword");
const QString kSubject = QStringLiteral("Monatsbrief März - Grüße aus Hamburg");

// The variables of a fresh user account, pointed into a temporary folder for one test, and put
// back at its end. Nothing of the program's own overrides is set: its first run provisions.
class FreshAccount {
public:
    FreshAccount()
    {
        const QString base = m_root.path();
        for (const char* folder : {"home", "config", "data", "run"})
            QDir().mkpath(base + u'/' + QLatin1String(folder));
        QFile::setPermissions(base + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        set("HOME", base + QStringLiteral("/home"));
        set("XDG_CONFIG_HOME", base + QStringLiteral("/config"));
        set("XDG_DATA_HOME", base + QStringLiteral("/data"));
        set("XDG_RUNTIME_DIR", base + QStringLiteral("/run"));
        set("KUBNEWS_REGISTRY", QString());
        set("KUBNEWS_HOME", QString());
    }
    ~FreshAccount()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->wasSet)
                qputenv(it->name, it->value);
            else
                qunsetenv(it->name);
        }
    }
    FreshAccount(const FreshAccount&) = delete;
    FreshAccount& operator=(const FreshAccount&) = delete;

    QString path(const QString& relative) const { return m_root.path() + u'/' + relative; }
    QString workFolder() const { return path(QStringLiteral("data/kubNEWSLETTER")); }
    QString databaseFolder() const { return workFolder() + QStringLiteral("/Datenbank"); }

private:
    struct Saved {
        const char* name;
        QByteArray value;
        bool wasSet;
    };
    void set(const char* name, const QString& value)
    {
        m_saved.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value.toUtf8());
    }

    QTemporaryDir m_root;
    std::vector<Saved> m_saved;
};

// Rows of the database files, read on a connection of its own (on the calling thread).
QStringList databaseRows(const QString& folder, const QString& sql)
{
    const QString name = QStringLiteral("walk-check");
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(folder + QStringLiteral("/Verfasser.ADT"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery attach(db);
            attach.exec(QStringLiteral("ATTACH DATABASE '%1/Adressen.ADT' AS Adressen").arg(folder));
            QSqlQuery query(db);
            if (query.exec(sql)) {
                while (query.next()) {
                    QStringList values;
                    for (int i = 0; i < query.record().count(); ++i)
                        values << query.value(i).toString();
                    rows << values.join(u'|');
                }
            } else {
                rows << QStringLiteral("query failed: ") + sql;
            }
        } else {
            rows << QStringLiteral("open failed: ") + folder;
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

QString pdfText(const QString& file)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    if (!pdftotext.waitForFinished(60000))
        return {};
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

TMainForm* findMainWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* main = qobject_cast<TMainForm*>(window))
            return main;
    }
    return nullptr;
}

// The walk along the main road, one stretch after the other, as a new user goes it: mouse and
// keys only, results read from the database files, the mails the server received, the log file
// and the PDF.
class MainRoadWalk : public ::testing::Test {
protected:
    FreshAccount account;
    AiosmtpdServer server{{kUser, kPassword, true}};
    UserDriver user;
    QString csvFile;

    void SetUp() override
    {
        ASSERT_NE(server.port(), 0) << server.startError().toStdString();
        // Written as a spreadsheet program writes its CSV: Windows-1252, CR LF, ";" between
        // fields, quotes around a field that holds ";" or quotes, a blank line at the end.
        csvFile = account.path(QStringLiteral("home/Empfänger.csv"));
        QFile csv(csvFile);
        ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
        const QString text =
            QStringLiteral("Anrede;Vorname;Nachname;Firma;Straße;PLZ;Ort;E-Mail\r\n"
                           "Herr;Jürgen;Öztürk;\"Bäckerei \"\"Zum Korn\"\"; Filiale Nord\";Mühlenweg 3;20095;Hamburg;"
                           "juergen.oeztuerk@example.org\r\n"
                           "Frau;Anna;Adam;;Hauptstraße 1;10115;Berlin;anna.adam@example.org\r\n"
                           ";Karl;Bauer;Bauer & Co. KG;;80331;München;karl.bauer@example.org\r\n"
                           "\r\n");
        csv.write(text.toLatin1());
    }

    TMainForm* mainWindow() { return user.onGui(findMainWindow); }
    TEmpfFrame* recipientScreen()
    {
        return user.onGui([]() -> TEmpfFrame* {
            TMainForm* main = findMainWindow();
            return main ? main->findChild<TEmpfFrame*>() : nullptr;
        });
    }

    // The rows one per line, for readable failures.
    std::string rows(const QString& sql)
    {
        return databaseRows(account.databaseFolder(), sql).join(u'\n').toStdString();
    }
    static std::string lines(const QStringList& expected) { return expected.join(u'\n').toStdString(); }

    // Waits for the modal dialog and fails the stretch with the text of a box that came instead.
    template <class W> W* expectModal(const QString& objectName = {})
    {
        W* dialog = user.waitForModal<W>(objectName);
        if (!dialog) {
            const QString other = user.onGui([]() -> QString {
                QWidget* modal = QApplication::activeModalWidget();
                if (auto* box = qobject_cast<QMessageBox*>(modal))
                    return QStringLiteral("message box: ") + box->text();
                QString found = modal
                                    ? QStringLiteral("modal: ") + QString::fromLatin1(modal->metaObject()->className())
                                    : QStringLiteral("no modal window");
                for (QWidget* window : QApplication::topLevelWidgets()) {
                    if (window->isVisible())
                        found += QStringLiteral(", shown: ") + QString::fromLatin1(window->metaObject()->className()) +
                                 u' ' + window->windowTitle();
                }
                return found;
            });
            ADD_FAILURE() << "expected " << W::staticMetaObject.className() << " " << objectName.toStdString()
                          << ", found " << other.toStdString();
        }
        return dialog;
    }

    void clickButton(QWidget* parent, const QString& text)
    {
        QAbstractButton* button = user.button(parent, text);
        ASSERT_NE(button, nullptr) << text.toStdString();
        ASSERT_TRUE(user.waitUntil([button] { return button->isEnabled(); }))
            << text.toStdString() << " stays disabled";
        user.click(button);
    }

    // Clicks the recipient screen's button and waits for the dialog it opens.
    template <class W> W* openFromRecipientScreen(const QString& button, const QString& dialog)
    {
        TEmpfFrame* screen = recipientScreen();
        if (!screen) {
            ADD_FAILURE() << "the recipient screen is not shown";
            return nullptr;
        }
        clickButton(screen, button);
        return HasFatalFailure() ? nullptr : expectModal<W>(dialog);
    }

    void typeInto(QWidget* parent, const QString& objectName, const QString& text)
    {
        auto* edit = user.child<QLineEdit>(parent, objectName);
        ASSERT_NE(edit, nullptr) << objectName.toStdString();
        user.type(edit, text);
        ASSERT_TRUE(user.waitUntil([edit, text] { return edit->text() == text; }))
            << objectName.toStdString() << " reads " << user.onGui([edit] { return edit->text(); }).toStdString();
    }

public:
    void walkWizard();
    void walkSenderAndRecipientScreens();
    void addRecipient(const QStringList& values);
    void walkImport();
    void walkNewsletter();
    void walkLogAndPrinting();
    void walkSettings();
    void walkBackupAndRestore();
    void walkQuit();

private:
    // The progress window of backup and restore while it is shown.
    TBackupUSPForm* progressWindow()
    {
        return user.onGui([]() -> TBackupUSPForm* {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (auto* progress = qobject_cast<TBackupUSPForm*>(window); progress && progress->isVisible())
                    return progress;
            }
            return nullptr;
        });
    }
    // A dialog of the run shows above the progress window: it is its child, and the window
    // has left its place on top of every other window meanwhile.
    void expectAboveProgress(QWidget* dialog, const char* what)
    {
        TBackupUSPForm* progress = progressWindow();
        ASSERT_NE(progress, nullptr) << what;
        EXPECT_TRUE(user.onGui([dialog, progress] {
            return dialog->parentWidget() == progress && !progress->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        })) << what;
    }
    // A folder tree opens at the home folder with that folder selected; a click on it gives the
    // tree the keyboard (the window may not be active yet), the arrow key opens it.
    void openHomeFolder(TFsDirectoryTree* tree)
    {
        const QString home = account.path(QStringLiteral("home"));
        ASSERT_TRUE(user.waitUntil([tree, home] { return tree->directory() == home; }))
            << user.onGui([tree] { return tree->directory(); }).toStdString();
        const QPoint homeItem = user.onGui([tree] { return tree->visualItemRect(tree->currentItem()).center(); });
        user.clickAt(user.onGui([tree] { return tree->viewport(); }), homeItem);
        ASSERT_TRUE(user.waitUntil([tree] { return tree->window()->focusWidget() == tree; }));
        user.key(tree, Qt::Key_Right);
        ASSERT_TRUE(user.waitUntil([tree] {
            return !tree->findItems(QStringLiteral("Sicherung"), Qt::MatchExactly | Qt::MatchRecursive).isEmpty();
        }));
    }
    // The arrow key moves down the tree until the folder is the current one.
    void keyDownTo(TFsDirectoryTree* tree, const QString& folder)
    {
        const auto current = [tree] { return tree->currentItem() ? tree->currentItem()->text(0) : QString(); };
        for (int step = 0; step < 20 && user.onGui(current) != folder; ++step) {
            const QString before = user.onGui(current);
            user.key(tree, Qt::Key_Down);
            ASSERT_TRUE(user.waitUntil([&] { return current() != before; })) << before.toStdString();
        }
        ASSERT_EQ(user.onGui(current), folder);
    }
    void expectBox(const QString& text, const QString& button, const char* shot)
    {
        QString shown;
        QMessageBox* box = user.waitForMessageBox(&shown);
        ASSERT_NE(box, nullptr) << text.toStdString();
        EXPECT_EQ(shown, text);
        user.snapshotScreen(QString::fromLatin1(shot));
        ASSERT_TRUE(user.answer(box, button)) << button.toStdString();
    }
};

void MainRoadWalk::walkWizard()
{
    auto* wizard = expectModal<TAssiAbsenderForm>(QStringLiteral("AssiAbsenderForm"));
    ASSERT_NE(wizard, nullptr);
    EXPECT_TRUE(user.onGui([] { return findMainWindow() && findMainWindow()->isVisible(); }));

    const struct {
        const char* frame;
        std::vector<std::pair<const char*, QString>> values;
    } steps[] = {
        {"AssiAllgemeinFrame", {}},
        {"AssiAbsAdressFrame",
         {{"FE1", kSender},
          {"FE2", QStringLiteral("Hafenstraße 1")},
          {"FE3", QStringLiteral("20095")},
          {"FE4", QStringLiteral("Hamburg")}}},
        {"AssiAbsKommFrame",
         {{"FE1", QStringLiteral("040 1234")},
          {"FE3", QStringLiteral("info@nord.example")},
          {"FE4", QStringLiteral("www.nord.example")}}},
        {"AssiAbsVerfasserFrame", {{"FE1", QStringLiteral("Jana Kiel")}, {"FE2", QStringLiteral("jana@nord.example")}}},
        {"AssiAbsSMTPFrame", {{"FE1", QStringLiteral("127.0.0.1")}, {"FE2", kUser}, {"FE3", kPassword}}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.frame);
        const QString name = QString::fromLatin1(step.frame);
        ASSERT_TRUE(user.waitUntil([wizard, name] {
            auto* frame = wizard->findChild<QWidget*>(name);
            return frame && frame->isVisible();
        }));
        auto* frame = user.child<QWidget>(wizard, name);
        for (const auto& [edit, value] : step.values)
            ASSERT_NO_FATAL_FAILURE(typeInto(frame, QString::fromLatin1(edit), value));
        user.snapshot(wizard, QStringLiteral("wizard-") + name);
        ASSERT_NO_FATAL_FAILURE(clickButton(wizard, QStringLiteral("Weiter >")));
    }
    ASSERT_TRUE(user.waitUntil([wizard] {
        auto* frame = wizard->findChild<QWidget*>(QStringLiteral("AssiAbsSchlussFrame"));
        return frame && frame->isVisible();
    }));
    user.snapshot(wizard, QStringLiteral("wizard-end"));
    ASSERT_NO_FATAL_FAILURE(clickButton(wizard, QStringLiteral("Fertigstellen")));
    ASSERT_TRUE(user.waitForNoModal());

    EXPECT_EQ(rows(QStringLiteral("SELECT ID, Firma, Strasse, PLZ, Ort, Tel, Firmenemail, Web, Verfasser, Email, "
                                  "Host FROM Verfasser")),
              lines({QStringLiteral("1|Zeitung Nord|Hafenstraße 1|20095|Hamburg|040 1234|info@nord.example|"
                                    "www.nord.example|Jana Kiel|jana@nord.example|127.0.0.1")}));
}

void MainRoadWalk::walkSenderAndRecipientScreens()
{
    TMainForm* main = mainWindow();
    ASSERT_NE(main, nullptr);
    auto* tree = user.child<TFlatTreeView>(main, QStringLiteral("NavTV1"));
    ASSERT_NE(tree, nullptr);

    user.clickItem(tree, QStringLiteral("Absenderdaten"));
    ASSERT_TRUE(user.waitUntil([main] {
        auto* screen = main->findChild<TAbsFrame*>();
        return screen && screen->isVisible();
    }));

    user.snapshot(main, QStringLiteral("senders"));
    user.clickItem(tree, QStringLiteral("Empfängerdaten"));
    ASSERT_TRUE(user.waitUntil([main] {
        auto* screen = main->findChild<TEmpfFrame*>();
        return screen && screen->isVisible();
    }));
    auto* screen = user.onGui([main] { return main->findChild<TEmpfFrame*>(); });
    auto* senders = user.child<QComboBox>(screen, QStringLiteral("FCB1"));
    ASSERT_NE(senders, nullptr);
    // The sender is chosen from the combo's list, as with the mouse: its arrow, then the entry.
    user.clickAt(senders, user.onGui([senders] { return QPoint(senders->width() - 6, senders->height() / 2); }));
    ASSERT_TRUE(user.waitUntil([senders] { return senders->view()->isVisible(); })) << "the sender list did not open";
    // The list takes no release within a double-click time of opening; a user clicks again.
    bool chosen = false;
    for (int attempt = 0; attempt < 30 && !chosen; ++attempt) {
        user.clickItem(senders->view(), kSender);
        chosen =
            user.waitUntil([senders] { return senders->currentText() == kSender && !senders->view()->isVisible(); },
                           QApplication::doubleClickInterval());
    }
    ASSERT_TRUE(chosen) << "the sender could not be chosen from the list";
    auto* count = user.child<QLabel>(screen, QStringLiteral("Label6"));
    ASSERT_NE(count, nullptr);
    EXPECT_TRUE(user.waitUntil(
        [count] { return count->text() == QStringLiteral("Keine Empfänger für ausgewählten Absender"); }));

    ASSERT_NO_FATAL_FAILURE(
        addRecipient({QStringLiteral("Nordlicht GmbH"), QStringLiteral("Frau"), QStringLiteral("Inge"),
                      QStringLiteral("Ahrens"), QStringLiteral("inge.ahrens@example.org")}));
    ASSERT_NO_FATAL_FAILURE(addRecipient({QString(), QStringLiteral("Herr"), QStringLiteral("Ole"),
                                          QStringLiteral("Brandt"), QStringLiteral("ole.brandt@example.org")}));
    EXPECT_TRUE(user.waitUntil([count] {
        return count->text() == QStringLiteral("2 Empfänger für ausgewählten Absender");
    })) << user.onGui([count] { return count->text(); }).toStdString();
    user.snapshot(main, QStringLiteral("recipients"));
    // A hosted screen wider than the window leaves the tree its width.
    EXPECT_FALSE(user.onGui([tree] {
        const QList<QTreeWidgetItem*> found =
            tree->findItems(QStringLiteral("Empfängerdaten"), Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() || tree->isTextCut(tree->indexFromItem(found.first()));
    })) << "the navigation tree is squeezed";
    // The count is written in white on the screen's colour, as every caption there.
    const auto brightest = [](QLabel* label) {
        const QImage shown = label->grab().toImage();
        int lightest = 0;
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x)
                lightest = std::max(lightest, qGray(shown.pixel(x, y)));
        }
        return lightest;
    };
    auto* caption = user.child<QLabel>(screen, QStringLiteral("Label1"));
    EXPECT_GE(user.onGui([&] { return brightest(count); }), 200);
    EXPECT_EQ(user.onGui([&] { return brightest(count); }), user.onGui([&] { return brightest(caption); }));
    EXPECT_EQ(rows(QStringLiteral("SELECT AbsenderID, Firma, Anrede, Vorname, Name, Email, Send FROM Adressen "
                                  "ORDER BY ID")),
              lines({QStringLiteral("1|Nordlicht GmbH|Frau|Inge|Ahrens|inge.ahrens@example.org|1"),
                     QStringLiteral("1||Herr|Ole|Brandt|ole.brandt@example.org|1")}));
}

// Firma, Anrede, Vorname, Name, E-mail typed into the recipient dialog.
void MainRoadWalk::addRecipient(const QStringList& values)
{
    auto* dialog = openFromRecipientScreen<QDialog>(QStringLiteral("Hinzufügen"), QStringLiteral("EmpfModForm"));
    ASSERT_NE(dialog, nullptr);
    const char* edits[] = {"FE12", "FE1", "FE13", "FE2", "FE11"};
    for (int i = 0; i < values.size(); ++i) {
        if (!values[i].isEmpty()) {
            ASSERT_NO_FATAL_FAILURE(typeInto(dialog, QString::fromLatin1(edits[i]), values[i]));
        }
    }
    auto* include = user.child<QCheckBox>(dialog, QStringLiteral("FCheckB1"));
    ASSERT_NE(include, nullptr);
    if (!user.onGui([include] { return include->isChecked(); })) {
        user.click(include);
        ASSERT_TRUE(user.waitUntil([include] { return include->isChecked(); }));
    }
    user.snapshot(dialog, QStringLiteral("recipient-dialog"));
    ASSERT_NO_FATAL_FAILURE(clickButton(dialog, QStringLiteral("OK")));
    ASSERT_TRUE(user.waitForNoModal());
}

void MainRoadWalk::walkImport()
{
    auto* import = openFromRecipientScreen<TImpForm>(QStringLiteral("Importieren"), QStringLiteral("ImpForm"));
    ASSERT_NE(import, nullptr);
    ASSERT_NO_FATAL_FAILURE(clickButton(import, QStringLiteral("Öffnen")));

    auto* files = expectModal<QFileDialog>();
    ASSERT_NE(files, nullptr);
    // Qt's own dialog speaks German too.
    auto* lookIn = user.child<QLabel>(files, QStringLiteral("lookInLabel"));
    ASSERT_NE(lookIn, nullptr);
    EXPECT_EQ(user.onGui([lookIn] { return lookIn->text(); }), QStringLiteral("Suchen in:"));
    EXPECT_NE(user.button(files, QStringLiteral("Abbrechen")), nullptr);
    // The names of shortcuts, as menus and tool tips show them.
    EXPECT_EQ(user.onGui([] { return QKeySequence(QKeySequence::Copy).toString(QKeySequence::NativeText); }),
              QStringLiteral("Strg+C"));
    user.snapshot(files, QStringLiteral("import-file"));
    ASSERT_NO_FATAL_FAILURE(typeInto(files, QStringLiteral("fileNameEdit"), csvFile));
    user.key(user.child<QLineEdit>(files, QStringLiteral("fileNameEdit")), Qt::Key_Return);
    ASSERT_NE(expectModal<TImpForm>(QStringLiteral("ImpForm")), nullptr);

    auto* columns = user.child<QTreeWidget>(import, QStringLiteral("LV1"));
    auto* fields = user.child<QTreeWidget>(import, QStringLiteral("LV2"));
    auto* mapped = user.child<QTreeWidget>(import, QStringLiteral("LV3"));
    ASSERT_TRUE(columns && fields && mapped);
    ASSERT_TRUE(user.waitUntil([columns] { return columns->topLevelItemCount() == 8; }));
    const std::pair<const char*, const char*> mapping[] = {
        {"Anrede", "Anrede"},  {"Vorname", "Vorname"}, {"Nachname", "Name"}, {"Firma", "Firma"},
        {"Straße", "Strasse"}, {"PLZ", "PLZ"},         {"Ort", "Ort"},       {"E-Mail", "Email"}};
    int done = 0;
    for (const auto& [column, field] : mapping) {
        SCOPED_TRACE(column);
        user.clickItem(columns, QString::fromUtf8(column));
        user.clickItem(fields, QString::fromUtf8(field));
        ASSERT_NO_FATAL_FAILURE(clickButton(import, QStringLiteral("Zuordnen")));
        ++done;
        ASSERT_TRUE(user.waitUntil([mapped, done] { return mapped->topLevelItemCount() == done; }));
    }
    user.snapshot(import, QStringLiteral("import-mapping"));
    ASSERT_NO_FATAL_FAILURE(clickButton(import, QStringLiteral("Weiter >>")));

    auto* check = expectModal<TImpCheckForm>(QStringLiteral("ImpCheckForm"));
    ASSERT_NE(check, nullptr);
    auto* preview = user.child<QTreeView>(check, QStringLiteral("LV1"));
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(user.onGui([preview] { return preview->model()->rowCount(); }), 3);
    user.snapshot(check, QStringLiteral("import-check"));
    ASSERT_NO_FATAL_FAILURE(clickButton(check, QStringLiteral("Importieren")));
    QString question;
    QMessageBox* box = user.waitForMessageBox(&question);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(question.startsWith(QStringLiteral("ACHTUNG!"))) << question.toStdString();
    user.snapshot(box, QStringLiteral("import-question"));
    ASSERT_TRUE(user.answer(box, QStringLiteral("Ja")));
    ASSERT_TRUE(user.waitForNoModal());

    auto* count = user.child<QLabel>(recipientScreen(), QStringLiteral("Label6"));
    EXPECT_TRUE(user.waitUntil([count] {
        return count->text() == QStringLiteral("3 Empfänger für ausgewählten Absender");
    })) << user.onGui([count] { return count->text(); }).toStdString();
    // The import replaced the two recipients typed before.
    EXPECT_EQ(rows(QStringLiteral("SELECT AbsenderID, Anrede, Vorname, Name, Firma, Strasse, PLZ, Ort, Email, Send "
                                  "FROM Adressen ORDER BY Email")),
              lines({QStringLiteral("1|Frau|Anna|Adam||Hauptstraße 1|10115|Berlin|anna.adam@example.org|1"),
                     QStringLiteral("1|Herr|Jürgen|Öztürk|Bäckerei \"Zum Korn\"; Filiale Nord|Mühlenweg 3|"
                                    "20095|Hamburg|juergen.oeztuerk@example.org|1"),
                     QStringLiteral("1||Karl|Bauer|Bauer & Co. KG||80331|München|karl.bauer@example.org|1")}));
}

void MainRoadWalk::walkNewsletter()
{
    auto* templates = openFromRecipientScreen<TNewsForm>(QStringLiteral("Newsletter >>"), QStringLiteral("NewsForm"));
    ASSERT_NE(templates, nullptr);
    auto* list = user.child<QListWidget>(templates, QStringLiteral("FsFileListBox1"));
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(user.waitUntil(
        [list] { return !list->findItems(QStringLiteral("Monatsbrief.html"), Qt::MatchExactly).isEmpty(); }));
    user.clickItem(list, QStringLiteral("Monatsbrief.html"));

    user.snapshot(templates, QStringLiteral("template"));
    ASSERT_NO_FATAL_FAILURE(clickButton(templates, QStringLiteral("Vorschau")));
    auto* preview = expectModal<TNewsPreview>(QStringLiteral("NewsPreview"));
    ASSERT_NE(preview, nullptr);
    const QString title = user.onGui([preview] { return preview->windowTitle(); });
    EXPECT_TRUE(title.startsWith(QStringLiteral("NewsPreview - ")) &&
                title.endsWith(QStringLiteral("/Monatsbrief.html")))
        << title.toStdString();
    const QString templateFile = title.mid(QStringLiteral("NewsPreview - ").size());
    // The browser shows the file (the rich-text view's plain text, the browser's page title).
    auto* browser = user.child<QWidget>(preview, QStringLiteral("WB1"));
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(user.waitUntil([browser] {
        return browser->property("plainText").toString().contains(QStringLiteral("Monatsbrief von")) ||
               browser->property("title").toString() == QStringLiteral("Monatsbrief");
    })) << "the preview shows nothing";
    user.snapshot(preview, QStringLiteral("preview"));
    ASSERT_NO_FATAL_FAILURE(clickButton(preview, QStringLiteral("Schließen")));
    ASSERT_NE(expectModal<TNewsForm>(QStringLiteral("NewsForm")), nullptr);

    ASSERT_NO_FATAL_FAILURE(clickButton(templates, QStringLiteral("Weiter >>")));
    auto* subject = expectModal<TBetreffForm>(QStringLiteral("BetreffForm"));
    ASSERT_NE(subject, nullptr);
    ASSERT_NO_FATAL_FAILURE(typeInto(subject, QStringLiteral("FE1"), kSubject));
    user.snapshot(subject, QStringLiteral("subject"));
    user.key(user.child<QLineEdit>(subject, QStringLiteral("FE1")), Qt::Key_Return);

    auto* check = expectModal<TNewsCheckForm>(QStringLiteral("NewsCheckForm"));
    ASSERT_NE(check, nullptr);
    const QStringList labels = user.onGui([check] {
        QStringList texts;
        for (const QLabel* label : check->findChildren<QLabel*>())
            texts << label->text();
        return texts;
    });
    EXPECT_TRUE(labels.contains(kSubject)) << labels.join(u'\n').toStdString();
    EXPECT_TRUE(labels.contains(QDir::toNativeSeparators(templateFile)))
        << "the check dialog names no newsletter: " << labels.join(u'\n').toStdString();
    user.snapshot(check, QStringLiteral("check"));
    ASSERT_NO_FATAL_FAILURE(clickButton(check, QStringLiteral("Senden")));
    ASSERT_TRUE(user.waitForNoModal());

    auto* status = user.waitForWindow<TUserSP>();
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(user.waitUntil([status] {
        return status->Label1->text() == QStringLiteral("Übertragung abgeschlossen.");
    })) << user.onGui([status] { return status->Label1->text(); }).toStdString();

    user.snapshot(status, QStringLiteral("status"));
    const QList<QJsonObject> mails = server.messages();
    ASSERT_EQ(mails.size(), 3);
    const std::pair<const char*, const char*> expected[] = {
        {"anna.adam@example.org", "Anna Adam,"},
        {"karl.bauer@example.org", "Karl Bauer,"},
        {"juergen.oeztuerk@example.org", "Jürgen Öztürk,"},
    };
    const QJsonArray images = MonatsbriefImages(QFileInfo(templateFile).path());
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const QJsonObject& mail = mails[i];
        EXPECT_EQ(mail[QStringLiteral("mail_from")].toString(), QStringLiteral("info@nord.example"));
        EXPECT_EQ(mail[QStringLiteral("rcpt_tos")].toArray(), QJsonArray{QString::fromUtf8(expected[i].first)});
        EXPECT_EQ(mail[QStringLiteral("subject")].toString(), kSubject);
        const QString html = mail[QStringLiteral("body")].toString();
        EXPECT_TRUE(html.contains(QString::fromUtf8(expected[i].second))) << html.toStdString();
        EXPECT_TRUE(html.contains(QStringLiteral("Monatsbrief von Zeitung Nord")));
        EXPECT_FALSE(html.contains(QStringLiteral("<#")));
        EXPECT_TRUE(
            PassesMimeCheck(mail[QStringLiteral("raw")].toString().toUtf8(),
                            QJsonObject{{QStringLiteral("shape"),
                                         QStringLiteral("multipart/related(text/html,image/png,image/gif,image/gif)")},
                                        {QStringLiteral("subject"), kSubject},
                                        {QStringLiteral("images"), images}}));
    }
    // The main window frees a closed status window.
    const QPointer<TUserSP> watched = user.onGui([status] { return QPointer<TUserSP>(status); });
    ASSERT_NO_FATAL_FAILURE(clickButton(status, QStringLiteral("OK")));
    ASSERT_TRUE(user.waitUntil([watched] { return !watched || !watched->isVisible(); }));
}

void MainRoadWalk::walkLogAndPrinting()
{
    TMainForm* main = mainWindow();
    auto* tree = user.child<QTreeWidget>(main, QStringLiteral("NavTV1"));
    QString logTitle;
    ASSERT_TRUE(user.waitUntil([tree, &logTitle] {
        const QList<QTreeWidgetItem*> logs = tree->findItems(QStringLiteral("Protokolle"), Qt::MatchExactly);
        if (logs.isEmpty() || logs.first()->childCount() != 1)
            return false;
        logTitle = logs.first()->child(0)->text(0);
        return true;
    })) << "the send log has no node";
    EXPECT_TRUE(logTitle.startsWith(QStringLiteral("News "))) << logTitle.toStdString();
    user.doubleClickItem(tree, logTitle);

    auto* viewer = user.waitForWindow<TLogViewForm>();
    ASSERT_NE(viewer, nullptr);
    const QString logText = user.onGui([viewer] { return viewer->RE1->toPlainText(); });
    for (const char* address : {"anna.adam@example.org", "karl.bauer@example.org", "juergen.oeztuerk@example.org"})
        EXPECT_TRUE(logText.contains(QString::fromLatin1(address))) << address;
    const QStringList logFiles = QDir(account.workFolder() + QStringLiteral("/Log")).entryList(QDir::Files);
    EXPECT_EQ(logFiles.size(), 1) << logFiles.join(u' ').toStdString();

    user.snapshot(main, QStringLiteral("main-with-log"));
    user.snapshot(viewer, QStringLiteral("log-viewer"));
    // The print preview first: Qt's dialog, in German.
    ASSERT_NO_FATAL_FAILURE(clickButton(viewer, QStringLiteral("Drucken")));
    auto* choice = expectModal<TPrintOptionsDialog>(QStringLiteral("PrintOptionsDialog"));
    ASSERT_NE(choice, nullptr);
    user.click(choice->PreviewChoice);
    ASSERT_TRUE(user.waitUntil([choice] { return choice->PreviewChoice->isChecked(); }));
    ASSERT_NO_FATAL_FAILURE(clickButton(choice, QStringLiteral("OK")));
    auto* printPreview = expectModal<QPrintPreviewDialog>();
    ASSERT_NE(printPreview, nullptr);
    const QStringList tools = user.onGui([printPreview] {
        QStringList texts;
        for (const QAction* action : printPreview->findChildren<QAction*>())
            texts << action->text();
        return texts;
    });
    for (const char* tool : {"Nächste Seite", "Seite anpassen", "Querformat", "Seite einrichten", "Drucken"})
        EXPECT_TRUE(tools.contains(QString::fromUtf8(tool))) << tool << " in " << tools.join(u'|').toStdString();
    user.snapshot(printPreview, QStringLiteral("print-preview"));
    user.key(printPreview, Qt::Key_Escape);
    ASSERT_TRUE(user.waitForNoModal());

    ASSERT_NO_FATAL_FAILURE(clickButton(viewer, QStringLiteral("Drucken")));
    auto* options = expectModal<TPrintOptionsDialog>(QStringLiteral("PrintOptionsDialog"));
    ASSERT_NE(options, nullptr);
    user.click(options->PdfChoice);
    ASSERT_TRUE(user.waitUntil([options] { return options->PdfChoice->isChecked(); }));
    const QString pdfFile = user.onGui([options] { return options->PdfFile->text(); });
    // A fresh home folder has no documents folder: the file is offered in a folder that exists.
    EXPECT_TRUE(QFileInfo(QFileInfo(pdfFile).path()).isDir()) << pdfFile.toStdString();
    EXPECT_EQ(QFileInfo(pdfFile).fileName(), logTitle + QStringLiteral(".pdf"));
    user.snapshot(options, QStringLiteral("print-options"));
    ASSERT_NO_FATAL_FAILURE(clickButton(options, QStringLiteral("OK")));
    ASSERT_TRUE(user.waitForNoModal()) << user.onGui([] {
                                                  auto* box =
                                                      qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                                                  return box ? box->text() : QString();
                                              })
                                              .toStdString();
    ASSERT_TRUE(user.waitUntil([pdfFile] { return QFileInfo(pdfFile).size() > 0; })) << pdfFile.toStdString();
    const QString printed = pdfText(pdfFile);
    EXPECT_TRUE(printed.contains(QStringLiteral("anna.adam@example.org"))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("juergen.oeztuerk@example.org")));

    ASSERT_NO_FATAL_FAILURE(clickButton(viewer, QStringLiteral("Schließen")));
    ASSERT_TRUE(user.waitUntil([viewer] { return !viewer->isVisible(); }));
}

void MainRoadWalk::walkSettings()
{
    ASSERT_TRUE(user.chooseMenu(mainWindow(), QStringLiteral("Erweitert"), QStringLiteral("Einstellungen...")));
    auto* settings = expectModal<TOptionForm>(QStringLiteral("OptionForm"));
    ASSERT_NE(settings, nullptr);
    auto* tabs = user.child<QTabBar>(settings, QStringLiteral("FTC1"));
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(user.onGui([tabs] {
        return QStringList{tabs->tabText(0), tabs->tabText(1)};
    }),
              (QStringList{QStringLiteral("Verzeichnise"), QStringLiteral("Verbindung")}));
    user.snapshot(settings, QStringLiteral("settings"));
    ASSERT_NO_FATAL_FAILURE(clickButton(settings, QStringLiteral("Abbrechen")));
    ASSERT_TRUE(user.waitForNoModal());
}

void MainRoadWalk::walkBackupAndRestore()
{
    const QString sql = QStringLiteral("SELECT * FROM Verfasser ORDER BY ID");
    const QString recipientsSql = QStringLiteral("SELECT * FROM Adressen ORDER BY ID");
    const QStringList senders = databaseRows(account.databaseFolder(), sql);
    const QStringList recipients = databaseRows(account.databaseFolder(), recipientsSql);
    const QString target = account.path(QStringLiteral("home/Sicherung"));
    ASSERT_TRUE(QDir().mkpath(target));
    const QString archiveName = QStringLiteral("BackupNews_") +
                                QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")) + QStringLiteral(".zip");

    // "Sichern": the folder picker comes up over the progress window; the folder is clicked.
    ASSERT_TRUE(user.chooseMenu(mainWindow(), QStringLiteral("Erweitert"),
                                QStringList{QStringLiteral("Datensicherung"), QStringLiteral("Sichern")}));
    auto* picker = expectModal<TPathSelectForm>(QStringLiteral("PathSelectForm"));
    ASSERT_NE(picker, nullptr);
    ASSERT_NO_FATAL_FAILURE(expectAboveProgress(picker, "the folder picker"));
    auto* tree = user.child<TFsDirectoryTree>(picker, QStringLiteral("FsDT1"));
    ASSERT_NE(tree, nullptr);
    ASSERT_NO_FATAL_FAILURE(openHomeFolder(tree));
    ASSERT_NO_FATAL_FAILURE(keyDownTo(tree, QStringLiteral("Sicherung")));
    ASSERT_TRUE(user.waitUntil([tree, target] { return tree->directory() == target; }))
        << user.onGui([tree] { return tree->directory(); }).toStdString();
    user.snapshotScreen(QStringLiteral("backup-target"));
    ASSERT_NO_FATAL_FAILURE(clickButton(picker, QStringLiteral("OK")));
    ASSERT_NO_FATAL_FAILURE(
        expectBox(QStringLiteral("Sicherung wurde erfolgreich abgeschlossen."), QStringLiteral("OK"), "backup-done"));
    ASSERT_TRUE(user.waitForNoModal());
    ASSERT_TRUE(QFileInfo(target + u'/' + archiveName).isFile());

    // "Einspielen" of that archive, picked by mouse, the question answered.
    ASSERT_TRUE(user.chooseMenu(mainWindow(), QStringLiteral("Erweitert"),
                                QStringList{QStringLiteral("Datensicherung"), QStringLiteral("Einspielen")}));
    auto* archivePicker = expectModal<TDirDialogForm>(QStringLiteral("DirDialogForm"));
    ASSERT_NE(archivePicker, nullptr);
    auto* folders = user.child<TFsDirectoryTree>(archivePicker, QStringLiteral("FsDT1"));
    auto* files = user.child<TFsFileListBox>(archivePicker, QStringLiteral("FsFileListBox1"));
    ASSERT_NE(folders, nullptr);
    ASSERT_NE(files, nullptr);
    ASSERT_NO_FATAL_FAILURE(openHomeFolder(folders));
    ASSERT_NO_FATAL_FAILURE(keyDownTo(folders, QStringLiteral("Sicherung")));
    ASSERT_TRUE(
        user.waitUntil([files, archiveName] { return !files->findItems(archiveName, Qt::MatchExactly).isEmpty(); }));
    user.clickItem(files, archiveName);
    user.snapshotScreen(QStringLiteral("restore-archive"));
    ASSERT_NO_FATAL_FAILURE(clickButton(archivePicker, QStringLiteral("OK")));
    ASSERT_NO_FATAL_FAILURE(expectBox(QStringLiteral("Wollen Sie die Sicherungsdatei  \"") + archiveName +
                                          QStringLiteral("\"  jetzt einspielen?"),
                                      QStringLiteral("Ja"), "restore-question"));
    ASSERT_NO_FATAL_FAILURE(expectBox(QStringLiteral("Einspielen der Datensicherung erfolgreich abgeschlossen!"),
                                      QStringLiteral("OK"), "restore-done"));
    ASSERT_TRUE(user.waitForNoModal());
    // The restored database is connected again: the recipient screen opens by a click.
    TMainForm* main = mainWindow();
    ASSERT_NE(main, nullptr);
    user.clickItem(user.child<TFlatTreeView>(main, QStringLiteral("NavTV1")), QStringLiteral("Empfängerdaten"));
    ASSERT_TRUE(user.waitUntil([main] {
        auto* screen = main->findChild<TEmpfFrame*>();
        return screen && screen->isVisible();
    }));

    EXPECT_EQ(lines(databaseRows(account.databaseFolder(), sql)), lines(senders));
    EXPECT_EQ(lines(databaseRows(account.databaseFolder(), recipientsSql)), lines(recipients));
    // The database files are the archive's members.
    const QString unpacked = account.path(QStringLiteral("unpacked"));
    ASSERT_TRUE(QDir().mkpath(unpacked));
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"),
                {QStringLiteral("-q"), target + u'/' + archiveName, QStringLiteral("-d"), unpacked});
    ASSERT_TRUE(unzip.waitForFinished(60000));
    for (const char* name : {"Verfasser.ADT", "Adressen.ADT"}) {
        QFile restored(account.databaseFolder() + u'/' + QLatin1String(name));
        QFile member(unpacked + u'/' + QLatin1String(name));
        ASSERT_TRUE(restored.open(QIODevice::ReadOnly) && member.open(QIODevice::ReadOnly)) << name;
        EXPECT_TRUE(restored.readAll() == member.readAll()) << name;
    }
}

void MainRoadWalk::walkQuit()
{
    ASSERT_TRUE(user.chooseMenu(mainWindow(), QStringLiteral("Bearbeiten"), QStringLiteral("Beenden")));
    EXPECT_TRUE(user.waitUntil([] { return findMainWindow() == nullptr; }));
}

TEST_F(MainRoadWalk, ANewUserSetsUpImportsSendsPrintsTheLogAndQuits)
{
    std::atomic<bool> walked{false};
    std::thread script([&] {
        const std::pair<const char*, void (MainRoadWalk::*)()> stretches[] = {
            {"first start: the sender wizard", &MainRoadWalk::walkWizard},
            {"sender and recipient screens, two recipients", &MainRoadWalk::walkSenderAndRecipientScreens},
            {"CSV import", &MainRoadWalk::walkImport},
            {"newsletter to the local server", &MainRoadWalk::walkNewsletter},
            {"send log and printing", &MainRoadWalk::walkLogAndPrinting},
            {"settings dialog", &MainRoadWalk::walkSettings},
            {"backup and restore", &MainRoadWalk::walkBackupAndRestore},
            {"quit", &MainRoadWalk::walkQuit},
        };
        for (const auto& [name, stretch] : stretches) {
            SCOPED_TRACE(name);
            (this->*stretch)();
            EXPECT_TRUE(user.inputsArrived()) << "an input missed its widget";
            if (HasFailure())
                break;
        }
        user.endProgram([] { return static_cast<QWidget*>(findMainWindow()); });
        walked = true;
    });

    KubNewsProgramSeams seams;
    seams.start.lockFile = account.path(QStringLiteral("run/kubNEWSLETTER.lock"));
    const quint16 port = server.port();
    seams.createRun = [port](SendRunRequest request) {
        request.settings.Port = port;
        return CreateSendRunThread(std::move(request));
    };
    const int exitCode = RunKubNewsProgram(seams);
    // The script may still read the last state after the program's loop has ended.
    while (!walked)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    script.join();
    EXPECT_EQ(exitCode, 0);
}

} // namespace
