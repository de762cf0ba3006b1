#include "ZipTestSupport.h"
#include "platform/ZipEngine.h"
#include "platform/ZipLayout.h"
#include "platform/ZipVolumeJoiner.h"
#include "platform/ZipVolumeWriter.h"
#include "support/FileModes.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <iostream>

namespace {

using namespace ZipLayout;

constexpr qint64 kMedium = 100 * 1024;

class ZipVolumeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const QString& folder : {source(), media(), joined()})
            ASSERT_TRUE(QDir().mkpath(folder));
        // About 300 KiB that do not compress.
        quint32 seed = 7;
        for (const QString& name : names)
            writeNoise(source() + u'/' + name, name.endsWith(QLatin1String(".ADT")) ? 140 * 1024 : 9 * 1024, seed++);
        QStringList files;
        for (const QString& name : names)
            files.append(source() + u'/' + name);
        ASSERT_TRUE(engine.add(archive(), files));
        ASSERT_GT(QFileInfo(archive()).size(), 3 * kMedium - 40 * 1024);
    }

    QString source() const { return dir.path() + QStringLiteral("/src"); }
    QString media() const { return dir.path() + QStringLiteral("/media"); }
    QString joined() const { return dir.path() + QStringLiteral("/joined"); }
    QString archive() const { return dir.path() + QStringLiteral("/BackupNews_10.12.2026.zip"); }
    QString setName() const { return QStringLiteral("BackupNews_10.12.2026.zip"); }

    // Writes the archive onto media of kMedium bytes, all in one folder; answers the prompt.
    TZipVolumeWriter::Result writeSet(int cancelAtVolume = 0)
    {
        TZipVolumeWriter writer;
        writer.setNextMedium([&](int volume, const ZipMedium& previous) -> std::optional<ZipMedium> {
            prompts.append(volume);
            if (volume == cancelAtVolume)
                return std::nullopt;
            return previous;
        });
        return writer.write(archive(), {media(), kMedium}, setName());
    }

    void expectExtractsTheSources(const QString& plainArchive)
    {
        const QString out = dir.path() + QStringLiteral("/extracted");
        ASSERT_TRUE(QDir().mkpath(out));
        ASSERT_TRUE(engine.extract(plainArchive, out, names));
        for (const QString& name : names) {
            EXPECT_EQ(fileHash(out + u'/' + name), fileHash(source() + u'/' + name)) << name.toStdString();
            EXPECT_EQ(FileMode(out + u'/' + name), 0600) << name.toStdString();
        }
    }

    QTemporaryDir dir;
    TZipEngine engine;
    QList<int> prompts;
    const QStringList names{QStringLiteral("Adressen.ADI"), QStringLiteral("Adressen.ADT"),
                            QStringLiteral("Verfasser.ADI"), QStringLiteral("Verfasser.ADT")};
};

TEST_F(ZipVolumeTest, SplitsOntoMediaWithoutCuttingAHeaderAndJoinsBack)
{
    const TZipVolumeWriter::Result result = writeSet();
    ASSERT_EQ(result.status, TZipVolumeWriter::Status::Ok) << result.message.toStdString();
    ASSERT_GE(result.volumes, 3);
    EXPECT_EQ(prompts.size(), result.volumes - 1);

    const QString last = media() + u'/' + setName();
    const QStringList volumes = ZipVolumeJoiner::volumesOf(last);
    ASSERT_EQ(volumes.size(), result.volumes);
    EXPECT_EQ(QFileInfo(volumes.first()).fileName(), QStringLiteral("BackupNews_10.12.2026.z01"));
    EXPECT_EQ(QDir(media()).entryList(QDir::Files | QDir::Hidden).size(), result.volumes);
    for (const QString& volume : volumes) {
        EXPECT_LE(QFileInfo(volume).size(), kMedium) << volume.toStdString();
        EXPECT_EQ(FileMode(volume), 0600) << volume.toStdString();
    }
    EXPECT_EQ(read32(readAll(volumes.first()), 0), kSplitMarker);

    // Every local header lies whole on the volume its central entry names.
    QFile lastFile(last);
    ASSERT_TRUE(lastFile.open(QIODevice::ReadOnly));
    QString why;
    const std::optional<EndRecord> end = readEndRecord(lastFile, why);
    ASSERT_TRUE(end) << why.toStdString();
    EXPECT_EQ(end->disk(), result.volumes - 1);
    const QByteArray centralVolume = readAll(volumes[end->centralDisk()]);
    QList<CentralRecord> records;
    ASSERT_TRUE(splitCentralDirectory(centralVolume.mid(end->centralOffset(), end->centralSize()), 4, records, why))
        << why.toStdString();
    for (const CentralRecord& record : records) {
        const QByteArray volume = readAll(volumes[record.disk()]);
        ASSERT_LE(qsizetype(record.localOffset()) + kLocalHeaderSize, volume.size());
        EXPECT_EQ(read32(volume, record.localOffset()), kLocalHeaderSignature);
        const qsizetype headerEnd = record.localOffset() + kLocalHeaderSize + read16(volume, record.localOffset() + 26);
        EXPECT_LE(headerEnd, volume.size());
    }

    // Info-ZIP accepts the set.
    const ToolRun join = runTool(
        QStringLiteral("zip"),
        {QStringLiteral("-s"), QStringLiteral("0"), setName(), QStringLiteral("--out"), QStringLiteral("one.zip")},
        media());
    ASSERT_EQ(join.exitCode, 0) << join.output.toStdString();
    const ToolRun test = runTool(QStringLiteral("unzip"), {QStringLiteral("-tq"), QStringLiteral("one.zip")}, media());
    EXPECT_EQ(test.exitCode, 0) << test.output.toStdString();
    EXPECT_EQ(memberModes(media() + QStringLiteral("/one.zip")), QStringList(4, QStringLiteral("-rw-------")));

    // Our joiner gives back the files.
    ASSERT_TRUE(ZipVolumeJoiner::isSplitSet(last));
    const ZipVolumeJoiner::Result joinedBack = ZipVolumeJoiner::join(last, joined() + QStringLiteral("/a.zip"));
    ASSERT_TRUE(joinedBack.ok) << joinedBack.message.toStdString();
    EXPECT_EQ(FileMode(joined() + QStringLiteral("/a.zip")), 0600);
    expectExtractsTheSources(joined() + QStringLiteral("/a.zip"));
}

TEST_F(ZipVolumeTest, ASetMadeByInfoZipJoinsAndExtracts)
{
    const ToolRun split =
        runTool(QStringLiteral("zip"),
                {QStringLiteral("-q"), QStringLiteral("-s"), QStringLiteral("64k"), QStringLiteral("-j"),
                 media() + QStringLiteral("/set.zip"), source() + QStringLiteral("/Adressen.ADI"),
                 source() + QStringLiteral("/Adressen.ADT"), source() + QStringLiteral("/Verfasser.ADI"),
                 source() + QStringLiteral("/Verfasser.ADT")},
                dir.path());
    ASSERT_EQ(split.exitCode, 0) << split.output.toStdString();
    ASSERT_TRUE(QFileInfo::exists(media() + QStringLiteral("/set.z01")));
    ASSERT_TRUE(ZipVolumeJoiner::isSplitSet(media() + QStringLiteral("/set.zip")));
    const ZipVolumeJoiner::Result result =
        ZipVolumeJoiner::join(media() + QStringLiteral("/set.zip"), joined() + QStringLiteral("/set.zip"));
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    expectExtractsTheSources(joined() + QStringLiteral("/set.zip"));
}

TEST_F(ZipVolumeTest, AMissingVolumeIsNamed)
{
    ASSERT_EQ(writeSet().status, TZipVolumeWriter::Status::Ok);
    ASSERT_TRUE(QFile::remove(media() + QStringLiteral("/BackupNews_10.12.2026.z02")));
    const ZipVolumeJoiner::Result result =
        ZipVolumeJoiner::join(media() + u'/' + setName(), joined() + QStringLiteral("/a.zip"));
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.message.contains(QStringLiteral("BackupNews_10.12.2026.z02"))) << result.message.toStdString();
    EXPECT_FALSE(QFileInfo::exists(joined() + QStringLiteral("/a.zip")));
}

TEST_F(ZipVolumeTest, ACancelAtTheNextMediumLeavesNoVolume)
{
    const TZipVolumeWriter::Result result = writeSet(3);
    EXPECT_EQ(result.status, TZipVolumeWriter::Status::Cancelled);
    EXPECT_EQ(prompts, (QList<int>{2, 3}));
    EXPECT_EQ(QDir(media()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

TEST_F(ZipVolumeTest, ACancelSparesAFileOfAnotherSetOnTheMediumNowIn)
{
    // One drive; the second medium holds volumes of another set of the same name.
    const QString drive = dir.path() + QStringLiteral("/drive");
    const QString firstMedium = dir.path() + QStringLiteral("/first");
    const QString secondMedium = dir.path() + QStringLiteral("/second");
    ASSERT_TRUE(QDir().mkpath(drive));
    ASSERT_TRUE(QDir().mkpath(secondMedium));
    const QString z01 = QStringLiteral("BackupNews_10.12.2026.z01");
    writeText(secondMedium + u'/' + z01, "volume 1 of another set");
    TZipVolumeWriter writer;
    writer.setNextMedium([&](int volume, const ZipMedium& previous) -> std::optional<ZipMedium> {
        prompts.append(volume);
        if (volume == 3)
            return std::nullopt;
        // The user takes out the first medium and puts in the second.
        if (!QDir().rename(drive, firstMedium) || !QDir().rename(secondMedium, drive))
            return std::nullopt;
        return previous;
    });
    const TZipVolumeWriter::Result result = writer.write(archive(), {drive, kMedium}, setName());
    EXPECT_EQ(result.status, TZipVolumeWriter::Status::Cancelled);
    ASSERT_EQ(prompts, (QList<int>{2, 3}));
    // This run's second volume is gone, the other set's first one stays.
    EXPECT_EQ(QDir(drive).entryList(QDir::Files | QDir::Hidden), QStringList{z01});
    EXPECT_EQ(readAll(drive + u'/' + z01), QByteArray("volume 1 of another set"));
}

TEST_F(ZipVolumeTest, AnArchiveThatFitsIsOnePlainCopy)
{
    for (const qint64 bound : {qint64(0), qint64(4) * kMedium}) {
        SCOPED_TRACE(bound);
        TZipVolumeWriter writer;
        const TZipVolumeWriter::Result result = writer.write(archive(), {media(), bound}, setName());
        ASSERT_EQ(result.status, TZipVolumeWriter::Status::Ok);
        EXPECT_EQ(result.volumes, 1);
        EXPECT_EQ(fileHash(media() + u'/' + setName()), fileHash(archive()));
        EXPECT_EQ(FileMode(media() + u'/' + setName()), 0600);
        EXPECT_FALSE(ZipVolumeJoiner::isSplitSet(media() + u'/' + setName()));
        EXPECT_EQ(QDir(media()).entryList(QDir::Files | QDir::Hidden), QStringList{setName()});
    }
}

TEST_F(ZipVolumeTest, APartOnAnotherMediumIsAskedForAndCopiedBeforeItsMediumGoes)
{
    ASSERT_EQ(writeSet().status, TZipVolumeWriter::Status::Ok);
    // One drive takes one medium at a time; the user puts in the medium asked for, or picks
    // another folder for part 2.
    const QString drive = dir.path() + QStringLiteral("/drive");
    const QString elsewhere = dir.path() + QStringLiteral("/elsewhere");
    ASSERT_TRUE(QDir().mkpath(drive));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    const QStringList volumes = ZipVolumeJoiner::volumesOf(media() + u'/' + setName());
    ASSERT_GE(volumes.size(), 3);
    ASSERT_TRUE(QFile::rename(volumes.last(), drive + u'/' + setName()));
    ASSERT_TRUE(QFile::rename(volumes[1], elsewhere + u'/' + QFileInfo(volumes[1]).fileName()));
    QStringList asked;
    const auto putIn = [&](const QString& volume) {
        for (const QString& name : QDir(drive).entryList(QDir::Files))
            QFile::remove(drive + u'/' + name);
        QFile::rename(volume, drive + u'/' + QFileInfo(volume).fileName());
    };
    const auto find = [&](int part, const QString& name, const QString& folder) -> std::optional<QString> {
        asked.append(QString::number(part) + u':' + name + u'@' + QFileInfo(folder).fileName());
        if (part == 2)
            return elsewhere;
        putIn(volumes[part - 1]);
        return drive;
    };
    const QString copies = dir.path() + QStringLiteral("/copies");
    ASSERT_TRUE(QDir().mkpath(copies));
    const ZipVolumeJoiner::Result copied = ZipVolumeJoiner::copyVolumes(drive + u'/' + setName(), copies, find);
    ASSERT_TRUE(copied.ok) << copied.message.toStdString();
    QStringList expected{QStringLiteral("1:BackupNews_10.12.2026.z01@drive"),
                         QStringLiteral("2:BackupNews_10.12.2026.z02@drive")};
    // Each part is looked for where the one before it was found.
    for (int part = 3; part < volumes.size(); ++part)
        expected.append(QStringLiteral("%1:BackupNews_10.12.2026.z%2@%3")
                            .arg(part)
                            .arg(part, 2, 10, QChar(u'0'))
                            .arg(part == 3 ? QStringLiteral("elsewhere") : QStringLiteral("drive")));
    EXPECT_EQ(asked, expected);
    for (const QString& name : QDir(copies).entryList(QDir::Files))
        EXPECT_EQ(FileMode(copies + u'/' + name), 0600) << name.toStdString();
    ASSERT_EQ(QDir(copies).entryList(QDir::Files).size(), volumes.size());
    const ZipVolumeJoiner::Result joinedBack =
        ZipVolumeJoiner::join(copies + u'/' + setName(), joined() + QStringLiteral("/a.zip"));
    ASSERT_TRUE(joinedBack.ok) << joinedBack.message.toStdString();
    expectExtractsTheSources(joined() + QStringLiteral("/a.zip"));

    // Giving up at the search is a cancel, not a failure.
    ASSERT_TRUE(QFile::remove(copies + QStringLiteral("/BackupNews_10.12.2026.z01")));
    const QString again = dir.path() + QStringLiteral("/again");
    ASSERT_TRUE(QDir().mkpath(again));
    int searches = 0;
    const ZipVolumeJoiner::Result cancelled = ZipVolumeJoiner::copyVolumes(
        copies + u'/' + setName(), again, [&](int, const QString&, const QString&) -> std::optional<QString> {
            ++searches;
            return std::nullopt;
        });
    EXPECT_FALSE(cancelled.ok);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_TRUE(cancelled.message.isEmpty());
    EXPECT_EQ(searches, 1);
}

TEST_F(ZipVolumeTest, AFullDiskWhileCopyingOrJoiningIsReportedAsSuch)
{
    ASSERT_EQ(writeSet().status, TZipVolumeWriter::Status::Ok);
    const QString last = media() + u'/' + setName();
    const auto noSearch = [](int, const QString&, const QString&) -> std::optional<QString> { return std::nullopt; };
    const struct {
        const char* name;
        std::function<ZipVolumeJoiner::Result()> operation;
        QString fileNamed;
    } cases[] = {
        {"copying the volumes", [&] { return ZipVolumeJoiner::copyVolumes(last, joined(), noSearch); },
         joined() + QStringLiteral("/BackupNews_10.12.2026.z0")},
        {"joining them", [&] { return ZipVolumeJoiner::join(last, joined() + QStringLiteral("/a.zip")); },
         joined() + QStringLiteral("/a.zip")},
    };
    // The set (about 300 KiB) does not fit on the 256 KiB disk mounted at joined() in the child.
    enum Check { Reported = 0, NotDiskFull = 1, WrongText = 2, HalfFileLeft = 3 };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int code = exitCodeInChild([&] {
            if (!mountSmallDisk(joined()))
                return kCannotSetUp;
            const ZipVolumeJoiner::Result result = c.operation();
            if (result.ok || !result.diskFull)
                return int(NotDiskFull);
            if (!result.message.startsWith(QStringLiteral("Die Datei \"") + c.fileNamed) ||
                !result.message.endsWith(QStringLiteral("\" konnte nicht geschrieben werden.")))
                return int(WrongText);
            // Only whole volumes stay; nothing half-written.
            for (const QString& name : QDir(joined()).entryList(QDir::Files | QDir::Hidden)) {
                if (!QFileInfo::exists(media() + u'/' + name) ||
                    fileHash(joined() + u'/' + name) != fileHash(media() + u'/' + name))
                    return int(HalfFileLeft);
            }
            return int(Reported);
        });
        if (code == kCannotSetUp) {
            std::cout << c.name << ": not tried, the child could not mount a small disk\n";
            continue;
        }
        EXPECT_EQ(code, Reported);
    }
}

TEST(ZipVolumeBound, LeavesTheFileSystemItsReserve)
{
    const struct {
        qint64 free;
        qint64 bound;
    } cases[] = {
        {128 * 1024, 64 * 1024},                          // 64 KiB reserve
        {6400 * 1024, 6336 * 1024},                       // 1 % is 64 KiB
        {100 * 1024 * 1024, 100 * 1024 * 1024 - 1048576}, // 1 % is more
    };
    for (const auto& c : cases)
        EXPECT_EQ(ZipVolumeBound(c.free), c.bound) << c.free;
}

} // namespace
