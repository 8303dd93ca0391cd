// One production operation on one programmer, reduced to what the result line and the log need:
// how it ended and, for a comparison that failed, the first differing address.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "catalogue/chip.h"
#include "common/user_interface.h"
#include "programmer/chip_operations.h"
#include "programmer/programmer.h"

enum class TJobResult { Ok, Different, NoAnswer, Unplugged, Stopped, NoAccess, Busy };

// "ok", "different", "no-answer", "unplugged", "stopped", "no-access" (no permission on the
// device node), "busy" (another program uses the programmer).
const char* JobResultName(TJobResult result);

struct TJobOutcome {
  TJobResult Result = TJobResult::Ok;
  std::optional<uint64_t> FirstDifference;
};

// Why a routine that gave up did so, from the programmer's last exchange.
TJobResult FailureOf(const TProgrammer& programmer);

// The first of chip's Size bytes where read differs from expected, leaving out the ignored ranges.
std::optional<uint64_t> FirstDifference(const TChip& chip, std::span<const uint8_t> read,
                                        std::span<const uint8_t> expected, std::span<const TAddressRange> ignored = {});

// Every job: the comparisons leave the bytes within ignored out.
// Writes image into the chip, reads it back and compares the chip's Size bytes.
TJobOutcome WriteJob(TProgrammer& programmer, const TChip& chip, std::span<const uint8_t> image, TUserInterface& ui,
                     std::span<const TAddressRange> ignored = {});
// Reads the chip and compares its Size bytes with image.
TJobOutcome VerifyJob(TProgrammer& programmer, const TChip& chip, std::span<const uint8_t> image, TUserInterface& ui,
                      std::span<const TAddressRange> ignored = {});
// Writes 0xFF to the whole chip (image unused), reads it back and compares.
TJobOutcome EraseJob(TProgrammer& programmer, const TChip& chip, std::span<const uint8_t> image, TUserInterface& ui,
                     std::span<const TAddressRange> ignored = {});
// Reads the chip and compares it with 0xFF (image unused): "different" at the first byte that is
// not blank.
TJobOutcome BlankCheckJob(TProgrammer& programmer, const TChip& chip, std::span<const uint8_t> image,
                          TUserInterface& ui, std::span<const TAddressRange> ignored = {});
