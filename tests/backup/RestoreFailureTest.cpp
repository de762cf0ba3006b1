#include "backup/BackupCommand.h"
#include "backup/BackupUSPForm.h"
#include "backup/RestoreCommand.h"
#include "core/NewsModuleFixture.h"
#include "desktop/MessageBoxes.h"
#include "platform/AppPaths.h"
#include "platform/DirectoryTree.h"
#include "platform/FileSystems.h"
#include "platform/ZipEngine.h"
#include "platform/ZipTestSupport.h"
#include "platform/ZipVolumeWriter.h"

#include <QDir>
#include <QFileInfo>

#include <map>

namespace {

const QStringList kFiles{QStringLiteral("Adressen.ADI"), QStringLiteral("Adressen.ADT"),
                         QStringLiteral("Verfasser.ADI"), QStringLiteral("Verfasser.ADT")};
const QString kQuestion =
    QStringLiteral("Wollen Sie die Sicherungsdatei  \"BackupNews_01.12.2026.zip\"  jetzt einspielen?");
// An archive of the database files in folder, made with our engine.
void archiveDatabase(const QString& folder, const QString& archive)
{
    QStringList files;
    for (const QString& name : kFiles)
        files.append(folder + u'/' + name);
    ASSERT_TRUE(TZipEngine().add(archive, files));
}

const QString kRestoreFailed = QStringLiteral("Originalzustand konnte nicht wieder hergestellt werden.");

// One restore on a fresh database: an archive of another database's files (the fixture with a
// sender deleted) made with our engine, then the failure the case injects.
struct RestoreRun {
    RestoreRun() : oldHome(qgetenv("HOME"))
    {
        const QString source = module.root() + QStringLiteral("/Fremd");
        QDir().mkpath(source);
        for (const QString& name : kFiles)
            QFile::copy(module.folder() + u'/' + name, source + u'/' + name);
        archive = module.root() + QStringLiteral("/BackupNews_01.12.2026.zip");
        seams.chooseArchive = [this] { return std::optional<QString>(archive); };
        seams.formCreated = [this](TBackupUSPForm& form) {
            form.setPollHook([this](TBackupUSPForm& f) {
                if (++polls == cancelAtPoll)
                    f.Cancelled = true;
            });
        };
    }

    ~RestoreRun() { qputenv("HOME", oldHome); }

    void makeArchive(const QStringList& names, const QString& folder)
    {
        QStringList files;
        for (const QString& name : names)
            files.append(folder + u'/' + name);
        TZipEngine engine;
        ASSERT_TRUE(engine.add(archive, files));
    }

    // The database's archive as a set of small volumes in one folder; archive names its last.
    void makeSplitArchive()
    {
        makeArchive(kFiles, module.folder());
        const QString set = module.root() + QStringLiteral("/Satz");
        QDir().mkpath(set);
        TZipVolumeWriter writer;
        writer.setNextMedium([](int, const ZipMedium& previous) { return std::optional<ZipMedium>(previous); });
        const TZipVolumeWriter::Result written = writer.write(archive, {set, 1024}, QFileInfo(archive).fileName());
        ASSERT_EQ(written.status, TZipVolumeWriter::Status::Ok) << written.message.toStdString();
        ASSERT_GE(written.volumes, 2);
        archive = set + u'/' + QFileInfo(archive).fileName();
    }

    void run()
    {
        before = folderHashes(module.folder());
        TRestoreCommand(*module.dm, module.flag, nullptr, seams).RestoreDatabase();
    }

    NewsModuleFixture module;
    MessageBoxRecorder boxes;
    TRestoreSeams seams;
    QString archive;
    int polls = 0;
    int cancelAtPoll = 0;
    std::map<QString, QByteArray> before;
    QByteArray oldHome;
};

TEST(RestoreFailureTest, NoFailureCostsTheDatabase)
{
    struct Case {
        const char* name;
        std::function<void(RestoreRun&)> arrange;
        QStringList boxes; // a text ending in "*" matches by its start
        bool oldKept = false;
    };
    const auto validArchive = [](RestoreRun& r) { r.makeArchive(kFiles, r.module.folder()); };
    const auto failNth = [](int n, std::function<bool(const QString&, const QString&)> real) {
        auto calls = std::make_shared<int>(0);
        return
            [n, calls, real](const QString& from, const QString& to) { return ++*calls == n ? false : real(from, to); };
    };
    const auto realCopy = [](const QString& from, const QString& to) { return QFile::copy(from, to); };
    QList<Case> cases{
        {"picker cancelled",
         [](RestoreRun& r) { r.seams.chooseArchive = [] { return std::optional<QString>(); }; },
         {}},
        {"answer No",
         [&](RestoreRun& r) {
             validArchive(r);
             r.boxes.answerNext(MsgAnswer::No);
         },
         {kQuestion}},
        {"archive vanished",
         [](RestoreRun&) {},
         {QStringLiteral("Ausgewählte Sicherungsdatei konnte nicht gefunden werden!")}},
        {"disconnect refused",
         [&](RestoreRun& r) {
             validArchive(r);
             r.seams.disconnect = [] { return false; };
         },
         {kQuestion, QStringLiteral("Verbindung zur Datenbank konnte nicht getrennt werden!")}},
        {"foreign files in the database folder",
         [&](RestoreRun& r) {
             validArchive(r);
             writeText(r.module.folder() + QStringLiteral("/Notizen.txt"), "meine Notizen");
         },
         {kQuestion, QStringLiteral("Das Datenbankverzeichnis \"*")}},
        {"a missing member, a stale file in Tmp",
         [&](RestoreRun& r) {
             r.makeArchive(kFiles.mid(0, 3), r.module.folder());
             QDir().mkpath(AppPaths::tmpFolder());
             writeText(AppPaths::tmpFolder() + QStringLiteral("/Verfasser.ADT"), "stale");
         },
         {kQuestion, QStringLiteral("Die Sicherungsdatei enthält keine gültige Datenbank!\r\n\r\nDie Datei "
                                    "\"Verfasser.ADT\" fehlt darin.")}},
        {"one flipped byte in compressed data",
         [&](RestoreRun& r) {
             validArchive(r);
             QByteArray bytes = readAll(r.archive);
             const qsizetype at = bytes.indexOf("Adressen.ADT") + 40;
             bytes[at] = char(bytes[at] ^ 0x10);
             writeText(r.archive, bytes);
         },
         {kQuestion, QStringLiteral("Die Datensicherung ist beschädigt und kann nicht eingespielt werden.*")}},
        {"members that are not our database",
         [&](RestoreRun& r) {
             const QString junk = r.module.root() + QStringLiteral("/Junk");
             QDir().mkpath(junk);
             for (const QString& name : kFiles)
                 writeText(junk + u'/' + name, "kein SQLite");
             r.makeArchive(kFiles, junk);
         },
         {kQuestion, QStringLiteral("Die Sicherungsdatei enthält keine gültige Datenbank!*")}},
        {"a part of a split set not found, the search cancelled",
         [&](RestoreRun& r) {
             r.makeSplitArchive();
             ASSERT_TRUE(QFile::remove(QFileInfo(r.archive).path() + QStringLiteral("/BackupNews_01.12.2026.z01")));
             r.boxes.answerNext(MsgAnswer::Yes);
             r.boxes.answerNext(MsgAnswer::Cancel);
         },
         {kQuestion, QStringLiteral("Teil 1 der Sicherung (\"BackupNews_01.12.2026.z01\") wurde in \"*")}},
        {"rename refused",
         [&](RestoreRun& r) {
             validArchive(r);
             r.seams.files.rename = [](const QString&, const QString&) { return false; };
         },
         {kQuestion, QStringLiteral("Das Datenbankverzeichnis konnte nicht nach \"*")}},
        {"folder creation refused",
         [&](RestoreRun& r) {
             validArchive(r);
             r.seams.files.makeFolder = [](const QString&) { return false; };
         },
         {kQuestion, QStringLiteral("Das Datenbankverzeichnis \"*")}},
        {"the third copy refused",
         [&](RestoreRun& r) {
             validArchive(r);
             r.seams.files.copy = failNth(3, realCopy);
         },
         {kQuestion, QStringLiteral("Das Datenbankfile \"Verfasser.ADI\" konnte nicht eingespielt werden!")}},
        {"a rollback whose delete fails",
         [&](RestoreRun& r) {
             validArchive(r);
             r.seams.files.copy = failNth(3, realCopy);
             const QString databaseFolder = r.module.folder();
             r.seams.files.deleteTree = [databaseFolder](const QString& folder) {
                 return folder == databaseFolder ? false : DeleteDirectoryTree(folder);
             };
         },
         {kQuestion, QStringLiteral("Das Datenbankfile \"Verfasser.ADI\" konnte nicht eingespielt werden!"),
          kRestoreFailed, QStringLiteral("#49 AdsConnection1: *")},
         true},
    };
    // A cancel at each check of a restore that would succeed.
    for (int poll = 1; poll <= 30; ++poll) {
        cases.append({"cancel at a check",
                      [validArchive, poll](RestoreRun& r) {
                          validArchive(r);
                          r.cancelAtPoll = poll;
                      },
                      {kQuestion}});
    }

    int cancelRowsRun = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RestoreRun r;
        c.arrange(r);
        const bool cancelCase = r.cancelAtPoll > 0;
        r.boxes.answerNext(MsgAnswer::Yes);
        r.run();
        if (cancelCase && r.polls < r.cancelAtPoll)
            continue; // fewer checks than this; the restore has already been seen to succeed
        cancelRowsRun += cancelCase ? 1 : 0;
        SCOPED_TRACE(r.cancelAtPoll);
        const QStringList texts = r.boxes.texts();
        ASSERT_EQ(texts.size(), c.boxes.size()) << texts.join(u'|').toStdString();
        for (qsizetype i = 0; i < texts.size(); ++i) {
            if (c.boxes[i].endsWith(u'*')) {
                EXPECT_TRUE(texts[i].startsWith(c.boxes[i].chopped(1))) << texts[i].toStdString();
            } else {
                EXPECT_EQ(texts[i], c.boxes[i]);
            }
        }
        const QString old = AppPaths::oldDatabaseFolder();
        if (c.oldKept) {
            EXPECT_EQ(folderHashes(old), r.before);
        } else {
            EXPECT_EQ(folderHashes(r.module.folder()), r.before);
            EXPECT_FALSE(QFileInfo::exists(old));
            EXPECT_TRUE(r.module.dm->AdsConnection1.isConnected());
            EXPECT_FALSE(r.module.flag.unavailable);
        }
        EXPECT_FALSE(QFileInfo::exists(AppPaths::tmpFolder()));
    }
    // Extraction progress and every step of moving and copying poll the flag.
    EXPECT_GE(cancelRowsRun, 15);
}

TEST(RestoreTest, AnEarlierAdsOldIsKeptUnderADatedName)
{
    RestoreRun r;
    r.makeArchive(kFiles, r.module.folder());
    const QString old = AppPaths::oldDatabaseFolder();
    QDir().mkpath(old);
    writeText(old + QStringLiteral("/Verfasser.ADT"), "the only copy");
    r.seams.now = [] { return QDateTime(QDate(2026, 12, 10), QTime(14, 5, 9)); };
    r.boxes.answerNext(MsgAnswer::Yes);
    r.run();
    EXPECT_EQ(r.boxes.texts(),
              (QStringList{kQuestion,
                           QStringLiteral("Das Verzeichnis \"") + old +
                               QStringLiteral("\" aus einem früheren Einspielen kann die einzige Kopie einer "
                                              "früheren Datenbank enthalten.\r\n\r\nEs wurde in \"") +
                               old + QStringLiteral("_20261210_140509\" umbenannt."),
                           QStringLiteral("Einspielen der Datensicherung erfolgreich abgeschlossen!")}));
    EXPECT_EQ(readAll(AppPaths::workFolder() + QStringLiteral("/ADS_OLD_20261210_140509/Verfasser.ADT")),
              QByteArray("the only copy"));
    EXPECT_FALSE(QFileInfo::exists(old));
}

TEST(RestoreTest, RestoringWithoutADatabaseFolderCreatesIt)
{
    RestoreRun r;
    r.makeArchive(kFiles, r.module.folder());
    const QString content = r.module.content();
    r.module.dm->AdsConnection1.disconnect();
    ASSERT_TRUE(QDir(r.module.folder()).removeRecursively());
    r.boxes.answerNext(MsgAnswer::Yes);
    r.run();
    EXPECT_EQ(r.boxes.texts().last(), QStringLiteral("Einspielen der Datensicherung erfolgreich abgeschlossen!"));
    EXPECT_FALSE(r.module.flag.unavailable);
    EXPECT_EQ(r.module.content(), content);
}

} // namespace

namespace {

TEST(RestoreTest, ADatabaseOnAnotherFileSystemIsRefusedUntouched)
{
    QTemporaryDir other(QStringLiteral("/dev/shm/kubnews-XXXXXX"));
    TestEnvironment env;
    if (!other.isValid() || SameFileSystem(other.path(), env.root()))
        GTEST_SKIP() << "no second file system at /dev/shm";
    const QString folder = other.path() + QStringLiteral("/Datenbank");
    ASSERT_TRUE(CreateEmptyDatabase(folder).ok);
    env.writeStandardRegistry({}, QStringLiteral("\"DBPath\"=\"%1\"\n").arg(folder));
    NewsModuleFixture::Flag flag;
    TDM2 dm(flag);
    const QString archive = env.root() + QStringLiteral("/BackupNews_01.12.2026.zip");
    archiveDatabase(folder, archive);
    const auto before = folderHashes(folder);

    MessageBoxRecorder boxes;
    boxes.answerNext(MsgAnswer::Yes);
    TRestoreSeams seams;
    seams.chooseArchive = [&] { return std::optional<QString>(archive); };
    TRestoreCommand(dm, flag, nullptr, seams).RestoreDatabase();
    ASSERT_EQ(boxes.texts().size(), 2);
    EXPECT_TRUE(boxes.texts()[1].contains(QStringLiteral("liegt auf einem anderen Dateisystem")));
    EXPECT_EQ(folderHashes(folder), before);
    EXPECT_TRUE(dm.AdsConnection1.isConnected());
    EXPECT_FALSE(QFileInfo::exists(AppPaths::tmpFolder()));
}

} // namespace

namespace {

TEST(RestoreTest, ADatabaseFolderThatCouldNotBeDeletedAgainIsRefusedUntouched)
{
    struct Case {
        const char* name;
        // Returns the database folder as the module sees it.
        std::function<QString(RestoreRun&)> arrange;
    };
    const QList<Case> cases{
        {"the home folder",
         [](RestoreRun& r) {
             qputenv("HOME", r.module.folder().toUtf8());
             return r.module.folder();
         }},
        {"above the home folder",
         [](RestoreRun& r) {
             qputenv("HOME", (r.module.folder() + QStringLiteral("/Benutzer")).toUtf8());
             return r.module.folder();
         }},
        {"a link to the folder",
         [](RestoreRun& r) {
             const QString link = r.module.root() + QStringLiteral("/Verknüpfung");
             EXPECT_TRUE(QFile::link(r.module.folder(), link));
             r.module.dm.reset();
             r.module.db.env.writeStandardRegistry({}, QStringLiteral("\"DBPath\"=\"%1\"\n").arg(link));
             r.module.dm = std::make_unique<TDM2>(r.module.flag);
             return link;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RestoreRun r;
        r.makeArchive(kFiles, r.module.folder());
        const QString folder = c.arrange(r);
        ASSERT_TRUE(r.module.dm->AdsConnection1.isConnected());
        r.boxes.answerNext(MsgAnswer::Yes);
        r.run();
        EXPECT_EQ(r.boxes.texts(),
                  (QStringList{kQuestion, QStringLiteral("Das Datenbankverzeichnis \"") + folder +
                                              QStringLiteral("\" kann nicht ersetzt werden: es liegt direkt unter "
                                                             "\"/\", ist der persönliche Ordner oder liegt über ihm, "
                                                             "oder es ist eine Verknüpfung.\r\n\r\nDie Sicherung kann "
                                                             "dort nicht eingespielt werden.")}));
        EXPECT_EQ(folderHashes(r.module.folder()), r.before);
        EXPECT_FALSE(QFileInfo::exists(AppPaths::oldDatabaseFolder()));
        EXPECT_FALSE(QFileInfo::exists(AppPaths::tmpFolder()));
        EXPECT_TRUE(r.module.dm->AdsConnection1.isConnected());
    }
}

} // namespace

namespace {

// A database folder that is, holds or lies in a folder the program empties or fills itself.
TEST(BackupAndRestoreTest, ADatabaseFolderOverlappingAWorkFolderIsRefusedUntouched)
{
    struct Case {
        const char* name;
        QString databaseFolder; // relative to the work folder, or a link ("@" + relative target)
        QString created;        // where the files are, relative to the work folder
        QString overlapping;    // the work folder named in the box
    };
    const QList<Case> cases{
        {"Tmp itself", QStringLiteral("Tmp"), QStringLiteral("Tmp"), QStringLiteral("Tmp")},
        {"inside Tmp", QStringLiteral("Tmp/Datenbank"), QStringLiteral("Tmp/Datenbank"), QStringLiteral("Tmp")},
        {"ADS_OLD itself", QStringLiteral("ADS_OLD"), QStringLiteral("ADS_OLD"), QStringLiteral("ADS_OLD")},
        {"inside Log", QStringLiteral("Log/DB"), QStringLiteral("Log/DB"), QStringLiteral("Log")},
        {"the work folder, holding all three", QString(), QString(), QStringLiteral("Tmp")},
        {"Tmp reached through ..", QStringLiteral("Datenbank/../Tmp"), QStringLiteral("Tmp"), QStringLiteral("Tmp")},
        {"a link to Tmp", QStringLiteral("@Tmp"), QStringLiteral("Tmp"), QStringLiteral("Tmp")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestEnvironment env;
        const QString work = AppPaths::workFolder();
        const QString files = QDir::cleanPath(work + u'/' + c.created);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(files).path()));
        ASSERT_TRUE(CreateEmptyDatabase(files).ok);
        ASSERT_TRUE(QDir().mkpath(work + QStringLiteral("/Datenbank")));
        QString folder = QDir::cleanPath(work + u'/' + c.databaseFolder);
        if (c.databaseFolder.startsWith(u'@')) {
            folder = env.root() + QStringLiteral("/Verknüpfung");
            ASSERT_TRUE(QFile::link(files, folder));
        } else if (!c.databaseFolder.isEmpty()) {
            folder = work + u'/' + c.databaseFolder;
        }
        env.writeStandardRegistry({}, QStringLiteral("\"DBPath\"=\"%1\"\n").arg(folder));
        NewsModuleFixture::Flag flag;
        TDM2 dm(flag);
        ASSERT_TRUE(dm.AdsConnection1.isConnected());
        const QString archive = env.root() + QStringLiteral("/BackupNews_01.12.2026.zip");
        archiveDatabase(files, archive);
        const auto before = folderHashes(files);
        const QString refusal = QStringLiteral("Das Datenbankverzeichnis \"") + QDir::cleanPath(folder) +
                                QStringLiteral("\" überschneidet sich mit dem Arbeitsverzeichnis \"") + work + u'/' +
                                c.overlapping +
                                QStringLiteral("\" des Programms.\r\n\r\nDatensicherung und Einspielen sind so nicht "
                                               "möglich. Bitte wählen Sie in den Einstellungen ein anderes "
                                               "Datenbankverzeichnis.");

        MessageBoxRecorder boxes;
        TBackupSeams backup;
        backup.chooseTarget = [&] { return std::optional<QString>(env.root()); };
        TBackupCommand(dm, nullptr, backup).BackupDatabase();
        boxes.answerNext(MsgAnswer::Yes);
        TRestoreSeams restore;
        restore.chooseArchive = [&] { return std::optional<QString>(archive); };
        TRestoreCommand(dm, flag, nullptr, restore).RestoreDatabase();

        EXPECT_EQ(boxes.texts(), (QStringList{refusal, kQuestion, refusal}));
        EXPECT_EQ(folderHashes(files), before);
        EXPECT_TRUE(dm.AdsConnection1.isConnected());
        EXPECT_FALSE(flag.unavailable);
        if (c.overlapping != QLatin1String("ADS_OLD")) {
            EXPECT_FALSE(QFileInfo::exists(AppPaths::oldDatabaseFolder()));
        }
    }
}

} // namespace
