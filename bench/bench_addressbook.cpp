// The recipient screen with 100,000 recipients under one sender: choosing that sender, and
// adding, editing and deleting one recipient (each opens the list again), each until the
// screen has been painted anew.
#include "BenchMain.h"
#include "BenchDatabase.h"
#include "addressbook/EMFForm.h"
#include "addressbook/EmpfF.h"
#include "platform/MessageBoxes.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr int kRecipients = 100000;

// A database with sender 1 holding 100,000 recipients and sender 2 none, the module on it and
// the recipient screen; dialogs are filled and confirmed, questions answered with Yes.
struct BenchScreen : BenchDatabase {
    BenchScreen()
    {
        dm->AdsConnection1.execute(QStringLiteral("Bench"),
                                   QStringLiteral("INSERT INTO Verfasser (Firma) VALUES ('Gross'), ('Leer')"));
        dm->AdsConnection1.execute(
            QStringLiteral("Bench"),
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                           "INSERT INTO Adressen (AbsenderID, Name, Anrede, Strasse, Ort, Email, PLZ, Land, Status, "
                           "Send, Firma, Vorname, BFormel) SELECT 1, printf('Müller-%06d', i), 'Herr', "
                           "'Hauptstraße ' || (i % 200), 'Nürnberg', 'empfaenger' || i || '@example.org', '90402', "
                           "'D', 0, 1, 'Firma ' || (i % 5000) || ' GmbH', 'Hans', 'Sehr geehrter Herr' FROM n"),
            {kRecipients});
        frame = std::make_unique<TEmpfFrame>(*dm, nullptr, [](QDialog& dialog) {
            auto& form = dynamic_cast<TEmpfModForm&>(dialog);
            form.FE2->setText(form.FE2->text() + QStringLiteral("x"));
            form.FE11->setText(QStringLiteral("neu@example.org"));
            form.show();
            form.updateCommands();
            form.EMFOK->trigger();
        });
        frame->FCB1Change();
        frame->resize(1000, 700);
        frame->show();
    }

    void choose(qint64 id)
    {
        for (int i = 0; i < frame->SenderChoices().size(); ++i) {
            if (frame->SenderChoices().at(i).ID == id)
                frame->FCB1->setCurrentIndex(i);
        }
    }

    MessageBoxRecorder boxes;
    std::unique_ptr<TEmpfFrame> frame;
};

// Built once for all benchmarks and freed before the application ends.
std::unique_ptr<BenchScreen> g_screen;

BenchScreen& screen()
{
    if (!g_screen)
        g_screen = std::make_unique<BenchScreen>();
    return *g_screen;
}

void BM_ChooseSenderWith100000Recipients(benchmark::State& state)
{
    BenchScreen& s = screen();
    for (auto _ : state) {
        state.PauseTiming();
        s.choose(2);
        state.ResumeTiming();
        s.choose(1);
        s.frame->repaint();
        benchmark::DoNotOptimize(s.dm->EmpfQuery.recordCount());
    }
    state.counters["rows"] = s.dm->EmpfQuery.recordCount();
}
BENCHMARK(BM_ChooseSenderWith100000Recipients)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_AddOneRecipient(benchmark::State& state)
{
    BenchScreen& s = screen();
    s.choose(1);
    for (auto _ : state) {
        s.frame->EmpfFNeuExecute();
        s.frame->repaint();
    }
    state.counters["rows"] = s.dm->EmpfQuery.recordCount();
}
BENCHMARK(BM_AddOneRecipient)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_EditOneRecipient(benchmark::State& state)
{
    BenchScreen& s = screen();
    s.choose(1);
    s.dm->EmpfQuery.setRecNo(kRecipients / 2);
    for (auto _ : state) {
        s.frame->EmpfFModExecute();
        s.frame->repaint();
    }
    state.counters["rows"] = s.dm->EmpfQuery.recordCount();
}
BENCHMARK(BM_EditOneRecipient)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_DeleteOneRecipient(benchmark::State& state)
{
    BenchScreen& s = screen();
    s.choose(1);
    for (auto _ : state) {
        s.boxes.answerNext(MsgAnswer::Yes);
        s.frame->EmpfFDelExecute();
        s.frame->repaint();
    }
    state.counters["rows"] = s.dm->EmpfQuery.recordCount();
}
BENCHMARK(BM_DeleteOneRecipient)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarksInApplication(argc, argv, [] { g_screen.reset(); });
}
