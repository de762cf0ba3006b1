#include "platform/DbFileCheck.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

struct HeaderFields {
    quint16 pageSize;
    quint32 changeCounter;
    quint32 pageCount;
    quint32 validFor;
};

// An SQLite header with the fields written big-endian at their offsets by hand.
QByteArray header(const HeaderFields& f)
{
    QByteArray bytes = QByteArrayLiteral("SQLite format 3\0") + QByteArray(kDbHeaderSize - 16, '\0');
    const auto put = [&bytes](int at, quint32 value, int width) {
        for (int i = 0; i < width; ++i)
            bytes[at + i] = char((value >> (8 * (width - 1 - i))) & 0xff);
    };
    put(16, f.pageSize, 2);
    put(24, f.changeCounter, 4);
    put(28, f.pageCount, 4);
    put(92, f.validFor, 4);
    return bytes;
}

TEST(DbFileCheckTest, TheHeaderStatesTheFilesSizeOnlyWhenItsPageCountIsValid)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        std::optional<qint64> size;
    };
    const QList<Case> cases{
        {"4096-byte pages", header({4096, 7, 3, 7}), 12288},
        {"the page size field 1 for 65536", header({1, 2, 16384, 2}), qint64(1) << 30},
        {"512-byte pages, a page count beyond 2^31", header({512, 9, 0xffffffffU, 9}), qint64(512) * 0xffffffffU},
        {"a page count an older writer left", header({4096, 8, 3, 7}), std::nullopt},
        {"a page count of 0", header({4096, 7, 0, 7}), std::nullopt},
        {"a page size that is no power of two", header({1000, 1, 3, 1}), std::nullopt},
        {"a page size below 512", header({256, 1, 3, 1}), std::nullopt},
        {"one byte short", header({4096, 7, 3, 7}).chopped(1), std::nullopt},
        {"another magic", QByteArray("SQLite format 2") + header({4096, 7, 3, 7}).mid(15), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DbFileSizeInHeader(c.bytes), c.size);
    }
}

// A file the engine wrote states its own size.
TEST(DbFileCheckTest, AWrittenFilesHeaderStatesItsSize)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ADT"));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    const char* sql = "PRAGMA page_size = 1024; CREATE TABLE t (a TEXT);"
                      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500) "
                      "INSERT INTO t SELECT printf('%0100d', i) FROM n;";
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(kDbHeaderSize);
    ASSERT_GT(QFileInfo(path).size(), 8 * 1024);
    EXPECT_EQ(DbFileSizeInHeader(head), QFileInfo(path).size());
}

} // namespace
