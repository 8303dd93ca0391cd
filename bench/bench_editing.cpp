// Editing a 1 MiB chip: finding bytes in the whole document, and undo and redo of an open that
// changed every byte.
#include <benchmark/benchmark.h>

#include <vector>

#include "buffer/buffer_editor.h"
#include "buffer/document.h"
#include "buffer/memory_buffer.h"

namespace {

std::vector<uint8_t> Varied() {
  std::vector<uint8_t> bytes(kMemoryBufferSize);
  for (int i = 0; i < kMemoryBufferSize; ++i) bytes[i] = static_cast<uint8_t>(i * 37 + (i >> 8));
  return bytes;
}

// The document holding bytes, as an open leaves it.
void Open(TDocument& document, const std::vector<uint8_t>& bytes) {
  std::span<uint8_t> scratch = document.Scratch();
  std::copy(bytes.begin(), bytes.end(), scratch.begin());
  document.Adopt(TDocumentOrigin::ReadFromChip("bench"));
}

// A pattern found only in the last bytes: the search runs over the whole MiB. Arg 1: the pattern
// starts with the blank byte that fills most of an erased chip (the document is then blank).
void BM_Find1MiB(benchmark::State& state) {
  TDocument document;
  std::vector<uint8_t> bytes = state.range(0) ? std::vector<uint8_t>(kMemoryBufferSize, 0xFF) : Varied();
  const std::vector<uint8_t> pattern{0xFF, 0x12, 0x34, 0x56};
  std::copy(pattern.begin(), pattern.end(), bytes.end() - 4);
  Open(document, bytes);
  TBufferEditor editor(document);
  editor.SetSize(kMemoryBufferSize);
  for (auto _ : state) {
    editor.MoveTo(0, false);
    auto found = editor.Find(pattern, true, false);
    if (!found || found->Address != kMemoryBufferSize - 4) state.SkipWithError("not found");
  }
}
BENCHMARK(BM_Find1MiB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// An open that replaced every byte, then undo and redo of it.
void BM_UndoRedo1MiBOpen(benchmark::State& state) {
  TDocument document;
  std::vector<uint8_t> bytes = Varied();
  Open(document, bytes);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(~b);
  Open(document, bytes);
  TBufferEditor editor(document);
  editor.SetSize(kMemoryBufferSize);
  for (auto _ : state) {
    editor.Undo();
    editor.Redo();
  }
  state.counters["history_bytes"] = static_cast<double>(document.History().MemoryUsed());
}
BENCHMARK(BM_UndoRedo1MiBOpen)->Unit(benchmark::kMillisecond);

// An open whose bytes differ from the document's only at both ends: the step keeps the span.
void BM_Open1MiBChangedAtTheEnds(benchmark::State& state) {
  TDocument document;
  std::vector<uint8_t> bytes = Varied();
  Open(document, bytes);
  for (auto _ : state) {
    bytes[0] ^= 0xFF;
    bytes[kMemoryBufferSize - 1] ^= 0xFF;
    Open(document, bytes);
  }
}
BENCHMARK(BM_Open1MiBChangedAtTheEnds)->Unit(benchmark::kMillisecond);

}  // namespace
