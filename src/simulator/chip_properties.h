// What the simulated chip is beyond its bytes, as --sim-chip PROP[=VALUE] gives it: a layer
// between the programmer's reads and writes and the chip image, so that the simulator can be the
// chips whose reads look right and are not.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

struct TSimulatedChipProperties {
  std::optional<size_t> Size;      // size=N: the physical chip holds N bytes, addresses wrap at N
  std::optional<size_t> PageSize;  // page=N: writes roll over inside pages of N bytes
  bool WriteProtected = false;     // write-protected: takes every write, changes nothing
  double Flaky = 0;                // flaky=P: a byte read has one random bit flipped with probability P
  int StuckBit = -1;               // stuck-bit=B:V: bit B (0 to 7) of every byte read is V
  int StuckValue = 0;
  bool SwapPairs = false;  // swap-pairs: the bytes of each 16-bit word come back swapped

  // Whether a read gives other bytes than the image holds (beyond the wrap at Size).
  bool ChangesReads() const { return Flaky > 0 || StuckBit >= 0 || SwapPairs; }
};

// Takes one property, "size=4096", "write-protected", "flaky=0.01", "stuck-bit=3:1",
// "swap-pairs" or "page=8", into properties. TError naming what is wrong otherwise.
void TakeChipProperty(const std::string& text, TSimulatedChipProperties& properties);

// The byte a read of a chip byte gives, before any flaky bit.
inline unsigned char ReadThroughProperties(const TSimulatedChipProperties& p, unsigned char stored) {
  if (p.StuckBit < 0) return stored;
  const unsigned char mask = static_cast<unsigned char>(1u << p.StuckBit);
  return static_cast<unsigned char>(p.StuckValue ? stored | mask : stored & ~mask);
}
