// The CSV import with 100,000 rows: reading a Windows-1252 file written like a spreadsheet
// export into records (also with a 3-line address in every tenth row), and the replace-write of
// those records for one sender. Each reports the peak resident memory of the process after it
// ran. The memory of the import itself is measured in a child process of this program (--peak
// FILE), for 100,000 rows and for a 100 MB file: the peak after loading the file, after reading
// its records and after filling the preview, each less what the child held before, and each as a
// multiple of the file's size; with the size limit of this machine and the largest file whose
// whole import (up to the preview) stays within half of the machine's memory.
#include "BenchDatabase.h"
#include "BenchMain.h"
#include "LoopbackSmtpSink.h"
#include "ResidentMemory.h"
#include "addressbook/CsvReading.h"
#include "addressbook/EmpfF.h"
#include "addressbook/ImpCheckForm.h"
#include "addressbook/RecipientImport.h"
#include "desktop/MessageBoxes.h"
#include "platform/TextCodec.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

constexpr int kRows = 100000;

// The title line, then rows like a spreadsheet export's while more(row, bytes so far) holds;
// with addressBlocks, every tenth row's street is a quoted cell of three lines.
template <typename More> void writeCsv(const QString& path, More more, bool addressBlocks = false)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    qint64 written = file.write(
        TextCodec::toWindows1252(QStringLiteral("Anrede;Vorname;Name;Firma;Straße;PLZ;Ort;E-Mail;Telefon;Gruß\r\n")));
    for (int i = 0; more(i, written); ++i) {
        const QString street = addressBlocks && i % 10 == 0
                                   ? QStringLiteral("\"Hauptstraße %1\nHinterhaus\n2. Stock\"").arg(i % 200)
                                   : QStringLiteral("Hauptstraße %1").arg(i % 200);
        written += file.write(TextCodec::toWindows1252(
            QStringLiteral("Herr;Jürgen;Müller-%1;\"Groß & Söhne; Werk %2\";%3;90402;Nürnberg;"
                           "empfaenger%1@example.org;0911 %1;\"Sehr geehrter Herr \"\"Müller\"\"\"\r\n")
                .arg(i)
                .arg(i % 50)
                .arg(street)));
    }
}

struct BenchImport : BenchDatabase {
    BenchImport()
    {
        dm->AdsConnection1.execute(QStringLiteral("Bench"),
                                   QStringLiteral("INSERT INTO Verfasser (Firma) VALUES ('Gross')"));
        frame = std::make_unique<TEmpfFrame>(*dm, nullptr);
        frame->FCB1Change();

        csv = dir.path() + QStringLiteral("/Adressen.csv");
        writeCsv(csv, [](int row, qint64) { return row < kRows; });
        blocksCsv = dir.path() + QStringLiteral("/Adressbloecke.csv");
        writeCsv(
            blocksCsv, [](int row, qint64) { return row < kRows; }, true);
    }

    MessageBoxRecorder boxes;
    std::unique_ptr<TEmpfFrame> frame;
    QString csv;
    QString blocksCsv;
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

// Every tenth row carries a 3-line address: cutting the text stays linear.
void BM_ReadCsv100000RowsWithAddressBlocks(benchmark::State& state)
{
    BenchImport& b = import();
    qsizetype count = 0;
    qsizetype notes = 0;
    for (auto _ : state) {
        const CsvLines lines = LoadCsvFile(b.blocksCsv);
        TFDBData records;
        QList<int> rejected;
        ReadImportRecords(lines, records, allColumns(), nullptr, rejected);
        count = records.size();
        notes = lines.quoteNotes().size();
        benchmark::DoNotOptimize(records.data());
    }
    state.counters["records"] = static_cast<double>(count);
    state.counters["joined"] = static_cast<double>(notes);
}
BENCHMARK(BM_ReadCsv100000RowsWithAddressBlocks)->Unit(benchmark::kMillisecond)->Iterations(3);

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

// The child: loads the file, reads its records, fills the preview, and prints the peaks (its own:
// the peak of getrusage would start at the parent's).
int measurePeaks(const QString& csv)
{
    MessageBoxRecorder boxes;
    const long before = residentKilobytes();
    TFDBData records;
    long loaded = 0;
    {
        const CsvLines lines = LoadCsvFile(csv);
        loaded = peakResidentKilobytes();
        QList<int> rejected;
        ReadImportRecords(lines, records, allColumns(), nullptr, rejected);
    }
    const long read = peakResidentKilobytes();
    TImpCheckForm check;
    check.FillRows(records);
    std::printf("records=%lld before_KiB=%ld load_KiB=%ld records_KiB=%ld preview_KiB=%ld\n",
                static_cast<long long>(records.size()), before, loaded, read, peakResidentKilobytes());
    return 0;
}

// Runs the child on csv and reports its figures.
void reportPeaks(benchmark::State& state, const QString& csv)
{
    QHash<QString, double> figures;
    for (auto _ : state) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--peak"), csv});
        if (!child.waitForFinished(600000)) {
            state.SkipWithError("the child did not finish");
            return;
        }
        for (const QString& item : QString::fromUtf8(child.readAllStandardOutput()).simplified().split(u' ')) {
            const QStringList pair = item.split(u'=');
            if (pair.size() == 2)
                figures.insert(pair.at(0), pair.at(1).toDouble());
        }
    }
    const double fileMiB = static_cast<double>(QFileInfo(csv).size()) / (1024.0 * 1024.0);
    const double before = figures.value(QStringLiteral("before_KiB")) / 1024.0;
    state.counters["file_MiB"] = fileMiB;
    state.counters["records"] = figures.value(QStringLiteral("records"));
    double factor = 0;
    for (const char* phase : {"load", "records", "preview"}) {
        const double peak = figures.value(QString::fromLatin1(phase) + QStringLiteral("_KiB")) / 1024.0 - before;
        state.counters[std::string(phase) + "_MiB"] = peak;
        factor = std::max(factor, peak / fileMiB);
        state.counters[std::string(phase) + "_x_file"] = peak / fileMiB;
    }
    const double memoryMiB =
        static_cast<double>(sysconf(_SC_PHYS_PAGES)) * static_cast<double>(sysconf(_SC_PAGE_SIZE)) / (1024.0 * 1024.0);
    state.counters["limit_MiB"] = static_cast<double>(CsvFileSizeLimit()) / (1024.0 * 1024.0);
    state.counters["half_memory_file_MiB"] = memoryMiB / 2 / factor;
}

void BM_PeakMemory100000Rows(benchmark::State& state)
{
    reportPeaks(state, import().csv);
}
BENCHMARK(BM_PeakMemory100000Rows)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_PeakMemory100MBFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("Gross.csv"));
    constexpr qint64 kBytes = 100 * 1024 * 1024;
    writeCsv(csv, [](int, qint64 written) { return written < kBytes; });
    reportPeaks(state, csv);
}
BENCHMARK(BM_PeakMemory100MBFile)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--peak") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return measurePeaks(QString::fromLocal8Bit(argv[2]));
    }
    return RunBenchmarksInApplication(argc, argv, [] { g_import.reset(); });
}
