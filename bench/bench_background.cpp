#include "browser/clientarea.h"

#include <QImage>
#include <QPixmap>

#include <benchmark/benchmark.h>

// One paint of a full-HD client area tiled with a square picture whose side
// is the benchmark's argument, rendered as the window would paint it.
static void BM_PaintTiledClientArea(benchmark::State &state)
{
    const int side = int(state.range(0));
    QImage tile(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            tile.setPixel(x, y, qRgb(x * 4, y * 4, 128));
    ClientArea area;
    area.resize(1920, 1080);
    area.setBackground(Qt::darkCyan, QPixmap::fromImage(tile));
    QImage target(area.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        area.render(&target);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PaintTiledClientArea)
    ->Arg(1)
    ->Arg(64)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);
