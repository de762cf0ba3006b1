#pragma once

#include "core/DM.h"
#include "core/DatabaseSchema.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

// A temporary work folder and registry with an empty database, and the database module on it.
struct BenchDatabase {
    BenchDatabase()
    {
        qputenv("KUBNEWS_HOME", dir.path().toUtf8());
        qputenv("KUBNEWS_REGISTRY", (dir.path() + QStringLiteral("/registry.reg")).toUtf8());
        const QString folder = dir.path() + QStringLiteral("/Datenbank");
        CreateEmptyDatabase(folder);
        QFile registry(dir.path() + QStringLiteral("/registry.reg"));
        if (registry.open(QIODevice::WriteOnly))
            registry.write((QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\KUB\\News]\n\n"
                                           "[HKEY_LOCAL_MACHINE\\Software\\KUB\\News\\Database]\n\"DBPath\"=\"") +
                            folder + QStringLiteral("\"\n"))
                               .toUtf8());
        registry.close();
        dm = std::make_unique<TDM2>(flag);
    }

    struct NoAvailabilityFlag : TDatabaseAvailability {
        void setDatabaseUnavailable(bool) override {}
    };

    QTemporaryDir dir;
    NoAvailabilityFlag flag;
    std::unique_ptr<TDM2> dm;
};
