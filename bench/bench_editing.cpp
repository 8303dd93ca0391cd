// Editing a 1 MiB chip: finding bytes in the whole buffer, and undo and redo of a load that
// changed every byte.
#include <benchmark/benchmark.h>

#include <vector>

#include "buffer/buffer_editor.h"
#include "buffer/memory_buffer.h"

namespace {

void FillVaried() {
  for (int i = 0; i < kMemoryBufferSize; ++i) MemoryBuffer[i] = static_cast<uint8_t>(i * 37 + (i >> 8));
}

// A pattern found only in the last bytes: the search runs over the whole MiB. Arg 1: the pattern
// starts with the blank byte that fills most of an erased chip (the buffer is then blank).
void BM_Find1MiB(benchmark::State& state) {
  if (state.range(0)) {
    ClearMemoryBuffer();
  } else {
    FillVaried();
  }
  const std::vector<uint8_t> pattern{0xFF, 0x12, 0x34, 0x56};
  std::copy(pattern.begin(), pattern.end(), MemoryBuffer + kMemoryBufferSize - 4);
  TBufferEditor editor;
  editor.SetSize(kMemoryBufferSize);
  for (auto _ : state) {
    editor.MoveTo(0, false);
    auto found = editor.Find(pattern, true, false);
    if (!found || found->Address != kMemoryBufferSize - 4) state.SkipWithError("not found");
  }
}
BENCHMARK(BM_Find1MiB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Recording a load that replaced every byte, then undo and redo of it.
void BM_UndoRedo1MiBLoad(benchmark::State& state) {
  FillVaried();
  TBufferEditor editor;
  editor.SetSize(kMemoryBufferSize);
  const std::vector<uint8_t> before = editor.Snapshot();
  for (int i = 0; i < kMemoryBufferSize; ++i) MemoryBuffer[i] = static_cast<uint8_t>(~MemoryBuffer[i]);
  editor.RecordReplacement(before);
  for (auto _ : state) {
    editor.Undo();
    editor.Redo();
  }
  state.counters["history_bytes"] = static_cast<double>(editor.History().MemoryUsed());
}
BENCHMARK(BM_UndoRedo1MiBLoad)->Unit(benchmark::kMillisecond);

void BM_RecordReplacement1MiB(benchmark::State& state) {
  FillVaried();
  TBufferEditor editor;
  editor.SetSize(kMemoryBufferSize);
  for (auto _ : state) {
    const std::vector<uint8_t> before = editor.Snapshot();
    MemoryBuffer[0] ^= 0xFF;
    MemoryBuffer[kMemoryBufferSize - 1] ^= 0xFF;
    editor.RecordReplacement(before);
  }
}
BENCHMARK(BM_RecordReplacement1MiB)->Unit(benchmark::kMillisecond);

}  // namespace
