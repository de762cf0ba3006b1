#include "core/DatabaseSchema.h"

#include "core/RecipientFields.h"
#include "platform/AppPaths.h"
#include "platform/DbConnection.h"
#include "platform/DbError.h"
#include "platform/PrivateFiles.h"

#include <QDir>
#include <QFileInfo>

namespace {

DbColumn text(const char* name, int width, const char* collation = "")
{
    return {QString::fromLatin1(name), DbColumnType::Text, width, QString::fromLatin1(collation)};
}

// A recipient field's column, with the width of the one table of recipient fields.
DbColumn recipientText(RecipientField field, const char* collation = "")
{
    const RecipientFieldInfo& info = recipientField(field);
    return {info.column.toString(), DbColumnType::Text, info.width, QString::fromLatin1(collation)};
}

DbColumn typed(const char* name, DbColumnType type)
{
    return {QString::fromLatin1(name), type, 0, {}};
}

// The stored credential form of a 50-character entry: its UTF-8 bytes (at most 150) and the
// length byte, five or six digits per two bytes.
constexpr int kCredentialWidth = (150 + 1 + 1) / 2 * 6;

DbTableDef senderTable()
{
    DbTableDef table;
    table.name = QStringLiteral("Verfasser");
    table.columns = {typed("ID", DbColumnType::AutoIncrement),
                     text("Firma", 100, "DE"),
                     text("Strasse", 50),
                     text("PLZ", 15),
                     text("Ort", 50),
                     text("Tel", 40),
                     text("Fax", 40),
                     text("Firmenemail", 50),
                     text("Web", 70),
                     text("Verfasser", 40),
                     text("Email", 50),
                     text("Host", 128),
                     text("UserID", kCredentialWidth),
                     text("UserPW", kCredentialWidth)};
    table.indexes = {{QStringLiteral("FIRMA"), {QStringLiteral("FIRMA")}, false}};
    return table;
}

DbTableDef recipientTable()
{
    DbTableDef table;
    table.name = QStringLiteral("Adressen");
    // Stored files keep this column order; the flags Status and Send follow ZAdresse.
    using enum RecipientField;
    constexpr RecipientField kStoredOrder[] = {Name, Anrede, Strasse,  Ort,   Email, PLZ,     ZName,  Land,
                                               Tel,  Fax,    ZAdresse, Firma, Titel, Vorname, BFormel};
    static_assert(namesEveryRecipientFieldOnce(kStoredOrder), "a column for each recipient field");
    table.columns = {typed("AbsenderID", DbColumnType::Integer), typed("ID", DbColumnType::AutoIncrement)};
    for (const RecipientField field : kStoredOrder) {
        // Names sort the German way.
        table.columns.append(recipientText(field, field == Name || field == Firma ? "DE" : ""));
        if (field == ZAdresse)
            table.columns += {typed("Status", DbColumnType::SmallInt), typed("Send", DbColumnType::Boolean)};
    }
    table.indexes = {
        {QStringLiteral("ID"), {QStringLiteral("ID")}, true},
        {QStringLiteral("ABSENDERID"), {QStringLiteral("ABSENDERID")}, false},
        {QStringLiteral("FIRMA"), {QStringLiteral("FIRMA")}, false},
        // Serves "WHERE AbsenderID = :ID ORDER BY Name" without sorting.
        {QStringLiteral("ABSENDERID_NAME"), {QStringLiteral("ABSENDERID"), QStringLiteral("NAME")}, false}};
    return table;
}

} // namespace

const DbSchema& newsDatabaseSchema()
{
    static const DbSchema schema{{senderTable(), recipientTable()}};
    return schema;
}

DbCreateResult CreateEmptyDatabase(const QString& folder)
{
    if (folder.trimmed().isEmpty())
        return {false, QStringLiteral("No database folder is set")};
    if (QFileInfo::exists(AppPaths::oldDatabaseFolder()))
        return {false, QStringLiteral("The folder \"%1\" exists: the database of a failed restore must be "
                                      "recovered first")
                           .arg(AppPaths::oldDatabaseFolder())};
    const QDir dir(folder);
    if (dir.exists() && !dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        return {false, QStringLiteral("The folder \"%1\" is not empty").arg(folder)};
    if (!PrivateFiles::makeFolder(folder))
        return {false, QStringLiteral("The folder \"%1\" could not be created").arg(folder)};
    try {
        DbConnection::createDatabaseFiles(QStringLiteral("CreateEmptyDatabase"), folder, newsDatabaseSchema());
    } catch (const EDatabaseError& e) {
        return {false, e.message()};
    }
    return {true, {}};
}
