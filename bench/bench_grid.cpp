// The hex grid over a 1 MiB chip, offscreen: painting one viewport, jumping between the first
// and the last row, and the heap the grid adds for the chip's rows.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QKeyEvent>
#include <memory>
#include <vector>

#include "app/hex_grid.h"
#include "buffer/document.h"
#include "buffer/memory_buffer.h"

namespace {

constexpr int kRowsOf1MiB = 0x100000 / 16 + 1;

size_t HeapInUse() { return mallinfo2().uordblks; }

// A grid as the main window sizes it, shown offscreen, over a buffer full of varied bytes.
std::unique_ptr<THexGrid> ShownGrid(int height, int rows) {
  static TDocument document;
  std::vector<uint8_t> bytes(kMemoryBufferSize);
  for (int i = 0; i < kMemoryBufferSize; ++i) bytes[i] = static_cast<uint8_t>(i * 37 + (i >> 8));
  document.Store(0, bytes);
  document.Settle();
  auto grid = std::make_unique<THexGrid>(nullptr, document);
  grid->resize(639, height);
  grid->SetColWidth(0, 50);
  grid->SetColWidth(17, 140);
  grid->SetRowCount(rows);
  grid->show();
  QCoreApplication::processEvents();
  grid->setFocus();
  return grid;
}

void PressKey(THexGrid& grid, int key, Qt::KeyboardModifiers modifiers) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers);
  QApplication::sendEvent(&grid, &press);
  QApplication::sendEvent(&grid, &release);
}

// Arg: the grid's height in pixels (320 is the main window at its starting size).
void BM_PaintViewport(benchmark::State& state) {
  auto grid = ShownGrid(static_cast<int>(state.range(0)), kRowsOf1MiB);
  grid->SelectCell(5, 1000);
  for (auto _ : state) grid->RepaintNow();
  state.counters["visible_rows"] = grid->VisibleRowCount();
}
BENCHMARK(BM_PaintViewport)->Arg(320)->Arg(1000)->Unit(benchmark::kMicrosecond);

// A viewport of 54 rows with a selection across it, some changed bytes and the Cyrillic code page.
void BM_PaintViewportWithSelection(benchmark::State& state) {
  auto grid = ShownGrid(1000, kRowsOf1MiB);
  grid->SetCodePage("CP1251");
  grid->Editor().Document().SetBaseline();
  grid->SelectCell(5, 1000);
  grid->Editor().Paste("11 22 33 44 55 66 77 88");
  grid->Editor().MoveTo(grid->Editor().Cursor() + 16 * 40, true);
  for (auto _ : state) grid->RepaintNow();
  state.counters["visible_rows"] = grid->VisibleRowCount();
  state.counters["selected"] = grid->Editor().Selection().Length;
}
BENCHMARK(BM_PaintViewportWithSelection)->Unit(benchmark::kMicrosecond);

// Ctrl+End and Ctrl+Home in turn, each followed by the repaint it causes.
void BM_JumpFirstToLastRow(benchmark::State& state) {
  auto grid = ShownGrid(320, kRowsOf1MiB);
  bool toEnd = true;
  for (auto _ : state) {
    PressKey(*grid, toEnd ? Qt::Key_End : Qt::Key_Home, Qt::ControlModifier);
    grid->RepaintNow();
    toEnd = !toEnd;
  }
  if (grid->Row() != 1 && grid->Row() != kRowsOf1MiB - 1) state.SkipWithError("the jump did not move the cell");
}
BENCHMARK(BM_JumpFirstToLastRow)->Unit(benchmark::kMicrosecond);

// Heap that a chip's rows add to a shown grid of the header row alone, after jumping to the
// last row and painting it. The first pass only warms the process-wide caches (glyphs, styles).
size_t HeapAddedForRows(int rows) {
  auto grid = ShownGrid(320, 1);
  grid->RepaintNow();
  const size_t before = HeapInUse();
  grid->SetRowCount(rows);
  grid->SelectCell(1, 1);
  PressKey(*grid, Qt::Key_End, Qt::ControlModifier);
  grid->RepaintNow();
  return HeapInUse() - before;
}

void BM_HeapAddedByRows(benchmark::State& state) {
  HeapAddedForRows(kRowsOf1MiB);
  for (auto _ : state) {
    state.counters["added_256B_chip"] = static_cast<double>(HeapAddedForRows(256 / 16 + 1));
    state.counters["added_64KiB_chip"] = static_cast<double>(HeapAddedForRows(0x10000 / 16 + 1));
    state.counters["added_1MiB_chip"] = static_cast<double>(HeapAddedForRows(kRowsOf1MiB));
  }
}
BENCHMARK(BM_HeapAddedByRows)->Iterations(1);

}  // namespace

// The grid needs a QApplication, so this benchmark brings its own entry.
int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
