// Intel HEX, S-record and binary load and save of 64 KiB and 1 MiB images in MB/s of file, and
// the same conversions done by Tesmaro (in the process and as tesmaro-cli) and by srec_cat as
// processes.
#include <benchmark/benchmark.h>

#include "spawn_quiet.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "buffer/document.h"
#include "buffer/memory_buffer.h"
#include "catalogue/chip.h"
#include "imagefile/image_file.h"

namespace {

namespace fs = std::filesystem;

// The test files, made once: a random image of each size as binary and as Tesmaro's Intel HEX.
struct TFiles {
  fs::path Dir;
  TFiles() {
    Dir = fs::temp_directory_path() / ("tesmaro-bench-" + std::to_string(std::random_device()()));
    fs::create_directories(Dir);
    std::mt19937 random(7);
    Image.resize(kMemoryBufferSize);
    for (auto& b : Image) b = static_cast<uint8_t>(random());
    for (int32_t size : {0x10000, 0x100000}) {
      Save(Bin(size), TImageFormat::Bin, size);
      Save(Hex(size), TImageFormat::Hex, size);
      Save(SRec(size), TImageFormat::SRec, size);
    }
    FILE* f = std::fopen((Dir / "cat.ini").c_str(), "w");
    std::fputs("[Bench]\ntype=1\nB64K=1,65536,32,0,5\nB1M=1,1048576,32,0,5\n", f);
    std::fclose(f);
  }
  ~TFiles() {
    std::error_code ec;
    fs::remove_all(Dir, ec);
  }
  void Save(const std::string& file, TImageFormat format, int32_t size) const {
    WriteImage(file, format, Image, ChipSpan(format, Chip(size)));
  }
  void Load(const std::string& file, TImageFormat format) { ReadImage(file, format, 0, Image); }
  std::vector<uint8_t> Image;
  static TChip Chip(int32_t size) {
    TChip c;
    c.Name = size == 0x10000 ? "B64K" : "B1M";
    c.Size = size;
    return c;
  }
  std::string Bin(int32_t size) const { return (Dir / ("image" + std::to_string(size) + ".bin")).string(); }
  std::string Hex(int32_t size) const { return (Dir / ("image" + std::to_string(size) + ".hex")).string(); }
  std::string SRec(int32_t size) const { return (Dir / ("image" + std::to_string(size) + ".s19")).string(); }
  std::string Out(const char* name) const { return (Dir / name).string(); }
  std::string Catalogue() const { return (Dir / "cat.ini").string(); }
};

TFiles& Files() {
  static TFiles files;
  return files;
}

int64_t FileBytes(const std::string& name) { return static_cast<int64_t>(fs::file_size(name)); }

// A conversion by another process, timed by the processor time the process used (as the
// in-process benchmarks are), so that other work on the machine does not count; wall_ms is
// the elapsed time.
void RunProcess(benchmark::State& state, const std::vector<std::string>& args, int64_t bytesPerRun) {
  double wall = 0;
  for (auto _ : state) {
    double cpu = 0;
    auto start = std::chrono::steady_clock::now();
    if (SpawnQuiet(args, &cpu) != 0) {
      state.SkipWithError((args[0] + " did not run (not installed?)").c_str());
      return;
    }
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(cpu);
  }
  state.SetBytesProcessed(state.iterations() * bytesPerRun);
  state.counters["wall_ms"] = 1000 * wall / static_cast<double>(state.iterations());
}

// --- Tesmaro in the process ---

void BM_HexLoad(benchmark::State& state) {
  const int32_t size = static_cast<int32_t>(state.range(0));
  const std::string file = Files().Hex(size);
  for (auto _ : state) Files().Load(file, TImageFormat::Hex);
  state.SetBytesProcessed(state.iterations() * FileBytes(file));
}

// Opening a file as the window does: read into the document's scratch space and adopted as one
// undo step, the new base of the changed-byte marks. Two different images take turns, so every
// open changes every byte.
void BM_DocumentHexLoad(benchmark::State& state) {
  const int32_t size = static_cast<int32_t>(state.range(0));
  const std::string files[] = {Files().Hex(size), Files().Out("other.hex")};
  std::vector<uint8_t> other = Files().Image;
  for (auto& b : other) b = static_cast<uint8_t>(~b);
  WriteImage(files[1], TImageFormat::Hex, other, ChipSpan(TImageFormat::Hex, TFiles::Chip(size)));
  TDocument document;
  document.SetChipSize(size);
  size_t turn = 0;
  for (auto _ : state) {
    const std::string& file = files[turn++ % 2];
    const TImageExtent data = ReadImage(file, TImageFormat::Hex, 0, document.Scratch());
    TDocumentOrigin origin;
    origin.Kind = TOriginKind::File;
    origin.Name = file;
    origin.Format = "hex";
    origin.DataStart = static_cast<uint32_t>(data.First);
    origin.DataEnd = static_cast<uint32_t>(data.End);
    document.Adopt(std::move(origin));
  }
  state.SetBytesProcessed(state.iterations() * FileBytes(files[0]));
}

void BM_HexSave(benchmark::State& state) {
  const int32_t size = static_cast<int32_t>(state.range(0));
  const std::string file = Files().Out("save.hex");
  for (auto _ : state) Files().Save(file, TImageFormat::Hex, size);
  state.SetBytesProcessed(state.iterations() * FileBytes(file));
}

void BM_BinLoad(benchmark::State& state) {
  const int32_t size = static_cast<int32_t>(state.range(0));
  const std::string file = Files().Bin(size);
  for (auto _ : state) Files().Load(file, TImageFormat::Bin);
  state.SetBytesProcessed(state.iterations() * size);
}

void BM_BinSave(benchmark::State& state) {
  const int32_t size = static_cast<int32_t>(state.range(0));
  const std::string file = Files().Out("save.bin");
  for (auto _ : state) Files().Save(file, TImageFormat::Bin, size);
  state.SetBytesProcessed(state.iterations() * size);
}

void BM_SRecLoad(benchmark::State& state) {
  const int32_t size = static_cast<int32_t>(state.range(0));
  const std::string file = Files().SRec(size);
  for (auto _ : state) Files().Load(file, TImageFormat::SRec);
  state.SetBytesProcessed(state.iterations() * FileBytes(file));
}

void BM_SRecSave(benchmark::State& state) {
  const int32_t size = static_cast<int32_t>(state.range(0));
  const std::string file = Files().Out("save.s19");
  for (auto _ : state) Files().Save(file, TImageFormat::SRec, size);
  state.SetBytesProcessed(state.iterations() * FileBytes(file));
}

// One conversion each way, as tesmaro-cli convert does it (MB/s of the Intel HEX file).
void BM_ConvertHexToBin_Tesmaro(benchmark::State& state) {
  const int32_t size = static_cast<int32_t>(state.range(0));
  const std::string in = Files().Hex(size), out = Files().Out("t.bin");
  for (auto _ : state) {
    Files().Load(in, TImageFormat::Hex);
    Files().Save(out, TImageFormat::Bin, size);
  }
  state.SetBytesProcessed(state.iterations() * FileBytes(in));
}

void BM_ConvertBinToHex_Tesmaro(benchmark::State& state) {
  const int32_t size = static_cast<int32_t>(state.range(0));
  const std::string in = Files().Bin(size), out = Files().Out("t.hex");
  for (auto _ : state) {
    Files().Load(in, TImageFormat::Bin);
    Files().Save(out, TImageFormat::Hex, size);
  }
  state.SetBytesProcessed(state.iterations() * FileBytes(out));
}

// --- the same conversions as processes ---

void BM_ConvertHexToBin_TesmaroCli(benchmark::State& state) {
  const int32_t size = static_cast<int32_t>(state.range(0));
  RunProcess(state,
             {TESMARO_BINARY_DIR "/tesmaro-cli", "--catalogue", Files().Catalogue(), "--chip", TFiles::Chip(size).Name,
              "convert", Files().Hex(size), Files().Out("c.bin")},
             FileBytes(Files().Hex(size)));
}

void BM_ConvertBinToHex_TesmaroCli(benchmark::State& state) {
  const int32_t size = static_cast<int32_t>(state.range(0));
  RunProcess(state,
             {TESMARO_BINARY_DIR "/tesmaro-cli", "--catalogue", Files().Catalogue(), "--chip", TFiles::Chip(size).Name,
              "convert", Files().Bin(size), Files().Out("c.hex")},
             FileBytes(Files().Hex(size)));
}

void BM_ConvertHexToBin_SrecCat(benchmark::State& state) {
  const int32_t size = static_cast<int32_t>(state.range(0));
  RunProcess(state, {"srec_cat", Files().Hex(size), "-intel", "-o", Files().Out("s.bin"), "-binary"},
             FileBytes(Files().Hex(size)));
}

void BM_ConvertBinToHex_SrecCat(benchmark::State& state) {
  const int32_t size = static_cast<int32_t>(state.range(0));
  RunProcess(state, {"srec_cat", Files().Bin(size), "-binary", "-o", Files().Out("s.hex"), "-intel"},
             FileBytes(Files().Hex(size)));
}

// S-records each way (MB/s of the S-record file).
void BM_ConvertSRecToBin_TesmaroCli(benchmark::State& state) {
  const int32_t size = static_cast<int32_t>(state.range(0));
  RunProcess(state,
             {TESMARO_BINARY_DIR "/tesmaro-cli", "--catalogue", Files().Catalogue(), "--chip", TFiles::Chip(size).Name,
              "convert", Files().SRec(size), Files().Out("cs.bin")},
             FileBytes(Files().SRec(size)));
}

void BM_ConvertBinToSRec_TesmaroCli(benchmark::State& state) {
  const int32_t size = static_cast<int32_t>(state.range(0));
  RunProcess(state,
             {TESMARO_BINARY_DIR "/tesmaro-cli", "--catalogue", Files().Catalogue(), "--chip", TFiles::Chip(size).Name,
              "convert", Files().Bin(size), Files().Out("cs.s19")},
             FileBytes(Files().SRec(size)));
}

void BM_ConvertSRecToBin_SrecCat(benchmark::State& state) {
  const int32_t size = static_cast<int32_t>(state.range(0));
  RunProcess(state, {"srec_cat", Files().SRec(size), "-motorola", "-o", Files().Out("ss.bin"), "-binary"},
             FileBytes(Files().SRec(size)));
}

void BM_ConvertBinToSRec_SrecCat(benchmark::State& state) {
  const int32_t size = static_cast<int32_t>(state.range(0));
  RunProcess(state, {"srec_cat", Files().Bin(size), "-binary", "-o", Files().Out("ss.s19"), "-motorola"},
             FileBytes(Files().SRec(size)));
}

}  // namespace

// In the process: processor time (the Time column is elapsed time, which includes the disk
// syncs of the saves); as processes: the processor time of the child.
#define SIZES Arg(0x10000)->Arg(0x100000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_HexLoad)->SIZES;
BENCHMARK(BM_DocumentHexLoad)->SIZES;
BENCHMARK(BM_HexSave)->SIZES;
BENCHMARK(BM_BinLoad)->SIZES;
BENCHMARK(BM_BinSave)->SIZES;
BENCHMARK(BM_ConvertHexToBin_Tesmaro)->SIZES;
BENCHMARK(BM_ConvertHexToBin_TesmaroCli)->SIZES->UseManualTime();
BENCHMARK(BM_ConvertHexToBin_SrecCat)->SIZES->UseManualTime();
BENCHMARK(BM_ConvertBinToHex_Tesmaro)->SIZES;
BENCHMARK(BM_ConvertBinToHex_TesmaroCli)->SIZES->UseManualTime();
BENCHMARK(BM_ConvertBinToHex_SrecCat)->SIZES->UseManualTime();
BENCHMARK(BM_SRecLoad)->SIZES;
BENCHMARK(BM_SRecSave)->SIZES;
BENCHMARK(BM_ConvertSRecToBin_TesmaroCli)->SIZES->UseManualTime();
BENCHMARK(BM_ConvertSRecToBin_SrecCat)->SIZES->UseManualTime();
BENCHMARK(BM_ConvertBinToSRec_TesmaroCli)->SIZES->UseManualTime();
BENCHMARK(BM_ConvertBinToSRec_SrecCat)->SIZES->UseManualTime();
