// How long the labels take to shorten a text that does not fit, per paint.
#include "BenchMain.h"
#include "controls/TextShortening.h"

#include <QApplication>
#include <QFontMetrics>

#include <benchmark/benchmark.h>

static void BM_ShortenToWidth(benchmark::State& state)
{
    const QString text = QString(QStringLiteral("Müller & Söhne Großhandel "))
                             .repeated(int(state.range(0)) / 26 + 1)
                             .left(int(state.range(0)));
    const QFontMetrics metrics(QApplication::font());
    for (auto _ : state)
        benchmark::DoNotOptimize(shortenToWidth(text, metrics, 199));
    state.SetLabel(QStringLiteral("%1 characters into 199 px").arg(text.size()).toStdString());
}
BENCHMARK(BM_ShortenToWidth)->Arg(40)->Arg(250)->Arg(5000);

int main(int argc, char** argv)
{
    return RunBenchmarksInApplication(argc, argv);
}
