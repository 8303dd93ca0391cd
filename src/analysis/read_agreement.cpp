#include "analysis/read_agreement.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "common/error.h"
#include "common/integer.h"

namespace {

// Equal stretches are skipped this many bytes at a time, then words of this many bytes.
constexpr size_t kChunk = 256;
constexpr size_t kWord = 8;

// Whether a count of votes wins over the best of the others among total votes.
bool Wins(size_t count, size_t otherBest, size_t total) { return count >= otherBest + 2 && count * 2 >= total; }

bool AllAgree(std::span<const std::span<const uint8_t>> reads, size_t at, size_t n) {
  for (size_t r = 1; r < reads.size(); ++r)
    if (std::memcmp(reads[0].data() + at, reads[r].data() + at, n) != 0) return false;
  return true;
}

}  // namespace

std::optional<uint8_t> DecideByte(std::span<const uint8_t> values) {
  const size_t total = values.size();
  if (total == 0) return std::nullopt;
  // The most frequent value and the count of the next most frequent.
  std::array<uint8_t, 16> seen{};
  std::array<size_t, 16> counts{};
  size_t kinds = 0;
  bool manyKinds = false;
  for (const uint8_t v : values) {
    size_t k = 0;
    while (k < kinds && seen[k] != v) ++k;
    if (k == kinds) {
      if (kinds == seen.size()) {
        manyKinds = true;
        break;
      }
      seen[kinds++] = v;
    }
    ++counts[k];
  }
  if (!manyKinds) {
    size_t best = 0;
    for (size_t k = 1; k < kinds; ++k)
      if (counts[k] > counts[best]) best = k;
    size_t second = 0;
    for (size_t k = 0; k < kinds; ++k)
      if (k != best) second = std::max(second, counts[k]);
    if (Wins(counts[best], second, total)) return seen[best];
  }
  uint8_t decided = 0;
  for (int bit = 0; bit < 8; ++bit) {
    size_t ones = 0;
    for (const uint8_t v : values) ones += (v >> bit) & 1u;
    const size_t zeros = total - ones;
    if (Wins(ones, zeros, total))
      decided = static_cast<uint8_t>(decided | (1u << bit));
    else if (!Wins(zeros, ones, total))
      return std::nullopt;
  }
  return decided;
}

TReadDecision DecideReads(std::span<const std::span<const uint8_t>> reads, std::span<uint8_t> out) {
  TReadDecision d;
  if (reads.empty()) return d;
  const size_t size = std::min(reads[0].size(), out.size());
  std::vector<uint8_t> values(reads.size());
  // Equal stretches are copied a chunk at a time, equal words of a chunk a word at a time; only
  // the bytes of words that differ are decided one by one.
  for (size_t at = 0; at < size; at += kChunk) {
    const size_t n = std::min(kChunk, size - at);
    if (AllAgree(reads, at, n)) {
      if (out.data() + at != reads[0].data() + at) std::memcpy(out.data() + at, reads[0].data() + at, n);
      continue;
    }
    for (size_t word = at; word < at + n; word += kWord) {
      const size_t w = std::min(kWord, at + n - word);
      if (AllAgree(reads, word, w)) {
        if (out.data() + word != reads[0].data() + word) std::memcpy(out.data() + word, reads[0].data() + word, w);
        continue;
      }
      for (size_t i = word; i < word + w; ++i) {
        bool same = true;
        for (size_t r = 0; r < reads.size(); ++r) {
          values[r] = reads[r][i];
          same = same && values[r] == values[0];
        }
        if (same) {
          out[i] = values[0];
          continue;
        }
        if (d.Agreement.Differing++ == 0) {
          d.Agreement.First = i;
          d.Agreement.FirstValues = values;
        }
        d.Differing.push_back(static_cast<uint32_t>(i));
        if (const std::optional<uint8_t> v = DecideByte(values)) {
          out[i] = *v;
        } else {
          out[i] = values[0];
          d.Undecided.push_back(static_cast<uint32_t>(i));
        }
      }
    }
  }
  return d;
}

std::string ReadAgreementText(const TReadAgreement& a, TUserInterface& ui) {
  std::string values;
  for (const uint8_t v : a.FirstValues) values += (values.empty() ? "" : ", ") + IntToHex(v, 2);
  return FormatText(ui.MessageText("ReadsDiffer"),
                    {std::to_string(a.Differing), IntToHex(static_cast<int64_t>(a.First), 4), values});
}
