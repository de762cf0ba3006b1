#include "backup/StartRecovery.h"

#include "app/Main.h"
#include "core/DMTestDatabase.h"
#include "core/StartUp.h"
#include "desktop/MessageBoxes.h"
#include "platform/AppPaths.h"
#include "platform/ZipTestSupport.h"
#include "support/LockingProcess.h"
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

// An "ADS_OLD" that no restore's record explains (a copy of the previous database) beside a
// database folder that the case leaves as it wants, and a "Tmp" with a copy in it.
struct LeftOver {
    LeftOver()
    {
        db.connection.disconnect();
        db.env.writeStandardRegistry({}, QStringLiteral("\"DBPath\"=\"%1\"\n").arg(db.folder()));
        old = AppPaths::oldDatabaseFolder();
        copyFolder(db.folder(), old);
        // The current database differs from the previous one.
        db.connection.connect();
        db.connection.execute(QStringLiteral("Test"), QStringLiteral("DELETE FROM Adressen WHERE ID = 2"));
        db.connection.disconnect();
        tmp = AppPaths::tmpFolder();
        EXPECT_TRUE(QDir().mkpath(tmp));
        writeText(tmp + QStringLiteral("/Verfasser.ADT"), "a copy");
    }

    // Runs the program's start sequence up to the shown main window; the boxes it showed before
    // the database module was created.
    QStringList start()
    {
        boxes.clear();
        QStringList boxesBeforeConnecting;
        QTemporaryDir runtime;
        QPointer<QWidget> mainWindow;
        StartUpSteps steps;
        steps.lockFile = runtime.filePath(QStringLiteral("kubNEWSLETTER.lock"));
        steps.runEventLoop = false;
        steps.createMainWindow = [&mainWindow] {
            mainWindow = new TMainForm();
            return mainWindow.data();
        };
        steps.createDatabaseModule = [&](QWidget*) {
            boxesBeforeConnecting = boxes.texts();
            return true;
        };
        steps.recoverDatabase = RecoverDatabaseAtStart;
        steps.pause = [](int) {};
        RunStartUp(steps);
        delete mainWindow.data();
        return boxesBeforeConnecting;
    }

    QStringList keptAside() const
    {
        return QDir(db.env.root()).entryList({QStringLiteral("Datenbank_*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    }

    NewsTestDatabase db;
    MessageBoxRecorder boxes;
    QString old;
    QString tmp;
};

QString quoted(const QString& text)
{
    return u'"' + text + u'"';
}

// Without a record of a restore, only what the start can tell for a fact replaces the database
// folder: missing, a file missing, or damaged by the engine's word. An intact database stays,
// and the leftover "ADS_OLD" is told of once; the next start tells nothing.
TEST(StartRecoveryTest, WithoutARecordOnlyFactsReplaceTheDatabase)
{
    struct Case {
        const char* name;
        std::function<void(LeftOver&)> arrange;
        bool recovered;
        bool keptAside;       // the unusable database folder is kept under a new name
        const char* setAside; // how the box names it
        std::function<QString(const LeftOver&)> found;
        MsgIcon icon;
    };
    const auto database = [](const LeftOver& c) -> QString {
        return QStringLiteral("Die Datenbank im Verzeichnis ") + quoted(c.db.folder());
    };
    const QList<Case> cases{
        {"the database folder missing", [](LeftOver& c) { ASSERT_TRUE(QDir(c.db.folder()).removeRecursively()); }, true,
         false, "",
         [](const LeftOver& c) -> QString {
             return QStringLiteral("Das Datenbankverzeichnis ") + quoted(c.db.folder()) + QStringLiteral(" fehlt.");
         },
         MsgIcon::Information},
        {"one file missing",
         [](LeftOver& c) { ASSERT_TRUE(QFile::remove(c.db.folder() + QStringLiteral("/Verfasser.ADI"))); }, true, true,
         "unvollständige",
         [database](const LeftOver& c) -> QString {
             return database(c) + QStringLiteral(" ist nicht vollständig: die Datei \"Verfasser.ADI\" fehlt oder ist "
                                                 "leer.");
         },
         MsgIcon::Information},
        {"a table file emptied",
         [](LeftOver& c) { ASSERT_TRUE(QFile(c.db.folder() + QStringLiteral("/Adressen.ADT")).resize(0)); }, true, true,
         "unvollständige",
         [database](const LeftOver& c) -> QString {
             return database(c) + QStringLiteral(" ist nicht vollständig: die Datei \"Adressen.ADT\" fehlt oder ist "
                                                 "leer.");
         },
         MsgIcon::Information},
        {"a table file cut short",
         [](LeftOver& c) {
             QFile file(c.db.folder() + QStringLiteral("/Adressen.ADT"));
             ASSERT_TRUE(file.resize(file.size() / 2));
         },
         true, true, "beschädigte",
         [database](const LeftOver& c) -> QString {
             return database(c) + QStringLiteral(" ist beschädigt (Adressen.ADT: database disk image is malformed).");
         },
         MsgIcon::Information},
        {"a table file that is no database",
         [](LeftOver& c) { writeText(c.db.folder() + QStringLiteral("/Adressen.ADT"), QByteArray(4096, 'x')); }, true,
         true, "beschädigte",
         [database](const LeftOver& c) -> QString {
             return database(c) + QStringLiteral(" ist beschädigt (Adressen.ADT: file is not a database).");
         },
         MsgIcon::Information},
        {"all four files intact", [](LeftOver&) {}, false, false, "", [](const LeftOver&) { return QString(); },
         MsgIcon::Information},
        {"ADS_OLD itself incomplete",
         [](LeftOver& c) {
             ASSERT_TRUE(QFile::remove(c.db.folder() + QStringLiteral("/Adressen.ADI")));
             ASSERT_TRUE(QFile::remove(c.old + QStringLiteral("/Verfasser.ADT")));
         },
         false, false, "",
         [database](const LeftOver& c) -> QString {
             return database(c) + QStringLiteral(" ist nicht vollständig: die Datei \"Adressen.ADI\" fehlt oder ist "
                                                 "leer.");
         },
         MsgIcon::Warning},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        LeftOver c;
        row.arrange(c);
        const auto previous = folderHashes(c.old);
        const auto current = folderHashes(c.db.folder());
        const bool hadFolder = QFileInfo(c.db.folder()).isDir();

        const QStringList told = c.start();

        const QStringList kept = c.keptAside();
        ASSERT_EQ(kept.size(), row.keptAside ? 1 : 0) << kept.join(u'|').toStdString();
        const QString keptPath = row.keptAside ? c.db.env.root() + u'/' + kept.first() : QString();
        QString expected;
        if (row.recovered) {
            expected = row.found(c) + QStringLiteral("\r\n\r\nDie vorherige Datenbank aus ") + quoted(c.old) +
                       QStringLiteral(" wurde wieder nach ") + quoted(c.db.folder()) + QStringLiteral(" verschoben.");
            if (row.keptAside)
                expected += QStringLiteral("\r\n\r\nDas ") + QString::fromUtf8(row.setAside) +
                            QStringLiteral(" Datenbankverzeichnis wurde in ") + quoted(keptPath) +
                            QStringLiteral(" umbenannt.");
        } else if (row.icon == MsgIcon::Warning) {
            expected = row.found(c) + QStringLiteral("\r\n\r\nDas Verzeichnis ") + quoted(c.old) +
                       QStringLiteral(" aus einem früheren Einspielen enthält ebenfalls keine vollständige "
                                      "Datenbank. Beide Verzeichnisse bleiben unverändert.");
        } else {
            expected = QStringLiteral("Neben der Datenbank im Verzeichnis ") + quoted(c.db.folder()) +
                       QStringLiteral(" liegt das Verzeichnis ") + quoted(c.old) +
                       QStringLiteral(" aus einem früheren Einspielen. Die Datenbank ist vollständig und bleibt "
                                      "unverändert; ") +
                       quoted(c.old) + QStringLiteral(" wird nicht verwendet und kann gelöscht werden.");
        }
        EXPECT_EQ(told, QStringList{expected});
        ASSERT_FALSE(c.boxes.boxes().isEmpty());
        EXPECT_EQ(c.boxes.boxes().first().icon, row.icon);
        EXPECT_EQ(c.boxes.boxes().first().buttons, MsgButtons::Ok);
        if (row.recovered) {
            EXPECT_EQ(folderHashes(c.db.folder()), previous);
            EXPECT_FALSE(QFileInfo::exists(c.old));
        } else {
            EXPECT_EQ(folderHashes(c.db.folder()), current);
            EXPECT_EQ(folderHashes(c.old), previous);
        }
        if (row.keptAside) {
            EXPECT_TRUE(kept.first().startsWith(QStringLiteral("Datenbank_unvollständig_")));
            EXPECT_EQ(folderHashes(keptPath), current);
        }
        EXPECT_EQ(QFileInfo(c.db.folder()).isDir(), row.recovered || hadFolder);
        // Tmp only holds copies.
        EXPECT_FALSE(QFileInfo::exists(c.tmp));

        // Told once: the next start finds nothing to tell and moves nothing.
        const auto settled = folderHashes(c.db.folder());
        EXPECT_EQ(c.start(), QStringList());
        EXPECT_EQ(folderHashes(c.db.folder()), settled);
        EXPECT_EQ(c.keptAside(), kept);
    }
}

// Another program holds an intact database under a lock while the program starts beside a
// leftover "ADS_OLD": nothing is renamed, not a byte changes, and the box says in German who
// holds it.
TEST(StartRecoveryTest, ADatabaseLockedByAnotherProgramStaysInPlace)
{
    LeftOver c;
    const QString table = c.db.folder() + QStringLiteral("/Adressen.ADT");
    LockingProcess holder;
    ASSERT_TRUE(holder.lock(table)) << holder.error().toStdString();
    const auto current = folderHashes(c.db.folder());
    const auto previous = folderHashes(c.old);

    const QStringList told = c.start();

    EXPECT_EQ(folderHashes(c.db.folder()), current);
    EXPECT_EQ(folderHashes(c.old), previous);
    EXPECT_EQ(c.keptAside(), QStringList());
    EXPECT_EQ(told,
              QStringList{QStringLiteral("Die Datenbank im Verzeichnis ") + quoted(c.db.folder()) +
                          QStringLiteral(" wird von einem anderen Programm gesperrt (Prozess ") +
                          QString::number(holder.processId()) +
                          QStringLiteral(" (python3)).\r\n\r\nDie Datenbank und das Verzeichnis ") + quoted(c.old) +
                          QStringLiteral(" bleiben unverändert. Bitte beenden Sie das andere Programm und "
                                         "starten Sie kubNEWSLETTER danach erneut.")});
    ASSERT_FALSE(c.boxes.boxes().isEmpty());
    EXPECT_EQ(c.boxes.boxes().first().icon, MsgIcon::Warning);

    ASSERT_TRUE(holder.release());
    // Once the lock is gone the database is found intact, and still nothing moves.
    EXPECT_EQ(c.start().size(), 1);
    EXPECT_EQ(folderHashes(c.db.folder()), current);
    EXPECT_EQ(folderHashes(c.old), previous);
}

} // namespace
