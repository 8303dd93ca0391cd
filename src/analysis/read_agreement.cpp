#include "analysis/read_agreement.h"

#include <algorithm>
#include <cstring>

#include "common/error.h"
#include "common/integer.h"

namespace {

// Equal stretches are skipped this many bytes at a time, then words of this many bytes.
constexpr size_t kChunk = 256;
constexpr size_t kWord = 8;

// The value most reads gave at i; ties go to the one read first.
uint8_t Vote(std::span<const std::span<const uint8_t>> reads, size_t i) {
  uint8_t best = reads[0][i];
  size_t bestCount = 0;
  for (const auto& read : reads) {
    const uint8_t v = read[i];
    size_t count = 0;
    for (const auto& other : reads) count += other[i] == v;
    if (count > bestCount) {
      best = v;
      bestCount = count;
    }
  }
  return best;
}

bool AllAgree(std::span<const std::span<const uint8_t>> reads, size_t at, size_t n) {
  for (size_t r = 1; r < reads.size(); ++r)
    if (std::memcmp(reads[0].data() + at, reads[r].data() + at, n) != 0) return false;
  return true;
}

}  // namespace

TReadAgreement MajorityOf(std::span<const std::span<const uint8_t>> reads, std::span<uint8_t> out) {
  TReadAgreement a;
  if (reads.empty()) return a;
  const size_t size = std::min(reads[0].size(), out.size());
  // Equal stretches are copied a chunk at a time, equal words of a chunk a word at a time; only
  // the bytes of words that differ are voted on.
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
        for (size_t r = 1; r < reads.size() && same; ++r) same = reads[r][i] == reads[0][i];
        if (same) {
          out[i] = reads[0][i];
          continue;
        }
        if (a.Differing++ == 0) {
          a.First = i;
          for (const auto& read : reads) a.FirstValues.push_back(read[i]);
        }
        out[i] = Vote(reads, i);
      }
    }
  }
  return a;
}

std::string ReadAgreementText(const TReadAgreement& a, TUserInterface& ui) {
  std::string values;
  for (const uint8_t v : a.FirstValues) values += (values.empty() ? "" : ", ") + IntToHex(v, 2);
  return FormatText(ui.MessageText("ReadsDiffer"),
                    {std::to_string(a.Differing), IntToHex(static_cast<int64_t>(a.First), 4), values});
}
