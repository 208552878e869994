#include "browser/addressbar.h"

#include <QApplication>
#include <QKeyEvent>

#include <benchmark/benchmark.h>

// The worst case of completion: a full history in which no entry begins with
// the typed text, though every entry shares a long start with it. One
// iteration is one released letter key, delivered as Qt delivers it.
static void BM_CompletionFullHistoryNoMatch(benchmark::State &state)
{
    AddressBar bar;
    QStringList history;
    history.reserve(AddressBar::MaxEntries);
    for (int i = 0; i < AddressBar::MaxEntries; ++i)
        history << QStringLiteral("http://www.example.org/pages/%1.html").arg(i);
    bar.setEntries(history);
    bar.show();
    bar.setEditText(QStringLiteral("http://www.example.org/pages/q"));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Q, Qt::NoModifier, QStringLiteral("q"));
    for (auto _ : state)
        QApplication::sendEvent(&bar, &release);
    if (bar.currentText() != QLatin1String("http://www.example.org/pages/q"))
        state.SkipWithError("the typed text was completed");
}
BENCHMARK(BM_CompletionFullHistoryNoMatch)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);
