#include "app/Main.h"
#include "backup/BackupUSPForm.h"
#include "controls/TFlatSB.h"
#include "core/NewsModuleFixture.h"
#include "desktop/MessageBoxes.h"
#include "platform/AppPaths.h"
#include "platform/VolumeProvider.h"
#include "platform/ZipEngine.h"
#include "platform/ZipTestSupport.h"
#include "platform/ZipVolumeWriter.h"
#include "support/FileModes.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>

namespace {

class FakeVolumes : public VolumeProvider {
public:
    QList<VolumeInfo> list;
    QList<VolumeInfo> volumes() const override { return list; }
};

// Tmp and what lies in it when its rights reach beyond the owner's, as "name:mode".
QStringList widerThanOwnerInTmp()
{
    const QString tmp = AppPaths::tmpFolder();
    QStringList wide;
    if (FileMode(tmp) != 0700)
        wide.append(QStringLiteral("Tmp:") + QString::number(FileMode(tmp), 8));
    for (const QString& name : QDir(tmp).entryList(QDir::Files | QDir::Hidden)) {
        if (const int mode = FileMode(tmp + u'/' + name); mode != 0600)
            wide.append(name + u':' + QString::number(mode, 8));
    }
    return wide;
}

QString todaysArchive()
{
    return QStringLiteral("BackupNews_") + QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")) +
           QStringLiteral(".zip");
}

// The main window on the fixture's database, with backup and restore reaching only fakes.
class BackupRestoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString root = QFileInfo(module.root()).canonicalFilePath();
        volumes.list = {
            {QStringLiteral("/"), QStringLiteral("/dev/sda1"), QStringLiteral("ext4"), VolumeKind::Fixed, {}},
            {root + QStringLiteral("/usb"),
             QStringLiteral("/dev/sdb1"),
             QStringLiteral("vfat"),
             VolumeKind::Removable,
             {}},
            {root + QStringLiteral("/cd"),
             QStringLiteral("/dev/sr0"),
             QStringLiteral("iso9660"),
             VolumeKind::Optical,
             {}}};
        for (const QString& name : {QStringLiteral("/Sicherung"), QStringLiteral("/usb"), QStringLiteral("/cd")})
            ASSERT_TRUE(QDir().mkpath(module.root() + name));
        target = module.root() + QStringLiteral("/Sicherung");
        DM2 = module.dm.get();
        makeWindow();
    }
    void TearDown() override
    {
        form.reset();
        DM2 = nullptr;
    }

    void makeWindow()
    {
        TMainFormSeams seams;
        seams.backup.volumes = &volumes;
        seams.backup.chooseTarget = [this]() -> std::optional<QString> {
            ++targetQuestions;
            return target.isEmpty() ? std::nullopt : std::optional<QString>(target);
        };
        seams.backup.freeSpace = [this](const QString& folder) { return freeSpace(folder); };
        seams.backup.formCreated = [this](TBackupUSPForm& window) { window.setPollHook(pollHook); };
        seams.restore = restoreSeams;
        seams.restore.chooseArchive = [this] { return archive; };
        seams.restore.chooseVolumeFolder = [this](int part, const QString&) { return volumeFolder(part); };
        seams.restore.formCreated = [this](TBackupUSPForm& window) { window.setPollHook(pollHook); };
        form = std::make_unique<TMainForm>(seams);
    }

    void trigger(const QString& caption)
    {
        for (QAction* action : form->Datensicherung1->actions()) {
            if (action->text() == caption) {
                action->trigger();
                return;
            }
        }
        FAIL() << "no menu item " << caption.toStdString();
    }

    QString backUp()
    {
        trigger(QStringLiteral("Sichern"));
        return target + u'/' + todaysArchive();
    }

    NewsModuleFixture module;
    MessageBoxRecorder boxes;
    FakeVolumes volumes;
    QString target;
    int targetQuestions = 0;
    std::function<qint64(const QString&)> freeSpace = [](const QString&) { return qint64(1) << 40; };
    std::function<void(TBackupUSPForm&)> pollHook;
    TRestoreSeams restoreSeams;
    std::optional<QString> archive;
    std::function<std::optional<QString>(int part)> volumeFolder = [](int) { return std::optional<QString>(); };
    std::unique_ptr<TMainForm> form;
};

TEST_F(BackupRestoreTest, ARoundTripThroughTheMenuGivesBackTheBackedUpContent)
{
    const QString backedUp = module.content();
    QList<bool> cancelEnabledWhileCopying;
    QStringList wide;
    pollHook = [&](TBackupUSPForm& window) {
        if (window.Label2->text() == QLatin1String("Sicherungsdatei wird auf Ziel kopiert"))
            cancelEnabledWhileCopying.append(window.FlatSB1->isEnabled());
        wide += widerThanOwnerInTmp();
    };
    const QString path = backUp();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Sicherung wurde erfolgreich abgeschlossen.")});
    ASSERT_FALSE(cancelEnabledWhileCopying.isEmpty());
    EXPECT_FALSE(cancelEnabledWhileCopying.contains(true));
    EXPECT_EQ(FileMode(path), 0600);
    EXPECT_FALSE(QFileInfo::exists(AppPaths::tmpFolder()));
    const ToolRun listing = runTool(QStringLiteral("unzip"), {QStringLiteral("-Z1"), path}, target);
    EXPECT_EQ(listing.output.trimmed().split(u'\n'),
              (QStringList{QStringLiteral("Adressen.ADI"), QStringLiteral("Adressen.ADT"),
                           QStringLiteral("Verfasser.ADI"), QStringLiteral("Verfasser.ADT")}));
    EXPECT_EQ(
        runTool(QStringLiteral("unzip"), {QStringLiteral("-v"), path}, target).output.count(QStringLiteral("Defl:X")),
        4);
    EXPECT_EQ(runTool(QStringLiteral("unzip"), {QStringLiteral("-tq"), path}, target).exitCode, 0);

    module.dm->AdsConnection1.execute(QStringLiteral("Test"), QStringLiteral("DELETE FROM Adressen WHERE ID = 3"));
    module.dm->AdsConnection1.execute(
        QStringLiteral("Test"),
        QStringLiteral("INSERT INTO Adressen (AbsenderID, Name, Email) VALUES (2, 'Neu', 'neu@example.org')"));
    ASSERT_NE(module.content(), backedUp);

    boxes.clear();
    archive = path;
    boxes.answerNext(MsgAnswer::Yes);
    trigger(QStringLiteral("Einspielen"));
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("Wollen Sie die Sicherungsdatei  \"") + todaysArchive() +
                                              QStringLiteral("\"  jetzt einspielen?"),
                                          QStringLiteral("Einspielen der Datensicherung erfolgreich abgeschlossen!")}));
    EXPECT_TRUE(module.dm->AdsConnection1.isConnected());
    EXPECT_FALSE(form->databaseUnavailable());
    EXPECT_EQ(module.content(), backedUp);
    EXPECT_FALSE(QFileInfo::exists(AppPaths::tmpFolder()));
    EXPECT_FALSE(QFileInfo::exists(AppPaths::oldDatabaseFolder()));

    // Other local users can read none of it, at no step.
    EXPECT_EQ(wide, QStringList());
    EXPECT_EQ(FileMode(module.folder()), 0700);
    for (const QString& name : QDir(module.folder()).entryList(QDir::Files | QDir::Hidden))
        EXPECT_EQ(FileMode(module.folder() + u'/' + name), 0600) << name.toStdString();
}

TEST_F(BackupRestoreTest, ABackupOntoSmallRemovableMediaRestoresThroughTheJoiner)
{
    // Enough rows that do not compress well to need several volumes of 64 KiB.
    DbTransaction transaction(module.dm->AdsConnection1);
    QRandomGenerator random(11);
    for (int i = 0; i < 1500; ++i) {
        QString name;
        for (int c = 0; c < 60; ++c)
            name += QChar(u'a' + random.bounded(26));
        module.dm->AdsConnection1.execute(
            QStringLiteral("Test"), QStringLiteral("INSERT INTO Adressen (AbsenderID, Name, Email) VALUES (1, ?, ?)"),
            {QVariant(name), QVariant(name.left(30) + QStringLiteral("@example.org"))});
    }
    transaction.commit();
    const QString backedUp = module.content();
    target = module.root() + QStringLiteral("/usb");
    // The file system keeps 64 KiB of each medium's 128 free for itself.
    freeSpace = [](const QString&) { return qint64(128 * 1024); };
    for (int i = 0; i < 20; ++i)
        boxes.answerNext(MsgAnswer::Yes); // the same folder for every next medium

    const QString path = backUp();
    ASSERT_EQ(boxes.texts().last(), QStringLiteral("Sicherung wurde erfolgreich abgeschlossen."));
    const int prompts = int(boxes.texts().size()) - 1;
    ASSERT_GE(prompts, 1);
    EXPECT_TRUE(boxes.texts().first().startsWith(QStringLiteral("Der Datenträger ist voll.")));
    EXPECT_TRUE(QFileInfo::exists(target + QStringLiteral("/") + todaysArchive().left(todaysArchive().size() - 4) +
                                  QStringLiteral(".z01")));
    for (const QString& name : QDir(target).entryList(QDir::Files))
        EXPECT_LE(QFileInfo(target + u'/' + name).size(), 64 * 1024) << name.toStdString();

    module.dm->AdsConnection1.execute(QStringLiteral("Test"), QStringLiteral("DELETE FROM Adressen"));
    boxes.clear();
    archive = path;
    boxes.answerNext(MsgAnswer::Yes);
    trigger(QStringLiteral("Einspielen"));
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("Einspielen der Datensicherung erfolgreich abgeschlossen!"));
    EXPECT_EQ(module.content(), backedUp);
}

TEST_F(BackupRestoreTest, ACancelDuringTheArchiveStepEndsQuietlyAndTheNextBackupWorks)
{
    pollHook = [](TBackupUSPForm& window) {
        if (window.Label2->text() == QLatin1String("Sicherungsdatei wird erstellt") && !window.Label3->text().isEmpty())
            window.Cancelled = true;
    };
    backUp();
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(targetQuestions, 0);
    EXPECT_FALSE(QFileInfo::exists(AppPaths::tmpFolder()));
    EXPECT_FALSE(QFileInfo::exists(target + u'/' + todaysArchive()));

    pollHook = {};
    backUp();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Sicherung wurde erfolgreich abgeschlossen.")});
    EXPECT_TRUE(QFileInfo::exists(target + u'/' + todaysArchive()));
}

TEST_F(BackupRestoreTest, WhileABackupRunsNothingElseStartsAndTheWindowStaysOpen)
{
    bool tried = false;
    pollHook = [&](TBackupUSPForm&) {
        if (tried)
            return;
        tried = true;
        trigger(QStringLiteral("Einspielen"));
        trigger(QStringLiteral("Sichern"));
        EXPECT_FALSE(form->close());
    };
    backUp();
    const QString refusal =
        QStringLiteral("Der Vorgang \"Datensicherung\" läuft noch.\r\nBitte warten Sie, bis er abgeschlossen ist.");
    EXPECT_EQ(boxes.texts(),
              (QStringList{refusal, refusal, refusal, QStringLiteral("Sicherung wurde erfolgreich abgeschlossen.")}));
}

TEST_F(BackupRestoreTest, TargetsThatCannotTakeTheArchiveEndTheCommand)
{
    struct Case {
        const char* name;
        QString folder;
        qint64 free;
        QList<MsgAnswer> answers;
        QStringList boxes;
    };
    const QString optical =
        QStringLiteral("Auf diesem Laufwerk kann nicht gesichert werden.\r\n\r\nBitte wählen Sie einen "
                       "Ordner auf einer Festplatte, einem Wechseldatenträger oder einem Netzlaufwerk.");
    const QString tooSmall = QStringLiteral("Zu wenig Speicherplatz auf dem Sicherungsziel!\r\n\r\n"
                                            "Möchten Sie ein anderes Sicherungsziel auswählen?");
    const QList<Case> cases{
        {"picker cancelled", QString(), 0, {}, {}},
        {"an optical drive", QStringLiteral("/cd"), qint64(1) << 30, {}, {optical}},
        {"a full fixed drive, answer No", QStringLiteral("/Sicherung"), 10, {MsgAnswer::No}, {tooSmall}},
        {"a removable medium of unknown size",
         QStringLiteral("/usb"),
         -1,
         {},
         {QStringLiteral("Speicherplatz auf Zieldatenträger konnte nicht ermittelt werden!")}},
        {"a removable medium with 1000 bytes free",
         QStringLiteral("/usb"),
         1000,
         {},
         {QStringLiteral("Auf dem Datenträger sind weniger als 128 KB frei.")}},
        {"a removable medium with 100 KiB free, 64 of them the file system's",
         QStringLiteral("/usb"),
         100 * 1024,
         {},
         {QStringLiteral("Auf dem Datenträger sind weniger als 128 KB frei.")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        target = c.folder.isEmpty() ? QString() : module.root() + c.folder;
        freeSpace = [&c](const QString&) { return c.free; };
        for (const MsgAnswer answer : c.answers)
            boxes.answerNext(answer);
        backUp();
        EXPECT_EQ(boxes.texts(), c.boxes);
        EXPECT_FALSE(QFileInfo::exists(AppPaths::tmpFolder()));
        EXPECT_TRUE(QDir(module.root() + QStringLiteral("/usb")).isEmpty());
    }
}

} // namespace

namespace {

TEST_F(BackupRestoreTest, AFullFixedTargetLetsTheUserChooseAnother)
{
    const QString full = module.root() + QStringLiteral("/Sicherung");
    const QString roomy = module.root() + QStringLiteral("/Platz");
    ASSERT_TRUE(QDir().mkpath(roomy));
    freeSpace = [full](const QString& folder) { return folder == full ? qint64(10) : qint64(1) << 40; };
    boxes.answerNext(MsgAnswer::Yes);
    int picked = 0;
    form.reset();
    target.clear();
    TMainFormSeams seams;
    seams.backup.volumes = &volumes;
    seams.backup.freeSpace = [this](const QString& folder) { return freeSpace(folder); };
    seams.backup.chooseTarget = [&]() -> std::optional<QString> { return ++picked == 1 ? full : roomy; };
    form = std::make_unique<TMainForm>(seams);
    trigger(QStringLiteral("Sichern"));
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("Zu wenig Speicherplatz auf dem Sicherungsziel!\r\n\r\n"
                                                         "Möchten Sie ein anderes Sicherungsziel auswählen?"),
                                          QStringLiteral("Sicherung wurde erfolgreich abgeschlossen.")}));
    EXPECT_TRUE(QFileInfo::exists(roomy + u'/' + todaysArchive()));
    EXPECT_FALSE(QFileInfo::exists(full + u'/' + todaysArchive()));
}

} // namespace

namespace {

TEST_F(BackupRestoreTest, WhatAnEarlierRunLeftInTmpNeverEndsTheBackupSilently)
{
    const QString tmp = AppPaths::tmpFolder();
    const QString other = module.root() + QStringLiteral("/Anderes");
    ASSERT_TRUE(QDir().mkpath(other));
    writeText(other + QStringLiteral("/Brief.txt"), "bleibt");
    struct Case {
        const char* name;
        std::function<void()> arrange;
        QStringList boxes;
    };
    const QList<Case> cases{
        {"a folder where the archive goes and a stray file",
         [&] {
             ASSERT_TRUE(QDir().mkpath(tmp + u'/' + todaysArchive()));
             writeText(tmp + QStringLiteral("/Adressen.ADT-journal"), "stale");
         },
         {QStringLiteral("Sicherung wurde erfolgreich abgeschlossen.")}},
        {"Tmp a link to another folder",
         [&] { ASSERT_TRUE(QFile::link(other, tmp)); },
         {QStringLiteral("Es konnte kein temporäres Verzeichnis angelegt werden!\r\n\r\n\"") + tmp +
          QStringLiteral("\" ist eine Verknüpfung und kein Verzeichnis")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        QFile::remove(target + u'/' + todaysArchive());
        c.arrange();
        const QString path = backUp();
        EXPECT_EQ(boxes.texts(), c.boxes);
        if (c.boxes.first().startsWith(QLatin1String("Sicherung"))) {
            const ToolRun listing = runTool(QStringLiteral("unzip"), {QStringLiteral("-Z1"), path}, target);
            EXPECT_EQ(listing.output.trimmed().split(u'\n').size(), 4) << listing.output.toStdString();
            EXPECT_FALSE(QFileInfo::exists(tmp));
        } else {
            EXPECT_FALSE(QFileInfo::exists(path));
        }
        EXPECT_EQ(readAll(other + QStringLiteral("/Brief.txt")), QByteArray("bleibt"));
        EXPECT_EQ(QDir(other).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Brief.txt")});
        QFile::remove(tmp);
    }
}

TEST_F(BackupRestoreTest, ASplitBackupSpreadOverSeveralMediaIsRestored)
{
    const QString backedUp = module.content();
    const QString whole = backUp();
    ASSERT_EQ(boxes.texts(), QStringList{QStringLiteral("Sicherung wurde erfolgreich abgeschlossen.")});
    // Volume N on the medium in folder "TeilN", the last one holding the ".zip".
    const auto mediumOf = [this](int volume) -> QString {
        return module.root() + QStringLiteral("/Teil") + QString::number(volume);
    };
    TZipVolumeWriter writer;
    writer.setNextMedium([&](int volume, const ZipMedium& previous) {
        QDir().mkpath(mediumOf(volume));
        return std::optional<ZipMedium>({mediumOf(volume), previous.bound});
    });
    ASSERT_TRUE(QDir().mkpath(mediumOf(1)));
    const TZipVolumeWriter::Result written = writer.write(whole, {mediumOf(1), 1024}, todaysArchive());
    ASSERT_EQ(written.status, TZipVolumeWriter::Status::Ok) << written.message.toStdString();
    const int parts = written.volumes - 1;
    ASSERT_GE(parts, 2);

    module.dm->AdsConnection1.execute(QStringLiteral("Test"), QStringLiteral("DELETE FROM Adressen"));
    volumeFolder = [&](int part) { return std::optional<QString>(mediumOf(part)); };
    boxes.clear();
    archive = mediumOf(written.volumes) + u'/' + todaysArchive();
    boxes.answerNext(MsgAnswer::Yes);
    for (int part = 1; part <= parts; ++part)
        boxes.answerNext(MsgAnswer::No); // another folder
    trigger(QStringLiteral("Einspielen"));

    ASSERT_EQ(boxes.texts().size(), parts + 2) << boxes.texts().join(u'|').toStdString();
    const QString stem = todaysArchive().left(todaysArchive().size() - 4);
    const QString last = mediumOf(written.volumes);
    EXPECT_EQ(boxes.texts()[1],
              QStringLiteral("Teil 1 der Sicherung (\"") + stem + QStringLiteral(".z01\") wurde in \"") + last +
                  QStringLiteral("\" nicht gefunden.\r\n\r\nBitte legen Sie den Datenträger mit Teil 1 der "
                                 "Sicherung ein.\r\n\r\nJa: Teil 1 in \"") +
                  last +
                  QStringLiteral("\" suchen\r\nNein: einen anderen Ordner wählen\r\nAbbrechen: Einspielen abbrechen"));
    EXPECT_EQ(boxes.boxes()[1].icon, MsgIcon::Question);
    EXPECT_EQ(boxes.boxes()[1].buttons, MsgButtons::YesNoCancel);
    // Each part is looked for where the one before it was found.
    EXPECT_TRUE(boxes.texts()[2].contains(QStringLiteral("Teil 2 in \"") + mediumOf(1) + u'"'));
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("Einspielen der Datensicherung erfolgreich abgeschlossen!"));
    EXPECT_EQ(module.content(), backedUp);
    EXPECT_FALSE(QFileInfo::exists(AppPaths::tmpFolder()));
}

} // namespace
