// The CSV import with 100,000 rows: reading a Windows-1252 file written like a spreadsheet
// export into records, and the replace-write of those records for one sender. Each reports the
// peak resident memory of the process after it ran.
#include "BenchDatabase.h"
#include "BenchMain.h"
#include "LoopbackSmtpSink.h"
#include "addressbook/CsvReading.h"
#include "addressbook/EmpfF.h"
#include "addressbook/RecipientImport.h"
#include "desktop/MessageBoxes.h"
#include "platform/TextCodec.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int kRows = 100000;

struct BenchImport : BenchDatabase {
    BenchImport()
    {
        dm->AdsConnection1.execute(QStringLiteral("Bench"),
                                   QStringLiteral("INSERT INTO Verfasser (Firma) VALUES ('Gross')"));
        frame = std::make_unique<TEmpfFrame>(*dm, nullptr);
        frame->FCB1Change();

        QString text = QStringLiteral("Anrede;Vorname;Name;Firma;Straße;PLZ;Ort;E-Mail;Telefon;Gruß\r\n");
        for (int i = 0; i < kRows; ++i)
            text += QStringLiteral("Herr;Jürgen;Müller-%1;\"Groß & Söhne; Werk %2\";Hauptstraße %3;90402;Nürnberg;"
                                   "empfaenger%1@example.org;0911 %1;\"Sehr geehrter Herr \"\"Müller\"\"\"\r\n")
                        .arg(i)
                        .arg(i % 50)
                        .arg(i % 200);
        csv = dir.path() + QStringLiteral("/Adressen.csv");
        QFile file(csv);
        if (file.open(QIODevice::WriteOnly))
            file.write(TextCodec::toWindows1252(text));
    }

    MessageBoxRecorder boxes;
    std::unique_ptr<TEmpfFrame> frame;
    QString csv;
};

std::unique_ptr<BenchImport> g_import;

BenchImport& import()
{
    if (!g_import)
        g_import = std::make_unique<BenchImport>();
    return *g_import;
}

FieldMapping allColumns()
{
    FieldMapping mapping = UnmappedFields();
    const std::pair<RecipientField, int> pairs[] = {{RecipientField::Anrede, 0},  {RecipientField::Vorname, 1},
                                                    {RecipientField::Name, 2},    {RecipientField::Firma, 3},
                                                    {RecipientField::Strasse, 4}, {RecipientField::PLZ, 5},
                                                    {RecipientField::Ort, 6},     {RecipientField::Email, 7},
                                                    {RecipientField::Tel, 8},     {RecipientField::BFormel, 9}};
    for (const auto& [field, column] : pairs)
        mapping[static_cast<size_t>(field)] = column;
    return mapping;
}

TFDBData readRecords(const QString& csv)
{
    TFDBData records;
    QList<int> rejected;
    ReadImportRecords(LoadCsvFile(csv), records, allColumns(), nullptr, rejected);
    return records;
}

void BM_ReadCsv100000Rows(benchmark::State& state)
{
    BenchImport& b = import();
    qsizetype count = 0;
    for (auto _ : state) {
        const TFDBData records = readRecords(b.csv);
        count = records.size();
        benchmark::DoNotOptimize(records.data());
    }
    state.counters["records"] = static_cast<double>(count);
    state.counters["peak_MiB"] = static_cast<double>(peakMemoryKiB()) / 1024.0;
}
BENCHMARK(BM_ReadCsv100000Rows)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReplaceWrite100000Rows(benchmark::State& state)
{
    BenchImport& b = import();
    const TFDBData records = readRecords(b.csv);
    // The write, and the screen showing the written list, as after the import command.
    for (auto _ : state) {
        benchmark::DoNotOptimize(ImportRecipients(*b.dm, records, 1));
        b.frame->OpenRecipientList(1);
        b.frame->UpdateRecipientCount();
    }
    state.counters["rows"] = b.dm->EmpfQuery.recordCount();
    state.counters["peak_MiB"] = static_cast<double>(peakMemoryKiB()) / 1024.0;
}
BENCHMARK(BM_ReplaceWrite100000Rows)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarksInApplication(argc, argv, [] { g_import.reset(); });
}
