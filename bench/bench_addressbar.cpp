#include "browser/addressbar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <benchmark/benchmark.h>

// The worst case of completion: a full history in which no entry begins with
// the typed text, though every entry shares a long start with it. One
// iteration is one letter key pressed and released, delivered as Qt delivers
// them; only a release after its press completes. The press carries no text,
// so the field keeps what it shows and every release scans the whole history.
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
    bar.lineEdit()->setCursorPosition(0);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Q, Qt::NoModifier, QStringLiteral("q"));
    for (auto _ : state) {
        QApplication::sendEvent(&bar, &press);
        QApplication::sendEvent(&bar, &release);
    }
    if (bar.currentText() != QLatin1String("http://www.example.org/pages/q"))
        state.SkipWithError("the typed text was completed");
    // A completion that found nothing leaves the caret at the end.
    else if (bar.lineEdit()->cursorPosition() != int(bar.currentText().size()))
        state.SkipWithError("the release did not complete");
}
BENCHMARK(BM_CompletionFullHistoryNoMatch)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);
