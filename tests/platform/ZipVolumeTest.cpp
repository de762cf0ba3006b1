#include "ZipTestSupport.h"
#include "platform/ZipEngine.h"
#include "platform/ZipLayout.h"
#include "platform/ZipVolumeJoiner.h"
#include "platform/ZipVolumeWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

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
        for (const QString& name : names)
            EXPECT_EQ(fileHash(out + u'/' + name), fileHash(source() + u'/' + name)) << name.toStdString();
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
    for (const QString& volume : volumes)
        EXPECT_LE(QFileInfo(volume).size(), kMedium) << volume.toStdString();
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

    // Our joiner gives back the files.
    ASSERT_TRUE(ZipVolumeJoiner::isSplitSet(last));
    const ZipVolumeJoiner::Result joinedBack = ZipVolumeJoiner::join(last, joined() + QStringLiteral("/a.zip"));
    ASSERT_TRUE(joinedBack.ok) << joinedBack.message.toStdString();
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

TEST_F(ZipVolumeTest, AnArchiveThatFitsIsOnePlainCopy)
{
    for (const qint64 bound : {qint64(0), qint64(4) * kMedium}) {
        SCOPED_TRACE(bound);
        TZipVolumeWriter writer;
        const TZipVolumeWriter::Result result = writer.write(archive(), {media(), bound}, setName());
        ASSERT_EQ(result.status, TZipVolumeWriter::Status::Ok);
        EXPECT_EQ(result.volumes, 1);
        EXPECT_EQ(fileHash(media() + u'/' + setName()), fileHash(archive()));
        EXPECT_FALSE(ZipVolumeJoiner::isSplitSet(media() + u'/' + setName()));
        EXPECT_EQ(QDir(media()).entryList(QDir::Files | QDir::Hidden), QStringList{setName()});
    }
}

} // namespace
