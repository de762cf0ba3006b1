// How long a large send log takes to load into the viewer and to print into a PDF through the
// layout, by the number of log lines.
#include "BenchMain.h"
#include "desktop/MessageBoxes.h"
#include "mailing/LogReportLayout.h"
#include "mailing/LogReportRenderer.h"
#include "mailing/LogViewForm.h"
#include "platform/AppPaths.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

QByteArray sampleLog(int lines)
{
    QByteArray text;
    for (int i = 1; i <= lines; ++i)
        text += "Mail " + QByteArray::number(i) + " an empf" + QByteArray::number(i) +
                "@example.de (M\xfcller & S\xf6hne) ... gesendet\r\n";
    return text;
}

QString writeSampleLog(const QTemporaryDir& dir, int lines)
{
    const QString path = dir.filePath(QStringLiteral("News_08122026_1.log"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(sampleLog(lines));
    return path;
}

} // namespace

static void BM_LoadLogIntoViewer(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = writeSampleLog(dir, int(state.range(0)));
    MessageBoxRecorder boxes;
    TLogViewForm viewer;
    for (auto _ : state)
        benchmark::DoNotOptimize(viewer.LoadLog(QStringLiteral("News 08.12.2026 #1"), path));
    state.SetLabel(
        QStringLiteral("%1 lines, %2 KiB").arg(state.range(0)).arg(QFileInfo(path).size() / 1024).toStdString());
}
BENCHMARK(BM_LoadLogIntoViewer)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

static void BM_PrintLogToPdf(benchmark::State& state)
{
    QTemporaryDir dir;
    const LogReportLayoutResult read = ReadLogReportLayout(AppPaths::assetPath(QStringLiteral("Log.lbl")));
    if (read.code != 0) {
        state.SkipWithError("Log.lbl cannot be read");
        return;
    }
    QTextDocument content;
    content.setPlainText(QString::fromLatin1(sampleLog(int(state.range(0)))));
    int pages = 0;
    qint64 bytes = 0;
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("log.pdf")));
        if (RenderLogReport(read.layout, QStringLiteral("News 08.12.2026 #1"), content, printer, QDate(2026, 12, 8)) !=
            0) {
            state.SkipWithError("rendering failed");
            return;
        }
        pages = CountLogReportPages(read.layout, content, printer);
        bytes = QFileInfo(dir.filePath(QStringLiteral("log.pdf"))).size();
    }
    state.SetLabel(QStringLiteral("%1 lines, %2 pages, %3 KiB PDF")
                       .arg(state.range(0))
                       .arg(pages)
                       .arg(bytes / 1024)
                       .toStdString());
}
BENCHMARK(BM_PrintLogToPdf)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return RunBenchmarksInApplication(argc, argv);
}
