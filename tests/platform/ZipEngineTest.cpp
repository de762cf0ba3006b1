#include "platform/ZipEngine.h"

#include "ZipTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <zip.h>

namespace {

struct Message {
    int code;
    QString text;
};

class ZipEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(source()));
        ASSERT_TRUE(QDir().mkpath(target()));
        writeText(source() + QStringLiteral("/Adressen.ADI"), "index Adressen\n");
        writeNoise(source() + QStringLiteral("/Adressen.ADT"), 700 * 1024, 1);
        writeText(source() + QStringLiteral("/Verfasser.ADI"), QByteArray(5000, 'v'));
        writeNoise(source() + QStringLiteral("/Verfasser.ADT"), 3000, 2);
        engine.setMessageHandler([this](int code, const QString& text) { messages.append({code, text}); });
    }

    QString source() const { return dir.path() + QStringLiteral("/src"); }
    QString target() const { return dir.path() + QStringLiteral("/out"); }
    QString archive() const { return dir.path() + QStringLiteral("/BackupNews_10.12.2026.zip"); }
    QStringList sources() const
    {
        QStringList files;
        for (const QString& name : names)
            files.append(source() + u'/' + name);
        return files;
    }

    QTemporaryDir dir;
    TZipEngine engine;
    QList<Message> messages;
    const QStringList names{QStringLiteral("Adressen.ADI"), QStringLiteral("Adressen.ADT"),
                            QStringLiteral("Verfasser.ADI"), QStringLiteral("Verfasser.ADT")};
};

TEST_F(ZipEngineTest, AddsTheFilesDeflatedUnderBareNamesInListOrder)
{
    ASSERT_TRUE(engine.add(archive(), sources()));
    EXPECT_TRUE(messages.isEmpty());

    const ToolRun listing = runTool(QStringLiteral("unzip"), {QStringLiteral("-Z1"), archive()}, dir.path());
    ASSERT_EQ(listing.exitCode, 0) << listing.output.toStdString();
    EXPECT_EQ(listing.output.trimmed().split(u'\n'), names);
    const ToolRun verbose = runTool(QStringLiteral("unzip"), {QStringLiteral("-v"), archive()}, dir.path());
    EXPECT_EQ(verbose.output.count(QStringLiteral("Defl:X")), 4) << verbose.output.toStdString();
    const ToolRun test = runTool(QStringLiteral("unzip"), {QStringLiteral("-tq"), archive()}, dir.path());
    EXPECT_EQ(test.exitCode, 0) << test.output.toStdString();
}

TEST_F(ZipEngineTest, ExtractsWithoutRegardToCaseUnderTheListsNames)
{
    ASSERT_TRUE(engine.add(archive(), sources()));
    writeText(target() + QStringLiteral("/Adressen.ADT"), "an older file");
    const QStringList asked{QStringLiteral("adressen.adt"), QStringLiteral("VERFASSER.ADI")};
    ASSERT_TRUE(engine.extract(archive(), target(), asked));
    EXPECT_EQ(fileHash(target() + QStringLiteral("/adressen.adt")),
              fileHash(source() + QStringLiteral("/Adressen.ADT")));
    EXPECT_EQ(readAll(target() + QStringLiteral("/VERFASSER.ADI")), QByteArray(5000, 'v'));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ZipEngineTest, ReportsProgressOfEveryFileAndTheTotal)
{
    QList<std::tuple<ZipProgressKind, QString, qint64>> events;
    engine.setProgressHandler([&](ZipProgressKind kind, const QString& name, qint64 size) {
        events.append({kind, name, size});
    });
    ASSERT_TRUE(engine.add(archive(), sources()));

    qint64 total = 0;
    qint64 bytes = 0;
    QStringList started;
    for (const auto& [kind, name, size] : events) {
        if (kind == ZipProgressKind::TotalSize)
            total = size;
        if (kind == ZipProgressKind::NewFile)
            started.append(QFileInfo(name).fileName());
        if (kind == ZipProgressKind::Bytes)
            bytes += size;
    }
    const qint64 expected = 15 + 700 * 1024 + 5000 + 3000;
    EXPECT_EQ(total, expected);
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(started, names);
    EXPECT_EQ(std::get<0>(events.first()), ZipProgressKind::FileCount);
    EXPECT_EQ(std::get<0>(events.last()), ZipProgressKind::EndOfBatch);
}

TEST_F(ZipEngineTest, ACancelStopsTheAddWithTheCancelCodeAndLeavesNoArchive)
{
    engine.setProgressHandler([this](ZipProgressKind kind, const QString&, qint64) {
        if (kind == ZipProgressKind::NewFile)
            engine.setCancel(true);
    });
    EXPECT_FALSE(engine.add(archive(), sources()));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].code, TZipEngine::kCancelledCode);
    EXPECT_FALSE(QFileInfo::exists(archive()));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

    // The next run starts with the flag cleared.
    engine.setProgressHandler({});
    messages.clear();
    EXPECT_TRUE(engine.add(archive(), sources()));
    EXPECT_TRUE(messages.isEmpty());
}

// Damaged archives: extraction fails with a message, and no file is written or replaced.
TEST_F(ZipEngineTest, ADamagedArchiveFailsWithoutReplacingAnyFile)
{
    ASSERT_TRUE(engine.add(archive(), sources()));
    const QByteArray good = readAll(archive());
    // The member data of Adressen.ADT starts after its local header.
    const qsizetype adt = good.indexOf("Adressen.ADT") + 12;
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList members;
        int code;
    };
    QByteArray flipped = good;
    flipped[adt + 5000] = char(flipped[adt + 5000] ^ 0x01);
    const QList<Case> cases{
        {"one flipped byte in compressed data", flipped, {QStringLiteral("Adressen.ADT")}, -1},
        {"truncated", good.left(good.size() / 2), {QStringLiteral("Adressen.ADT")}, ZIP_ER_NOZIP},
        {"a listed member missing", good, {QStringLiteral("Adressen.ADT"), QStringLiteral("Fehlt.ADT")}, ZIP_ER_NOENT},
        {"not a ZIP archive", QByteArray("just text"), {QStringLiteral("Adressen.ADT")}, ZIP_ER_NOZIP},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        writeText(archive(), c.bytes);
        writeText(target() + QStringLiteral("/Adressen.ADT"), "kept");
        EXPECT_FALSE(engine.extract(archive(), target(), c.members));
        ASSERT_FALSE(messages.isEmpty());
        if (c.code >= 0) {
            EXPECT_EQ(messages.last().code, c.code) << messages.last().text.toStdString();
        }
        EXPECT_NE(messages.last().code, TZipEngine::kCancelledCode);
        EXPECT_EQ(readAll(target() + QStringLiteral("/Adressen.ADT")), QByteArray("kept"));
        EXPECT_EQ(QDir(target()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Adressen.ADT")});
    }
}

TEST_F(ZipEngineTest, TellsTheExtractedSizeOfTheNamedMembers)
{
    ASSERT_TRUE(engine.add(archive(), sources()));
    EXPECT_EQ(engine.extractedSize(archive(), {QStringLiteral("Adressen.ADT"), QStringLiteral("Verfasser.ADT")}),
              700 * 1024 + 3000);
    EXPECT_EQ(engine.extractedSize(archive(), {QStringLiteral("Fehlt")}), std::nullopt);
    EXPECT_EQ(messages.size(), 1);
}

} // namespace
