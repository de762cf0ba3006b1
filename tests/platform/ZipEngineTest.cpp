#include "platform/ZipEngine.h"

#include "ZipTestSupport.h"
#include "support/FileModes.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>
#include <functional>
#include <iostream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace {

// What the engine reported in a child process: its last message's code and text.
struct ChildReport {
    int exitCode = -1;
    int code = 0;
    QString text;
};

// The bytes of every file in folder that this process holds open, named or not (a file being
// saved may have no name until it is complete).
QList<qint64> openFileSizes(const QString& folder)
{
    const QString descriptors = QStringLiteral("/proc/self/fd");
    QList<qint64> sizes;
    for (const QString& descriptor :
         QDir(descriptors).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const QString path = descriptors + u'/' + descriptor;
        struct stat info {};
        if (QFileInfo(path).symLinkTarget().startsWith(folder + u'/') &&
            ::stat(QFile::encodeName(path).constData(), &info) == 0)
            sizes.append(qint64(info.st_size));
    }
    return sizes;
}

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

TEST_F(ZipEngineTest, MembersAreOwnerOnlyFiles)
{
    ASSERT_TRUE(engine.add(archive(), sources()));
    EXPECT_EQ(memberModes(archive()), QStringList(4, QStringLiteral("-rw-------")));

    // Unpacked by hand, whatever the umask.
    const ToolRun unpack =
        runTool(QStringLiteral("unzip"), {QStringLiteral("-q"), archive(), QStringLiteral("-d"), target()}, dir.path());
    ASSERT_EQ(unpack.exitCode, 0) << unpack.output.toStdString();
    for (const QString& name : names)
        EXPECT_EQ(FileMode(target() + u'/' + name), 0600) << name.toStdString();
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

TEST_F(ZipEngineTest, TheExactNameWinsOverACaseTwin)
{
    const QString exact = QStringLiteral("Adressen.ADT");
    const QString twin = QStringLiteral("ADRESSEN.ADT");
    for (const bool exactFirst : {true, false}) {
        SCOPED_TRACE(exactFirst ? "exact name first" : "twin first");
        QStringList members{exact, QStringLiteral("exact"), twin, QStringLiteral("twin")};
        if (!exactFirst)
            members = members.mid(2) + members.mid(0, 2);
        craftZip(QStringList{QStringLiteral("members"), archive()} + members);
        ASSERT_TRUE(engine.extract(archive(), target(), {exact}));
        EXPECT_EQ(readAll(target() + u'/' + exact), QByteArray("exact"));
        ASSERT_TRUE(engine.extract(archive(), target(), {twin}));
        EXPECT_EQ(readAll(target() + u'/' + twin), QByteArray("twin"));
        EXPECT_TRUE(messages.isEmpty());
    }
}

TEST_F(ZipEngineTest, AMemberStopsAtItsDeclaredSize)
{
    // 1 KiB declared, 4 MiB inside.
    craftZip({QStringLiteral("declared"), archive(), QStringLiteral("Adressen.ADT"), QStringLiteral("4194304"),
              QStringLiteral("1024")});
    EXPECT_EQ(engine.extractedSize(archive(), {QStringLiteral("Adressen.ADT")}), 1024);
    QList<qint64> sizesAtFailure;
    engine.setMessageHandler([&](int code, const QString& text) {
        messages.append({code, text});
        sizesAtFailure = openFileSizes(target());
    });
    EXPECT_FALSE(engine.extract(archive(), target(), {QStringLiteral("Adressen.ADT")}));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].code, TZipEngine::kDamagedCode) << messages[0].text.toStdString();
    // The unfinished file, still open when the failure is reported, holds no more than declared.
    ASSERT_EQ(sizesAtFailure.size(), 1);
    EXPECT_LE(sizesAtFailure[0], 1024);
    EXPECT_EQ(QDir(target()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

TEST_F(ZipEngineTest, AFullDiskIsReportedAsSuch)
{
    ASSERT_TRUE(engine.add(archive(), sources()));
    writeText(target() + QStringLiteral("/Adressen.ADT"), "kept");
    const QString report = dir.path() + QStringLiteral("/report");
    const auto inChild = [&](const std::function<bool()>& setUp, const std::function<bool()>& operation) {
        ChildReport child;
        child.exitCode = exitCodeInChild([&] {
            if (!setUp())
                return kCannotSetUp;
            messages.clear();
            const bool done = operation();
            QFile file(report);
            if (done || messages.isEmpty() || !file.open(QIODevice::WriteOnly))
                return 1;
            file.write(QByteArray::number(messages.last().code) + '\n' + messages.last().text.toUtf8());
            return 0;
        });
        const QList<QByteArray> lines = readAll(report).split('\n');
        if (lines.size() == 2)
            child = {child.exitCode, lines[0].toInt(), QString::fromUtf8(lines[1])};
        QFile::remove(report);
        return child;
    };
    // The process may write no file beyond 256 KiB: the system says "File too large".
    const auto limitFileSize = [] {
        const rlimit limit{256 * 1024, 256 * 1024};
        return std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR && setrlimit(RLIMIT_FSIZE, &limit) == 0;
    };
    // A 256 KiB file system on the target folder, seen by the child only: "No space left on device".
    const auto smallDisk = [this] { return mountSmallDisk(target()); };
    const QString newArchive = target() + QStringLiteral("/new.zip");
    const QStringList adressen{QStringLiteral("Adressen.ADT")};
    const struct {
        const char* name;
        std::function<bool()> setUp;
        std::function<bool()> operation;
        QString systemText;
    } cases[] = {
        {"extract beyond the file size limit", limitFileSize,
         [&] { return engine.extract(archive(), target(), adressen); }, QStringLiteral("File too large")},
        {"add beyond the file size limit", limitFileSize, [&] { return engine.add(newArchive, sources()); },
         QStringLiteral("File too large")},
        {"extract onto a small disk", smallDisk, [&] { return engine.extract(archive(), target(), adressen); },
         QStringLiteral("No space left on device")},
        {"add onto a small disk", smallDisk, [&] { return engine.add(newArchive, sources()); },
         QStringLiteral("No space left on device")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ChildReport child = inChild(c.setUp, c.operation);
        if (child.exitCode == kCannotSetUp) {
            std::cout << c.name << ": not tried, the child could not set it up\n";
            continue;
        }
        ASSERT_EQ(child.exitCode, 0);
        EXPECT_EQ(child.code, TZipEngine::kDiskFullCode) << child.text.toStdString();
        EXPECT_TRUE(child.text.contains(c.systemText)) << child.text.toStdString();
        // Nothing half-written is left, and the file the extraction would replace is kept.
        EXPECT_EQ(QDir(target()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Adressen.ADT")});
        EXPECT_EQ(readAll(target() + QStringLiteral("/Adressen.ADT")), QByteArray("kept"));
    }
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
    const QString crafted = dir.path() + QStringLiteral("/crafted.zip");
    const auto craftedBytes = [&crafted](const QStringList& arguments) {
        craftZip(QStringList{arguments[0], crafted} + arguments.mid(1));
        return readAll(crafted);
    };
    const QList<Case> cases{
        {"runs on beyond its declared size",
         craftedBytes({QStringLiteral("declared"), QStringLiteral("Adressen.ADT"), QStringLiteral("300000"),
                       QStringLiteral("1000")}),
         {QStringLiteral("Adressen.ADT")},
         TZipEngine::kDamagedCode},
        {"ends before its declared size",
         craftedBytes({QStringLiteral("declared"), QStringLiteral("Adressen.ADT"), QStringLiteral("1000"),
                       QStringLiteral("300000")}),
         {QStringLiteral("Adressen.ADT")},
         TZipEngine::kDamagedCode},
        {"a member name twice",
         craftedBytes({QStringLiteral("members"), QStringLiteral("Adressen.ADT"), QStringLiteral("one"),
                       QStringLiteral("Adressen.ADT"), QStringLiteral("two")}),
         {QStringLiteral("Adressen.ADT")},
         TZipEngine::kDuplicateNameCode},
        {"one flipped byte in compressed data", flipped, {QStringLiteral("Adressen.ADT")}, -1},
        {"truncated", good.left(good.size() / 2), {QStringLiteral("Adressen.ADT")}, ZIP_ER_NOZIP},
        {"a listed member missing",
         good,
         {QStringLiteral("Adressen.ADT"), QStringLiteral("Fehlt.ADT")},
         TZipEngine::kMemberMissingCode},
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
