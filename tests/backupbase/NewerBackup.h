#pragma once

#include "core/DMTestDatabase.h"
#include "platform/ZipEngine.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

// A backup of the fixture's database made before the live database lost recipient 2: the
// archive at root/archiveName, its files in root/Quelle. The connection is closed afterwards.
inline QString BackUpThenDeleteARecipient(NewsTestDatabase& db, const QString& archiveName)
{
    const QString source = db.env.root() + QStringLiteral("/Quelle");
    EXPECT_TRUE(QDir().mkpath(source));
    QStringList members;
    for (const QString& name : QDir(db.folder()).entryList(QDir::Files)) {
        EXPECT_TRUE(QFile::copy(db.folder() + u'/' + name, source + u'/' + name));
        members.append(source + u'/' + name);
    }
    db.connection.execute(QStringLiteral("Test"), QStringLiteral("DELETE FROM Adressen WHERE ID = 2"));
    db.connection.disconnect();
    const QString archive = db.env.root() + u'/' + archiveName;
    EXPECT_TRUE(TZipEngine().add(archive, members));
    return archive;
}
