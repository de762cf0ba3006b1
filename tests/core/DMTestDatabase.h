#pragma once

#include "core/DatabaseSchema.h"
#include "platform/DbConnection.h"
#include "platform/DbError.h"
#include "platform/DbQuery.h"
#include "platform/DbTestRows.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

// The program's database in a temporary work folder, optionally filled with the fixture of two
// senders and five recipients, with a connection on it.
class NewsTestDatabase {
public:
    explicit NewsTestDatabase(bool withFixture = true)
        : connection(QStringLiteral("AdsConnection1"), newsDatabaseSchema())
    {
        const DbCreateResult created = CreateEmptyDatabase(folder());
        EXPECT_TRUE(created.ok) << created.message.toStdString();
        connection.setConnectPath(folder());
        connection.connect();
        if (withFixture)
            load(QStringLiteral(KUB_TEST_FIXTURES "/database/two-senders.sql"));
    }

    QString folder() const { return env.root() + QStringLiteral("/Datenbank"); }

    // Runs the statements of an SQL file (separated by ";" at line ends; "--" lines skipped).
    void load(const QString& path)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        DbTransaction transaction(connection);
        QString statement;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
            if (line.trimmed().startsWith(QLatin1String("--")))
                continue;
            statement += line + u'\n';
            if (line.trimmed().endsWith(u';')) {
                connection.execute(QStringLiteral("Fixture"), statement);
                statement.clear();
            }
        }
        transaction.commit();
    }

    // The rows of a SELECT as "a,b|c,d".
    QString rows(const QString& sql)
    {
        DbQuery query(connection, QStringLiteral("Probe"));
        query.setSql({sql});
        query.open();
        return rowsOf(query);
    }

    static QString rowsOf(DbQuery& query) { return rowsText(query); }

    TestEnvironment env;
    DbConnection connection;
};
