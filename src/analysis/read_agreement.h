// Several reads of one chip compared byte by byte: where they disagree, and the value most of
// them gave for each byte.
#pragma once

#include <cstddef>
#include <cstdint>
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

// Compares the reads (all of one length, at least one) and writes the majority value of each
// byte into out (of the same length; it may be one of the reads). Where no value has a majority
// the one read first among the most frequent is taken.
TReadAgreement MajorityOf(std::span<const std::span<const uint8_t>> reads, std::span<uint8_t> out);

// "The reads differ in 37 bytes (first at 0x0123: 5A, 5B): the connection is unreliable (clip,
// wiring, supply)." in the active language.
std::string ReadAgreementText(const TReadAgreement& agreement, TUserInterface& ui);
