#include "programmer/checked_read.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "analysis/read_agreement.h"
#include "analysis/read_signs.h"
#include "common/error.h"
#include "common/integer.h"

namespace {

// Undecided bytes are re-read in blocks of this many bytes.
constexpr size_t kReReadBlock = 32;

// The bytes of the chip that a read gives: its Size, or less where the read stops short.
size_t ReadBytes(const TChip& chip, size_t room) {
  return std::min({static_cast<size_t>(std::max<int32_t>(0, chip.Size)), ChipReadExtent(chip), room});
}

// One block being re-read: every read of it so far, the whole reads' share first.
struct TBlockReads {
  uint32_t At = 0;
  size_t Length = 0;
  std::vector<std::vector<uint8_t>> Reads;
};

// Re-reads the blocks that hold undecided bytes, all still undecided blocks once per round, until
// every byte is decided or those blocks were read kMaxReads times. decided holds the values
// decided so far and receives the new ones; undecided shrinks to the bytes still undecided; made
// receives the reads of the blocks that are left, firstValues every value read at the first of
// their bytes.
TChipRun ReReadUndecided(TProgrammer& p, const TChip& chip, TUserInterface& ui,
                         const std::vector<std::vector<uint8_t>>& all, std::span<uint8_t> decided,
                         std::vector<uint32_t>& undecided, int& made, std::vector<uint8_t>& firstValues) {
  const size_t extent = decided.size();
  std::vector<TBlockReads> blocks;
  for (const uint32_t u : undecided) {
    const uint32_t at = static_cast<uint32_t>(u / kReReadBlock * kReReadBlock);
    if (!blocks.empty() && blocks.back().At == at) continue;
    TBlockReads b;
    b.At = at;
    b.Length = std::min(kReReadBlock, extent - at);
    const auto from = static_cast<std::ptrdiff_t>(at), to = static_cast<std::ptrdiff_t>(at + b.Length);
    for (const auto& read : all) b.Reads.emplace_back(read.begin() + from, read.begin() + to);
    blocks.push_back(std::move(b));
  }
  made = static_cast<int>(all.size());
  while (!undecided.empty() && made < kMaxReads) {
    // Whole blocks in one session; a shorter last block (a chip read by unit) in a second one.
    for (const bool whole : {true, false}) {
      std::vector<uint32_t> at;
      size_t length = 0;
      for (const TBlockReads& b : blocks)
        if ((b.Length == kReReadBlock) == whole) {
          at.push_back(b.At);
          length = b.Length;
        }
      if (at.empty()) continue;
      std::vector<uint8_t> read(at.size() * length);
      if (const TChipRun run = ReadChipBlocks(p, chip, at, length, read, ui); run != TChipRun::Done) return run;
      size_t k = 0;
      for (TBlockReads& b : blocks)
        if ((b.Length == kReReadBlock) == whole) {
          b.Reads.emplace_back(read.begin() + static_cast<std::ptrdiff_t>(k * length),
                               read.begin() + static_cast<std::ptrdiff_t>((k + 1) * length));
          ++k;
        }
    }
    ++made;
    std::vector<TBlockReads> left;
    std::vector<uint32_t> still;
    for (TBlockReads& b : blocks) {
      std::vector<std::span<const uint8_t>> views(b.Reads.begin(), b.Reads.end());
      const TReadDecision d = DecideReads(views, decided.subspan(b.At, b.Length));
      if (d.Decided()) continue;
      for (const uint32_t u : d.Undecided) still.push_back(b.At + u);
      left.push_back(std::move(b));
    }
    blocks = std::move(left);
    undecided = std::move(still);
  }
  if (!undecided.empty()) {
    firstValues.clear();
    for (const auto& read : blocks.front().Reads) firstValues.push_back(read[undecided.front() - blocks.front().At]);
  }
  return TChipRun::Done;
}

// "12 bytes could not be decided after 9 reads (first at 0x0123: values seen 5A, 5B, ...): the
// connection is unreliable (clip, wiring, supply)."
std::string UndecidedText(size_t count, int reads, uint32_t first, std::span<const uint8_t> values,
                          TUserInterface& ui) {
  std::string seen;
  for (const uint8_t v : values) seen += (seen.empty() ? "" : ", ") + IntToHex(v, 2);
  return FormatText(ui.MessageText("ReadsUndecided"),
                    {std::to_string(count), std::to_string(reads), IntToHex(first, 4), seen});
}

}  // namespace

TChipRun ReadBlocksDecided(TProgrammer& p, const TChip& chip, std::span<const uint32_t> addresses, size_t length,
                           std::span<uint8_t> target, TUserInterface& ui) {
  const size_t n = addresses.size() * length;
  std::vector<std::vector<uint8_t>> first(2, std::vector<uint8_t>(n));
  for (auto& read : first)
    if (const TChipRun run = ReadChipBlocks(p, chip, addresses, length, read, ui); run != TChipRun::Done) return run;
  // Each block with its reads; blocks on which both reads agree are decided at once.
  struct TBlock {
    size_t Index;
    std::vector<std::vector<uint8_t>> Reads;
  };
  std::vector<uint8_t> decided(first[0]);
  std::vector<TBlock> open;
  for (size_t i = 0; i < addresses.size(); ++i) {
    const auto from = static_cast<std::ptrdiff_t>(i * length), to = static_cast<std::ptrdiff_t>((i + 1) * length);
    if (std::equal(first[0].begin() + from, first[0].begin() + to, first[1].begin() + from)) continue;
    open.push_back(
        {i, {{first[0].begin() + from, first[0].begin() + to}, {first[1].begin() + from, first[1].begin() + to}}});
  }
  for (int made = 2; !open.empty(); ++made) {
    std::vector<TBlock> left;
    for (TBlock& b : open) {
      std::vector<std::span<const uint8_t>> views(b.Reads.begin(), b.Reads.end());
      if (!DecideReads(views, std::span(decided).subspan(b.Index * length, length)).Decided())
        left.push_back(std::move(b));
    }
    open = std::move(left);
    if (open.empty()) break;
    if (made == kMaxReads) return TChipRun::Unreliable;
    std::vector<uint32_t> at;
    at.reserve(open.size());
    for (const TBlock& b : open) at.push_back(addresses[b.Index]);
    std::vector<uint8_t> read(at.size() * length);
    if (const TChipRun run = ReadChipBlocks(p, chip, at, length, read, ui); run != TChipRun::Done) return run;
    for (size_t k = 0; k < open.size(); ++k)
      open[k].Reads.emplace_back(read.begin() + static_cast<std::ptrdiff_t>(k * length),
                                 read.begin() + static_cast<std::ptrdiff_t>((k + 1) * length));
  }
  std::copy(decided.begin(), decided.end(), target.begin());
  return TChipRun::Done;
}

void ShowReadSigns(const TChip& chip, std::span<const uint8_t> data, std::span<const uint8_t> expected,
                   TUserInterface& ui) {
  const std::vector<TReadSign> signs = expected.empty() ? FindReadSigns(data) : NewReadSigns(data, expected);
  for (const TReadSign& s : signs) ui.ShowNotice(ReadSignText(s, chip, ui));
}

TChipRun ReadChipDecided(TProgrammer& p, const TChip& chip, std::span<uint8_t> target, TUserInterface& ui,
                         const TCheckOptions& options, const std::string& note, const char* discardedKey) {
  const int reads = options.Reads;
  if (reads < 1 || reads > kMaxReads)
    throw TError(
        FormatText("A chip is read 1 to %s times, not %s.", {std::to_string(kMaxReads), std::to_string(reads)}));
  if (options.Report) {
    options.Report->Decided.clear();
    options.Report->Undecided.clear();
  }
  if (reads == 1) return ReadChipTo(p, chip, target, ui, note);
  // Each read into its own buffer, so that a discarded read leaves target as it was.
  const size_t extent = std::min(ChipReadExtent(chip), target.size());
  std::vector<std::vector<uint8_t>> all(static_cast<size_t>(reads));
  for (auto& read : all) {
    read.assign(target.begin(), target.begin() + static_cast<std::ptrdiff_t>(extent));
    if (const TChipRun run = ReadChipTo(p, chip, read, ui, note); run != TChipRun::Done) return run;
  }
  std::vector<std::span<const uint8_t>> views(all.begin(), all.end());
  std::vector<uint8_t> decided(extent);
  const TReadDecision decision = DecideReads(views, decided);
  if (!decision.Agreement.Agree()) {
    if (options.OnDisagreement == TDisagreement::Discard) {
      ui.ShowError(ReadAgreementText(decision.Agreement, ui) + "\n\r" + ui.MessageText(discardedKey));
      return TChipRun::Unreliable;
    }
    std::vector<uint32_t> undecided = decision.Undecided;
    int made = reads;
    std::vector<uint8_t> firstValues;
    if (!undecided.empty())
      if (const TChipRun run = ReReadUndecided(p, chip, ui, all, decided, undecided, made, firstValues);
          run != TChipRun::Done)
        return run;
    if (options.Report) {
      std::set_difference(decision.Differing.begin(), decision.Differing.end(), undecided.begin(), undecided.end(),
                          std::back_inserter(options.Report->Decided));
      options.Report->Undecided = undecided;
    }
    if (!undecided.empty()) {
      ui.ShowError(UndecidedText(undecided.size(), made, undecided.front(), firstValues, ui) + "\n\r" +
                   ui.MessageText(discardedKey));
      return TChipRun::Unreliable;
    }
    const bool marked = options.Report && options.Report->Marked;
    ui.ShowNotice(FormatText(ui.MessageText(marked ? "ReadsDecidedMarked" : "ReadsDecided"),
                             {std::to_string(decision.Differing.size())}));
  }
  std::copy(decided.begin(), decided.end(), target.begin());
  return TChipRun::Done;
}

TChipRun ReadChipChecked(TProgrammer& p, const TChip& chip, std::span<uint8_t> target, TUserInterface& ui,
                         const TCheckOptions& options, std::span<const uint8_t> expected, const std::string& note) {
  const TChipRun run = ReadChipDecided(p, chip, target, ui, options, note);
  if (run == TChipRun::Done) ShowReadSigns(chip, target.first(ReadBytes(chip, target.size())), expected, ui);
  return run;
}
