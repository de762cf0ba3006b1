// Opens the recipient list of one sender with 100,000 recipients and appends 100,000 rows in
// one transaction; prints the times and the growth of resident memory.
#include "ResidentMemory.h"
#include "core/DatabaseSchema.h"
#include "platform/DbConnection.h"
#include "platform/DbQuery.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <benchmark/benchmark.h>

namespace {

constexpr int kRecipients = 100000;

// A database in a temporary work folder (KUBNEWS_HOME), so no real ADS_OLD is consulted.
struct BenchDatabase {
    BenchDatabase()
    {
        qputenv("KUBNEWS_HOME", dir.path().toUtf8());
        CreateEmptyDatabase(folder());
        connection.setConnectPath(folder());
        connection.connect();
        connection.execute(QStringLiteral("Bench"), QStringLiteral("INSERT INTO Verfasser (Firma) VALUES ('Bench')"));
    }
    QString folder() const { return dir.path() + QStringLiteral("/Datenbank"); }

    QTemporaryDir dir;
    DbConnection connection{QStringLiteral("AdsConnection1"), newsDatabaseSchema()};
};

void appendRecipients(DbConnection& connection, int count)
{
    DbQuery query(connection, QStringLiteral("EmpfQuery"));
    query.setSql({QStringLiteral("SELECT * FROM Adressen"), QStringLiteral("WHERE AbsenderID = :ID"),
                  QStringLiteral("ORDER BY Name")});
    query.param(0).setAsInteger(-1);
    query.open();
    DbTransaction transaction(connection);
    for (int i = 0; i < count; ++i) {
        query.append();
        query.fieldByName(QStringLiteral("AbsenderID")).setAsInteger(1);
        query.fieldByName(QStringLiteral("Name"))
            .setAsString(QStringLiteral("Müller-%1").arg(count - i, 6, 10, QChar(u'0')));
        query.fieldByName(QStringLiteral("Anrede")).setAsString(QStringLiteral("Herr"));
        query.fieldByName(QStringLiteral("Strasse")).setAsString(QStringLiteral("Hauptstraße %1").arg(i % 200));
        query.fieldByName(QStringLiteral("Ort")).setAsString(QStringLiteral("Nürnberg"));
        query.fieldByName(QStringLiteral("Email")).setAsString(QStringLiteral("empfaenger%1@example.org").arg(i));
        query.fieldByName(QStringLiteral("PLZ")).setAsString(QStringLiteral("90402"));
        query.fieldByName(QStringLiteral("Land")).setAsString(QStringLiteral("D"));
        query.fieldByName(QStringLiteral("Status")).setAsInteger(0);
        query.fieldByName(QStringLiteral("Send")).setAsBoolean(true);
        query.fieldByName(QStringLiteral("Firma")).setAsString(QStringLiteral("Firma %1 GmbH").arg(i % 5000));
        query.fieldByName(QStringLiteral("Vorname")).setAsString(QStringLiteral("Hans"));
        query.fieldByName(QStringLiteral("BFormel")).setAsString(QStringLiteral("Sehr geehrter Herr"));
        query.post();
    }
    transaction.commit();
}

void BM_AppendRecipientsInOneTransaction(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        BenchDatabase db;
        state.ResumeTiming();
        appendRecipients(db.connection, kRecipients);
    }
    state.SetItemsProcessed(state.iterations() * kRecipients);
}
BENCHMARK(BM_AppendRecipientsInOneTransaction)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same rows written by one statement, so no earlier result's freed memory hides the growth.
void insertRecipients(DbConnection& connection, int count)
{
    connection.execute(
        QStringLiteral("Bench"),
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                       "INSERT INTO Adressen (AbsenderID, Name, Anrede, Strasse, Ort, Email, PLZ, Land, Status, Send, "
                       "Firma, Vorname, BFormel) SELECT 1, printf('Müller-%06d', ? - i), 'Herr', "
                       "'Hauptstraße ' || (i % 200), 'Nürnberg', 'empfaenger' || i || '@example.org', '90402', 'D', "
                       "0, 1, 'Firma ' || (i % 5000) || ' GmbH', 'Hans', 'Sehr geehrter Herr' FROM n"),
        {count, count});
}

void BM_OpenRecipientListOf100000(benchmark::State& state)
{
    BenchDatabase db;
    insertRecipients(db.connection, kRecipients);
    DbQuery query(db.connection, QStringLiteral("EmpfQuery"));
    long growth = 0;
    for (auto _ : state) {
        query.close();
        query.setSql({QStringLiteral("SELECT * FROM Adressen"), QStringLiteral("WHERE AbsenderID = :ID"),
                      QStringLiteral("ORDER BY Name")});
        query.param(0).setAsInteger(1);
        const long before = residentKilobytes();
        query.open();
        growth = std::max(growth, residentKilobytes() - before);
        benchmark::DoNotOptimize(query.recordCount());
    }
    state.counters["rows"] = query.recordCount();
    state.counters["rss_growth_MB"] = static_cast<double>(growth) / 1024.0;
}
BENCHMARK(BM_OpenRecipientListOf100000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
