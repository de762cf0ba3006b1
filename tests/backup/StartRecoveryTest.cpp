#include "backup/StartRecovery.h"

#include "app/Main.h"
#include "core/DMTestDatabase.h"
#include "core/StartUp.h"
#include "desktop/MessageBoxes.h"
#include "platform/AppPaths.h"
#include "platform/ZipTestSupport.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryDir>

#include <map>

namespace {

void copyFolder(const QString& from, const QString& to)
{
    ASSERT_TRUE(QDir().mkpath(to));
    for (const QString& name : QDir(from).entryList(QDir::Files | QDir::Hidden))
        ASSERT_TRUE(QFile::copy(from + u'/' + name, to + u'/' + name));
}

// A restore that stopped half-way: "ADS_OLD" holds the previous database, the database folder
// what the case leaves of the new one.
struct Crashed {
    Crashed()
    {
        db.connection.disconnect();
        db.env.writeStandardRegistry({}, QStringLiteral("\"DBPath\"=\"%1\"\n").arg(db.folder()));
        old = AppPaths::oldDatabaseFolder();
        copyFolder(db.folder(), old);
        // The database being restored differs from the previous one.
        db.connection.connect();
        db.connection.execute(QStringLiteral("Test"), QStringLiteral("DELETE FROM Adressen WHERE ID = 2"));
        db.connection.disconnect();
        tmp = AppPaths::tmpFolder();
        EXPECT_TRUE(QDir().mkpath(tmp));
        writeText(tmp + QStringLiteral("/Verfasser.ADT"), "a copy");
    }

    // Starts the program's start sequence up to the shown main window.
    void start()
    {
        StartUpSteps steps;
        steps.lockFile = runtime.filePath(QStringLiteral("kubNEWSLETTER.lock"));
        steps.runEventLoop = false;
        steps.createMainWindow = [this] {
            mainWindow = new TMainForm();
            return mainWindow.data();
        };
        steps.createDatabaseModule = [this](QWidget*) {
            boxesBeforeConnecting = boxes.texts();
            return true;
        };
        steps.recoverDatabase = RecoverDatabaseAtStart;
        steps.pause = [](int) {};
        RunStartUp(steps);
    }

    ~Crashed() { delete mainWindow.data(); }

    NewsTestDatabase db;
    MessageBoxRecorder boxes;
    QTemporaryDir runtime;
    QPointer<QWidget> mainWindow;
    QString old;
    QString tmp;
    QStringList boxesBeforeConnecting;
};

TEST(StartRecoveryTest, AStartAfterAnInterruptedRestorePutsThePreviousDatabaseBack)
{
    struct Case {
        const char* name;
        std::function<void(Crashed&)> arrange;
        bool recovered;
        bool keptAside; // the incomplete database folder is kept under a new name
        bool told;      // a box tells what happened
    };
    const QList<Case> cases{
        {"the database folder missing", [](Crashed& c) { ASSERT_TRUE(QDir(c.db.folder()).removeRecursively()); }, true,
         false, true},
        {"one file missing",
         [](Crashed& c) { ASSERT_TRUE(QFile::remove(c.db.folder() + QStringLiteral("/Verfasser.ADI"))); }, true, true,
         true},
        {"one file cut short",
         [](Crashed& c) {
             QFile file(c.db.folder() + QStringLiteral("/Adressen.ADT"));
             ASSERT_TRUE(file.resize(file.size() / 2));
         },
         true, true, true},
        {"all four files there and ADS_OLD as well", [](Crashed&) {}, false, false, false},
        {"ADS_OLD itself incomplete",
         [](Crashed& c) {
             ASSERT_TRUE(QFile::remove(c.db.folder() + QStringLiteral("/Adressen.ADI")));
             ASSERT_TRUE(QFile::remove(c.old + QStringLiteral("/Verfasser.ADT")));
         },
         false, false, true},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        Crashed c;
        row.arrange(c);
        const auto previous = folderHashes(c.old);
        const auto incomplete = folderHashes(c.db.folder());
        const bool hadFolder = QFileInfo(c.db.folder()).isDir();

        c.start();

        const QStringList kept =
            QDir(c.db.env.root()).entryList({QStringLiteral("Datenbank_*")}, QDir::Dirs | QDir::NoDotAndDotDot);
        const QString keptPath = kept.isEmpty() ? QString() : c.db.env.root() + u'/' + kept.first();
        const QString interrupted =
            QStringLiteral("Das Einspielen einer Datensicherung wurde unterbrochen. Die Datenbank im Verzeichnis \"") +
            c.db.folder() + QStringLiteral("\" ist nicht vollständig.\r\n\r\n");
        QStringList expectedBoxes;
        if (row.recovered) {
            QString text = interrupted + QStringLiteral("Die vorherige Datenbank aus \"") + c.old +
                           QStringLiteral("\" wurde wieder nach \"") + c.db.folder() + QStringLiteral("\" verschoben.");
            if (row.keptAside)
                text += QStringLiteral("\r\n\r\nDas unvollständige Datenbankverzeichnis wurde in \"") + keptPath +
                        QStringLiteral("\" umbenannt.");
            expectedBoxes.append(text);
        } else if (row.told) {
            expectedBoxes.append(interrupted + QStringLiteral("Das Verzeichnis \"") + c.old +
                                 QStringLiteral("\" aus einem früheren Einspielen enthält ebenfalls keine "
                                                "vollständige Datenbank. Beide Verzeichnisse bleiben unverändert."));
        }
        EXPECT_EQ(c.boxesBeforeConnecting, expectedBoxes);
        if (!c.boxes.boxes().isEmpty()) {
            EXPECT_EQ(c.boxes.boxes().first().icon, MsgIcon::Information);
            EXPECT_EQ(c.boxes.boxes().first().buttons, MsgButtons::Ok);
        }
        if (row.recovered) {
            EXPECT_EQ(folderHashes(c.db.folder()), previous);
            EXPECT_FALSE(QFileInfo::exists(c.old));
        } else {
            EXPECT_EQ(folderHashes(c.db.folder()), incomplete);
            EXPECT_EQ(folderHashes(c.old), previous);
        }
        EXPECT_EQ(kept.size(), row.keptAside ? 1 : 0) << kept.join(u'|').toStdString();
        if (row.keptAside) {
            EXPECT_TRUE(kept.first().startsWith(QStringLiteral("Datenbank_unvollständig_")));
            EXPECT_EQ(folderHashes(keptPath), incomplete);
        }
        EXPECT_EQ(QFileInfo(c.db.folder()).isDir(), row.recovered || hadFolder);
        // Tmp only holds copies.
        EXPECT_FALSE(QFileInfo::exists(c.tmp));
    }
}

} // namespace
