// One production operation on one programmer, reduced to what the result line and the log need:
// how it ended and, for a comparison that failed, the first differing address.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "catalogue/chip.h"
#include "common/user_interface.h"
#include "programmer/chip_operations.h"
#include "programmer/programmer.h"

enum class TJobResult { Ok, Different, NoAnswer, Unplugged, Stopped, NoAccess, Busy, BadReply, Unreliable };

// "ok", "different", "no-answer", "unplugged", "stopped", "no-access" (no permission on the
// device node), "busy" (another program uses the programmer), "bad-reply" (a malformed reply),
// "unreliable" (the reads disagreed and were discarded).
const char* JobResultName(TJobResult result);

struct TJobOutcome {
  TJobOutcome() = default;
  explicit TJobOutcome(TJobResult result) : Result(result) {}
  TJobResult Result = TJobResult::Ok;
  std::optional<uint64_t> FirstDifference;
  std::vector<std::string> Warnings;  // what the checks of the reads found, and a difference's likely cause
  TWrittenRange Written;              // what a write or erase may have changed (Empty: nothing)
  std::string Note;                   // a write that ended early: what became of the chip (see WrittenNote)
};

// Why a routine that gave up did so, from the programmer's last exchange.
TJobResult FailureOf(const TProgrammer& programmer);

// The first of chip's Size bytes where read differs from expected, leaving out the ignored ranges.
std::optional<uint64_t> FirstDifference(const TChip& chip, std::span<const uint8_t> read,
                                        std::span<const uint8_t> expected, std::span<const TAddressRange> ignored = {});

// Every job leaves the bytes within ignored out of its comparison, and checks every read that it
// compares as checks says (ReadChipChecked: its notices go to ui); a difference's likely cause is a
// notice too. A write keeps the chip's contents first (checks.BackupFolder) or samples them.

// beforeWrite, when set, runs once just before the first byte is written to the chip (a write-ahead
// record); an exception from it ends the job before anything is written.
using TBeforeWrite = std::function<void()>;

// Writes image into the chip, reads it back and compares the chip's Size bytes, holding the
// programmer from the first read to the end of the read-back.
TJobOutcome WriteJob(TProgrammer& programmer, const TChip& chip, std::span<const uint8_t> image, TUserInterface& ui,
                     std::span<const TAddressRange> ignored = {}, const TCheckOptions& checks = {},
                     const TBeforeWrite& beforeWrite = {});
// Reads the chip and compares its Size bytes with image.
TJobOutcome VerifyJob(TProgrammer& programmer, const TChip& chip, std::span<const uint8_t> image, TUserInterface& ui,
                      std::span<const TAddressRange> ignored = {}, const TCheckOptions& checks = {},
                      const TBeforeWrite& beforeWrite = {});
// Writes 0xFF to the whole chip (image unused), reads it back and compares.
TJobOutcome EraseJob(TProgrammer& programmer, const TChip& chip, std::span<const uint8_t> image, TUserInterface& ui,
                     std::span<const TAddressRange> ignored = {}, const TCheckOptions& checks = {},
                     const TBeforeWrite& beforeWrite = {});
// Reads the chip and compares it with 0xFF (image unused): "different" at the first byte that is
// not blank.
TJobOutcome BlankCheckJob(TProgrammer& programmer, const TChip& chip, std::span<const uint8_t> image,
                          TUserInterface& ui, std::span<const TAddressRange> ignored = {},
                          const TCheckOptions& checks = {}, const TBeforeWrite& beforeWrite = {});
