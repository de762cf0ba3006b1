// The split of an HTML template once per run and its filling per recipient, for a page that a
// word processor wrote (placeholders as references, split by spelling and language marks) and
// for one built to make the search for such placeholders give up late, again and again. The
// bytes per second must stay flat as the page grows: both are linear in its size.
#include "mail/PlaceholderTemplate.h"

#include <benchmark/benchmark.h>

namespace {

// One paragraph as Word and Writer save it, with five placeholders, three of them split.
const QString kWordParagraph =
    QStringLiteral("<p class=MsoNormal><span lang=DE style='mso-ansi-language:DE'>&lt;#EAnrede&gt; "
                   "&lt;#<span class=SpellE>ETitel</span>&gt; &lt;#E<span lang=\"de-DE\">Vor</span>name&gt;\r\n"
                   "&lt;#<span\r\nclass=SpellE>EName</span>&gt;, wir laden Sie zum Tag der offenen T&uuml;r ein; "
                   "&lt;#AFirmenName&gt; freut sich.<o:p></o:p></span></p>\r\n");

// Openers that run through many tags before a blank ends each of them.
const QString kLateFailure =
    QStringLiteral("&lt;#E") + QStringLiteral("<span class=x><b></b></span>").repeated(40) + QStringLiteral(" x\r\n");

TPlaceholderTemplate::RecipientValues recipient()
{
    TPlaceholderTemplate::RecipientValues values;
    values[static_cast<size_t>(RecipientField::Anrede)] = QStringLiteral("Frau");
    values[static_cast<size_t>(RecipientField::Titel)] = QStringLiteral("Dr.");
    values[static_cast<size_t>(RecipientField::Vorname)] = QStringLiteral("Anna");
    values[static_cast<size_t>(RecipientField::Name)] = QStringLiteral("Müller-Lüdenscheidt");
    return values;
}

TPlaceholderTemplate::SenderValues sender()
{
    TPlaceholderTemplate::SenderValues values;
    values[static_cast<size_t>(SenderField::FirmenName)] = QStringLiteral("Gärtnerei Blütenreich");
    return values;
}

void split(benchmark::State& state, const QString& unit)
{
    const QString page = unit.repeated(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(TPlaceholderTemplate(page, TemplateKind::Html).HasPlaceholders());
    state.SetBytesProcessed(int64_t(state.iterations()) * page.size() * 2);
    state.SetLabel(std::to_string(page.size()) + " characters");
}

void fill(benchmark::State& state, const QString& unit)
{
    const QString page = unit.repeated(int(state.range(0)));
    const TPlaceholderTemplate html(page, TemplateKind::Html);
    const auto values = recipient();
    const auto senderValues = sender();
    for (auto _ : state)
        benchmark::DoNotOptimize(html.Fill(values, senderValues));
    state.SetBytesProcessed(int64_t(state.iterations()) * page.size() * 2);
    state.SetLabel(std::to_string(page.size()) + " characters");
}

void BM_SplitWordPage(benchmark::State& state)
{
    split(state, kWordParagraph);
}
void BM_FillWordPage(benchmark::State& state)
{
    fill(state, kWordParagraph);
}
void BM_SplitLateFailures(benchmark::State& state)
{
    split(state, kLateFailure);
}
void BM_FillLateFailures(benchmark::State& state)
{
    fill(state, kLateFailure);
}

} // namespace

BENCHMARK(BM_SplitWordPage)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_FillWordPage)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_SplitLateFailures)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_FillLateFailures)->Arg(10)->Arg(100)->Arg(1000);

BENCHMARK_MAIN();
