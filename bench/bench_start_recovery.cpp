// What the start's recovery step costs with a database of 1,000,000 recipients: without an
// "ADS_OLD", beside a leftover "ADS_OLD" the first time (the one check of the database) and at
// every later start (told of already: no check).
#include "BenchMain.h"
#include "backup/DatabaseRecovery.h"
#include "backup/OldFolderNotice.h"
#include "core/DatabaseSchema.h"
#include "platform/AppPaths.h"
#include "platform/DbConnection.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr int kRecipients = 1000000;

struct Work {
    Work()
    {
        qputenv("KUBNEWS_HOME", dir.path().toUtf8());
        CreateEmptyDatabase(folder());
        DbConnection connection(QStringLiteral("Bench"), newsDatabaseSchema());
        connection.setConnectPath(folder());
        connection.connect();
        DbTransaction transaction(connection);
        connection.execute(QStringLiteral("Bench"), QStringLiteral("INSERT INTO Verfasser (Firma) VALUES ('Bench')"));
        for (int i = 0; i < kRecipients; ++i) {
            connection.execute(QStringLiteral("Bench"),
                               QStringLiteral("INSERT INTO Adressen (AbsenderID, Name, Ort, Email, Firma, Vorname) "
                                              "VALUES (1, ?, 'Nürnberg', ?, ?, 'Hans')"),
                               {QVariant(QStringLiteral("Müller-%1").arg(i, 7, 10, QChar(u'0'))),
                                QVariant(QStringLiteral("empfaenger%1@example.org").arg(i)),
                                QVariant(QStringLiteral("Firma %1 GmbH").arg(i % 5000))});
        }
        transaction.commit();
        connection.disconnect();
    }

    QString folder() const { return dir.path() + QStringLiteral("/Datenbank"); }

    QTemporaryDir dir;
};

Work& work()
{
    static Work instance;
    return instance;
}

void start(benchmark::State& state, bool withOldFolder, bool told)
{
    Work& w = work();
    const QString old = AppPaths::oldDatabaseFolder();
    if (withOldFolder)
        QDir().mkpath(old);
    else
        QDir(old).removeRecursively();
    for (auto _ : state) {
        state.PauseTiming();
        if (!told)
            OldFolderNotice::forget();
        state.ResumeTiming();
        benchmark::DoNotOptimize(RecoverDatabaseFolder(w.folder(), newsDatabaseSchema()));
    }
}

void BM_StartWithoutOldFolder(benchmark::State& state)
{
    start(state, false, false);
}
void BM_StartBesideOldFolderFirstTime(benchmark::State& state)
{
    start(state, true, false);
}
void BM_StartBesideOldFolderLater(benchmark::State& state)
{
    start(state, true, true);
}

} // namespace

BENCHMARK(BM_StartWithoutOldFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartBesideOldFolderFirstTime)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartBesideOldFolderLater)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return RunBenchmarksInApplication(argc, argv);
}
