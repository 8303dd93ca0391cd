// Several reads of one chip compared byte by byte: where they disagree, and the value that the
// reads decide for each byte, where they decide one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/user_interface.h"

struct TReadAgreement {
  size_t Differing = 0;              // bytes on which the reads do not all agree
  size_t First = 0;                  // the first of them
  std::vector<uint8_t> FirstValues;  // what each read gave there, in the order read
  bool Agree() const { return Differing == 0; }
};

// The value the reads of one byte decide: one that at least two reads more than any other value
// gave, and at least half of them. Where the byte as a whole is not decided, each bit is decided
// by the same rule; the byte is decided when every bit is. Nothing when a value or a bit did not
// win: a tie is never broken by the order of the reads.
std::optional<uint8_t> DecideByte(std::span<const uint8_t> values);

// The outcome of deciding several reads.
struct TReadDecision {
  TReadAgreement Agreement;         // where the reads disagree
  std::vector<uint32_t> Differing;  // every offset at which they disagree, ascending
  std::vector<uint32_t> Undecided;  // the offsets of those that DecideByte leaves undecided, ascending
  bool Decided() const { return Undecided.empty(); }
};

// Compares the reads (all of one length, at least one) and writes into out (of the same length;
// it may be one of the reads) the value the reads agree on or decide for each byte; an undecided
// byte keeps the first read's value in out and is listed. A single read decides nothing where it
// is compared with nothing else, so with one read every byte counts as agreed.
TReadDecision DecideReads(std::span<const std::span<const uint8_t>> reads, std::span<uint8_t> out);

// "The reads differ in 37 bytes (first at 0x0123: 5A, 5B): the connection is unreliable (clip,
// wiring, supply)." in the active language.
std::string ReadAgreementText(const TReadAgreement& agreement, TUserInterface& ui);
