#include "analysis/read_signs.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "common/error.h"
#include "common/integer.h"

namespace {

// A chip of a few bytes shows a constant bit by chance; from this size on it does not.
constexpr size_t kStuckBitMinimum = 32;
// Data where fewer bytes than this differ from their most common value (a short configuration
// in a blank chip) show a constant bit by chance.
constexpr size_t kStuckBitVarying = 64;
// The smallest chip of the families read: data that repeat at a shorter period do so by design.
constexpr size_t kSmallestChip = 128;

bool Uniform(std::span<const uint8_t> data) {
  if (data.empty()) return true;
  const uint8_t first = data[0];
  // Compare each byte with its neighbour: memcmp runs at memory speed.
  return data.size() == 1 || (data[1] == first && std::memcmp(data.data(), data.data() + 1, data.size() - 1) == 0);
}

// Bits that are 1 in every byte, bits that are 1 in some byte.
void BitSpread(std::span<const uint8_t> data, uint8_t& allOnes, uint8_t& anyOnes) {
  uint64_t all = ~uint64_t{0}, any = 0;
  size_t i = 0;
  for (; i + 8 <= data.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, data.data() + i, 8);
    all &= w;
    any |= w;
  }
  uint8_t all8 = 0xFF, any8 = 0;
  for (int k = 0; k < 8; ++k) {
    all8 &= static_cast<uint8_t>(all >> (8 * k));
    any8 |= static_cast<uint8_t>(any >> (8 * k));
  }
  for (; i < data.size(); ++i) {
    all8 &= data[i];
    any8 |= data[i];
  }
  allOnes = all8;
  anyOnes = any8;
}

// Text: nearly every byte is a printable character, a line break or NUL (padding), and there is
// some text among them.
bool LooksLikeText(std::span<const uint8_t> data) {
  size_t printable = 0, nul = 0;
  for (const uint8_t b : data) {
    printable += (b >= 0x20 && b < 0x7F) || b == '\n' || b == '\r' || b == '\t';
    nul += b == 0;
  }
  return printable >= kStuckBitMinimum && (printable + nul) * 20 >= data.size() * 19;
}

// The bytes that differ from the most common value.
size_t VaryingBytes(std::span<const uint8_t> data) {
  size_t counts[256] = {};
  for (const uint8_t b : data) ++counts[b];
  return data.size() - *std::max_element(std::begin(counts), std::end(counts));
}

}  // namespace

size_t RepeatPeriod(std::span<const uint8_t> data) {
  for (size_t p = 1; p < data.size(); p *= 2)
    if (std::memcmp(data.data(), data.data() + p, data.size() - p) == 0) return p;
  return 0;
}

std::vector<TReadSign> FindReadSigns(std::span<const uint8_t> data) {
  std::vector<TReadSign> signs;
  if (data.empty()) return signs;
  if (Uniform(data)) {
    const uint8_t v = data[0];
    if (v == 0xFF) signs.push_back({TReadSignKind::AllFF});
    if (v == 0x00) signs.push_back({TReadSignKind::All00});
    // One bit off a blank chip, or one bit on in an all-00 one: a stuck bit, or those contents.
    const uint8_t odd = std::popcount(v) == 7 ? static_cast<uint8_t>(~v) : std::popcount(v) == 1 ? v : 0;
    if (odd != 0 && data.size() >= kStuckBitMinimum)
      signs.push_back({TReadSignKind::UniformStuckBit, 0, std::countr_zero(odd), (v >> std::countr_zero(odd)) & 1});
    return signs;
  }
  if (data.size() >= kStuckBitMinimum && VaryingBytes(data) >= kStuckBitVarying && !LooksLikeText(data)) {
    uint8_t allOnes = 0, anyOnes = 0;
    BitSpread(data, allOnes, anyOnes);
    const uint8_t constant = static_cast<uint8_t>(allOnes | static_cast<uint8_t>(~anyOnes));
    // Exactly one constant bit: with more, the data are more likely a table than a fault.
    if (constant != 0 && (constant & (constant - 1)) == 0) {
      int bit = 0;
      while (!(constant & (1u << bit))) ++bit;
      signs.push_back({TReadSignKind::StuckBit, 0, bit, (allOnes >> bit) & 1});
    }
  }
  // Data that repeat are not uniform here, so neither is the repeated block.
  if (const size_t p = RepeatPeriod(data); p >= kSmallestChip) signs.push_back({TReadSignKind::Repeats, p});
  return signs;
}

std::vector<TReadSign> NewReadSigns(std::span<const uint8_t> data, std::span<const uint8_t> expected) {
  std::vector<TReadSign> signs = FindReadSigns(data);
  if (signs.empty()) return signs;
  const std::vector<TReadSign> own = FindReadSigns(expected.first(std::min(expected.size(), data.size())));
  std::erase_if(signs, [&](const TReadSign& s) { return std::find(own.begin(), own.end(), s) != own.end(); });
  return signs;
}

std::string ReadSignText(const TReadSign& sign, const TChip& chip, TUserInterface& ui) {
  switch (sign.Kind) {
    case TReadSignKind::Repeats: {
      const std::string period = std::to_string(sign.Period);
      return FormatText(ui.MessageText("ReadRepeats"), {period, chip.Name, period});
    }
    case TReadSignKind::AllFF: return ui.MessageText("ReadAllFF");
    case TReadSignKind::All00: return ui.MessageText("ReadAll00");
    case TReadSignKind::StuckBit:
      return FormatText(ui.MessageText("ReadStuckBit"), {std::to_string(sign.Bit), std::to_string(sign.Value)});
    case TReadSignKind::UniformStuckBit: {
      const uint8_t v = static_cast<uint8_t>(sign.Value ? 1u << sign.Bit : 0xFFu & ~(1u << sign.Bit));
      return FormatText(ui.MessageText("ReadUniformStuckBit"),
                        {IntToHex(v, 2), std::to_string(sign.Bit), std::to_string(sign.Value), IntToHex(v, 2)});
    }
  }
  return {};
}
