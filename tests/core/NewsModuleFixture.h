#pragma once

#include "DMTestDatabase.h"
#include "core/DM.h"
#include "platform/DbQuery.h"

#include <QDir>
#include <QStringList>

#include <memory>

// The database module of the program on a temporary work folder holding the fixture of two
// senders and five recipients; the fixture's own connection is closed again.
struct NewsModuleFixture {
    struct Flag : TDatabaseAvailability {
        void setDatabaseUnavailable(bool value) override { unavailable = value; }
        bool unavailable = false;
    };

    NewsModuleFixture()
    {
        db.connection.disconnect();
        db.env.writeStandardRegistry({}, QStringLiteral("\"DBPath\"=\"%1\"\n").arg(db.folder()));
        dm = std::make_unique<TDM2>(flag);
    }

    QString folder() const { return db.folder(); }
    QString root() const { return db.env.root(); }

    // The rows of a SELECT on the module's connection as "a,b|c,d".
    QString rows(const QString& sql)
    {
        DbQuery query(dm->AdsConnection1, QStringLiteral("Probe"));
        query.setSql({sql});
        query.open();
        return rowsText(query);
    }

    QString content()
    {
        return rows(QStringLiteral("SELECT * FROM Verfasser ORDER BY ID")) + u'#' +
               rows(QStringLiteral("SELECT * FROM Adressen ORDER BY ID"));
    }

    NewsTestDatabase db;
    Flag flag;
    std::unique_ptr<TDM2> dm;
};
