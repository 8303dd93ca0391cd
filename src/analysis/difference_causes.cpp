#include "analysis/difference_causes.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "analysis/read_signs.h"
#include "common/error.h"

namespace {

// Share of the compared bytes (or pages) that must show a pattern for it to count: a flaky byte
// or a byte that happens to hold the right value must not hide it.
constexpr double kMostly = 0.95;
// Differences a cause told by their values needs: two bytes share a bit or an old value by chance.
constexpr size_t kEvidence = 8;

// Every address where the two differ, in order.
std::vector<uint32_t> DifferingAddresses(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  std::vector<uint32_t> out;
  const TDifferences d = FindDifferences(a, b, 0);
  for (const TAddressRange& r : d.Ranges)
    for (uint32_t i = r.Start; i < r.End; ++i) out.push_back(i);
  return out;
}

bool SwappedPairs(std::span<const uint8_t> chip, std::span<const uint8_t> expected) {
  const size_t n = chip.size() & ~size_t{1};
  if (n < 2) return false;
  for (size_t i = 0; i < n; i += 2)
    if (chip[i] != expected[i + 1] || chip[i + 1] != expected[i]) return false;
  return true;
}

std::optional<int> OneBit(std::span<const uint8_t> chip, std::span<const uint8_t> expected,
                          const std::vector<uint32_t>& at) {
  if (at.size() < kEvidence) return std::nullopt;
  const uint8_t first = chip[at[0]] ^ expected[at[0]];
  if (!std::has_single_bit(first)) return std::nullopt;
  for (const uint32_t i : at)
    if ((chip[i] ^ expected[i]) != first) return std::nullopt;
  return std::countr_zero(first);
}

bool Known(const TChipBefore& before, uint32_t address, size_t& range) {
  const auto& k = before.Known;
  while (range < k.size() && k[range].End <= address) ++range;
  return range < k.size() && k[range].Start <= address && address < before.Bytes.size();
}

// Where the old contents are known, the differing bytes still hold them: at least kEvidence
// known ones, or every differing byte where fewer differ.
bool KeptOld(std::span<const uint8_t> chip, const TChipBefore& before, const std::vector<uint32_t>& at) {
  size_t known = 0, kept = 0, range = 0;
  for (const uint32_t i : at) {
    if (!Known(before, i, range)) continue;
    ++known;
    kept += chip[i] == before.Bytes[i];
  }
  return known >= std::min(kEvidence, at.size()) && static_cast<double>(kept) >= kMostly * static_cast<double>(known);
}

// Every differing byte reads FF, and the chip held something else there before the write.
bool NotTaken(std::span<const uint8_t> chip, const TChipBefore& before, const std::vector<uint32_t>& at) {
  if (!std::all_of(at.begin(), at.end(), [&](uint32_t i) { return chip[i] == 0xFF; })) return false;
  size_t range = 0;
  return std::any_of(at.begin(), at.end(),
                     [&](uint32_t i) { return Known(before, i, range) && before.Bytes[i] != 0xFF; }) ||
         before.Known.empty();
}

// The differences fall on the same offsets of every page: either a part of each page that
// never changed, or a page whose last part landed at its start (the chip's own page is smaller
// and the write rolled over inside it).
bool PartPage(const TChip& chip, std::span<const uint8_t> bytes, std::span<const uint8_t> expected,
              const std::vector<uint32_t>& at) {
  if (chip.ChipType == 3 || chip.PageSize < 2 || chip.PageSize > 4096) return false;
  const size_t page = static_cast<size_t>(chip.PageSize);
  const size_t pages = bytes.size() / page;
  if (pages < 2) return false;
  std::vector<size_t> perOffset(page, 0), perPage(pages, 0);
  for (const uint32_t i : at) {
    if (i / page >= pages) continue;
    ++perOffset[i % page];
    ++perPage[i / page];
  }
  const size_t hit = static_cast<size_t>(std::count_if(perPage.begin(), perPage.end(), [](size_t n) { return n > 0; }));
  if (static_cast<double>(hit) < kMostly * static_cast<double>(pages)) return false;
  // The same part of every page differs, the rest of every page is right.
  size_t partial = 0, whole = 0;
  for (const size_t n : perOffset) {
    if (n == 0) continue;
    if (static_cast<double>(n) < kMostly * static_cast<double>(pages)) return false;
    ++partial;
  }
  if (partial < page) return true;
  // Every offset differs: a roll-over puts the page's last part at its start.
  for (size_t tail = page / 2; tail >= 1; tail /= 2) {
    size_t rolled = 0;
    for (size_t p = 0; p < pages; ++p) {
      const size_t base = p * page;
      rolled += std::memcmp(bytes.data() + base, expected.data() + base + page - tail, tail) == 0;
    }
    whole = std::max(whole, rolled);
    if (tail == 1) break;
  }
  return static_cast<double>(whole) >= kMostly * static_cast<double>(pages);
}

}  // namespace

std::optional<TDifferenceCause> LikelyCause(const TChip& chip, std::span<const uint8_t> chipBytes,
                                            std::span<const uint8_t> expected, const TChipBefore* before) {
  const size_t n = std::min({static_cast<size_t>(std::max<int32_t>(0, chip.Size)), chipBytes.size(), expected.size()});
  chipBytes = chipBytes.first(n);
  expected = expected.first(n);
  const std::vector<uint32_t> at = DifferingAddresses(chipBytes, expected);
  if (at.size() < 2) return std::nullopt;
  // The causes with the strongest evidence first: the old contents known, then the patterns of
  // the write, then what the values alone show; a repeat inferred from the bytes comes last, as
  // an image or old contents may repeat by themselves.
  if (SwappedPairs(chipBytes, expected)) return TDifferenceCause{TDifferenceCauseKind::SwappedPairs};
  if (before && KeptOld(chipBytes, *before, at)) return TDifferenceCause{TDifferenceCauseKind::KeptOld};
  // Only after a write: a chip merely compared with a file did not fail to take anything.
  if (before && NotTaken(chipBytes, *before, at)) return TDifferenceCause{TDifferenceCauseKind::NotTaken};
  if (PartPage(chip, chipBytes, expected, at)) return TDifferenceCause{TDifferenceCauseKind::PartPage};
  if (const auto bit = OneBit(chipBytes, expected, at)) return TDifferenceCause{TDifferenceCauseKind::OneBit, *bit};
  for (const TReadSign& s : NewReadSigns(chipBytes, expected))
    if (s.Kind == TReadSignKind::Repeats) return TDifferenceCause{TDifferenceCauseKind::Repeats, 0, s.Period};
  return std::nullopt;
}

std::string DifferenceCauseText(const TDifferenceCause& cause, const TChip& chip, TUserInterface& ui) {
  switch (cause.Kind) {
    case TDifferenceCauseKind::SwappedPairs:
      return ui.MessageText(chip.ChipType == 3 ? "CauseSwappedPairs" : "CauseSwappedWords");
    case TDifferenceCauseKind::OneBit: return FormatText(ui.MessageText("CauseOneBit"), {std::to_string(cause.Bit)});
    case TDifferenceCauseKind::Repeats: return ReadSignText({TReadSignKind::Repeats, cause.Period}, chip, ui);
    case TDifferenceCauseKind::KeptOld: return ui.MessageText("CauseKeptOld");
    case TDifferenceCauseKind::NotTaken: return ui.MessageText("CauseNotTaken");
    case TDifferenceCauseKind::PartPage: return ui.MessageText("CausePartPage");
  }
  return {};
}
