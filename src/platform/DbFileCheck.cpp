#include "platform/DbFileCheck.h"

#include "platform/DbCollation.h"

#include <QFile>
#include <QScopeGuard>
#include <QStringList>
#include <QtEndian>

#include <functional>
#include <sqlite3.h>

namespace {

DbFileState stateOf(int code)
{
    switch (code) {
    case SQLITE_READONLY_ROLLBACK:
    case SQLITE_READONLY_RECOVERY:
    case SQLITE_READONLY_CANTINIT:
        return DbFileState::RollbackPending;
    default:
        break;
    }
    const int primary = code & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB ? DbFileState::Damaged : DbFileState::Unreadable;
}

DbFileVerdict failed(sqlite3* db, int code)
{
    const DbFileState state = stateOf(code);
    return {state, code, QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(code))};
}

// Runs probe on a connection of its own to path, opened with flags (never creating the file)
// and without a busy handler; true when the open or the probe meets another connection's lock.
bool lockMet(const QString& path, int flags, const std::function<int(sqlite3*)>& probe)
{
    sqlite3* db = nullptr;
    const int code = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    auto close = qScopeGuard([&db] { sqlite3_close_v2(db); });
    if (code != SQLITE_OK)
        return IsLockCode(code);
    sqlite3_extended_result_codes(db, 1);
    return IsLockCode(probe(db));
}

} // namespace

DbFileVerdict CheckTableFile(const QString& path)
{
    sqlite3* db = nullptr;
    // Opened without a URI, read-only: the check never creates a file or rolls back a journal.
    int code = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    auto close = qScopeGuard([&db] { sqlite3_close_v2(db); });
    if (code != SQLITE_OK)
        return failed(db, code);
    sqlite3_extended_result_codes(db, 1);
    // The indexes on Name and Firma sort by it; without it the check fails for a sound file.
    if (!registerGermanCollation(db))
        return {DbFileState::Unreadable, SQLITE_ERROR, QStringLiteral("The collation DE could not be registered")};
    sqlite3_stmt* statement = nullptr;
    code = sqlite3_prepare_v2(db, "PRAGMA quick_check(3)", -1, &statement, nullptr);
    auto finalize = qScopeGuard([&statement] { sqlite3_finalize(statement); });
    if (code != SQLITE_OK)
        return failed(db, code);
    QStringList findings;
    while ((code = sqlite3_step(statement)) == SQLITE_ROW)
        findings.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))));
    if (code != SQLITE_DONE)
        return failed(db, code);
    if (findings != QStringList{QStringLiteral("ok")})
        return {DbFileState::Damaged, 0, findings.join(QStringLiteral("; "))};
    return {DbFileState::Intact, 0, {}};
}

bool TableFileLocked(const QString& path)
{
    return lockMet(path, SQLITE_OPEN_READONLY, [](sqlite3* db) {
        sqlite3_stmt* statement = nullptr;
        int code = sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master", -1, &statement, nullptr);
        if (code == SQLITE_OK)
            code = sqlite3_step(statement);
        sqlite3_finalize(statement);
        return code;
    });
}

bool TableFileWriteLocked(const QString& path)
{
    return lockMet(path, SQLITE_OPEN_READWRITE, [](sqlite3* db) {
        const int code = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if (code == SQLITE_OK)
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return code;
    });
}

bool IsLockCode(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

std::optional<qint64> DbFileSizeInHeader(const QByteArray& header)
{
    // https://www.sqlite.org/fileformat2.html#the_database_header
    if (header.size() < kDbHeaderSize || !header.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const uchar*>(header.constData());
    const quint32 pageSizeField = qFromBigEndian<quint16>(bytes + 16);
    const qint64 pageSize = pageSizeField == 1 ? 65536 : pageSizeField;
    const quint32 changeCounter = qFromBigEndian<quint32>(bytes + 24);
    const quint32 pageCount = qFromBigEndian<quint32>(bytes + 28);
    const quint32 validFor = qFromBigEndian<quint32>(bytes + 92);
    // A power of two from 512 to 65536, or the file is no database; a page count of 0 says nothing.
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0 || validFor != changeCounter || pageCount == 0)
        return std::nullopt;
    return pageSize * qint64(pageCount);
}
