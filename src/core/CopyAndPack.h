#pragma once

#include <QString>

#include <functional>

class TBackupUSPForm;
class TDM2;

// Failure injection for tests: called before each stage ("copy:<file>", "connect",
// "pack:<table>"); it may throw.
struct TCopyAndPackSeams {
    std::function<void(const QString& stage)> beforeStage;
};

// Copies the database files (TDBFiles) from the database folder into destDir, the table files
// as consistent copies taken from the live connection, and packs each table there on the
// second connection. The database folder is only read. Draws on progressForm when given and
// polls its cancel flag. False after a failure (its box shown) or a cancel; the shared queries
// follow their controls again and the second connection is closed on every way out. Main
// thread only.
bool CopyAndPackDatabase(TDM2& dm, TBackupUSPForm* progressForm, const QString& destDir,
                         const TCopyAndPackSeams& seams = {});
