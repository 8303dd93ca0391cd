// Reading, writing and verifying the selected chip through the held programmer: one exchange per
// block, page or unit, progress and messages through the user interface.
//
// Every routine stops at the first exchange that fails (not sent, no reply, time-out): it still
// tries the closing chip-access command, returns the progress to 0 and shows why in an error box
// ("ProgNoAnswer", "ProgUnplugged", ...); a write adds what became of the chip. Without a programmer it shows
// "ProgNotFound" in a plain box and sends nothing. Device changes are held back while a routine runs, so the programmer
// cannot be released under it.
//
// Before anything else every routine refuses a chip it can't work on (see RefuseUnusableChip).
// Between two exchanges it polls ui.StopRequested(): a stop ends the routine after the current
// exchange with the closing commands (write-access close of writes by unit, chip-access close), the
// progress back to 0 and "OpStopped" in a plain box; a read then leaves its target as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "buffer/differences.h"
#include "catalogue/chip.h"
#include "common/user_interface.h"
#include "programmer/programmer.h"

// How a read or write ended.
enum class TChipRun {
  Refused,       // no chip or an unsupported one: "NoChip" / "ChipUnsupported" was shown; nothing was sent
  NoProgrammer,  // "ProgNotFound" was shown; nothing was sent
  Stopped,       // the user stopped it; the chip was closed and "OpStopped" shown
  NoAnswer,      // an exchange failed; "ProgNoAnswer" was shown
  Unreliable,    // the reads of a checked read disagreed and were discarded or left bytes undecided; the target is
                 // unchanged
  Done,          // every exchange succeeded
};

// How a write with its read-back check, or a verify, ended.
enum class TChipCheck {
  Refused,       // "NoChip" / "ChipUnsupported" was shown; nothing was sent
  NoProgrammer,  // "ProgNotFound" was shown
  Stopped,       // the user stopped the write or the read; "OpStopped" was shown, nothing compared
  NoAnswer,      // an exchange failed; "ProgNoAnswer" was shown, nothing compared
  Unreliable,    // the reads of the check disagreed and were discarded: nothing compared
  Same,          // "ProgOK" / "VerifOK" was shown
  Different,     // "ProgNotOK" / "VerifNotOK" was shown, with the likely cause when one is clear
};

// What a checked read does where its reads disagree.
enum class TDisagreement {
  KeepMajority,  // re-reads the blocks that hold undecided bytes and keeps the decided values, or discards the read
                 // when bytes stay undecided
  Discard,       // shows the warning as an error and discards the read
};

// Where the reads of a checked read disagreed: the offsets of the target they decided after all
// and those they left undecided (then the read was discarded), both ascending.
struct TReadReport {
  std::vector<uint32_t> Decided;
  std::vector<uint32_t> Undecided;
  bool Marked = false;  // set by a caller that marks the decided bytes: the notice says so
};

inline constexpr int kMaxReads = 9;

// The message keys of the outcome of a write with its read-back check.
struct TCheckTexts {
  const char* Same;
  const char* Different;
};
inline constexpr TCheckTexts kWriteTexts{"ProgOK", "ProgNotOK"};
inline constexpr TCheckTexts kEraseTexts{"EraseOK", "EraseNotOK"};

// How reads are checked and what a write keeps of the chip's contents before it writes.
struct TCheckOptions {
  int Reads = 1;  // every read of the chip is made this many times (1 to kMaxReads) and compared
  TDisagreement OnDisagreement = TDisagreement::KeepMajority;
  TReadReport* Report = nullptr;  // receives where the reads of the last checked read disagreed
  // A write first reads the whole chip and keeps it in this folder (see chip_backups.h); empty:
  // it samples the chip instead, so that a failed check can tell old contents from new.
  std::string BackupFolder;
  size_t BackupsKept = 0;         // the newest backups kept in BackupFolder; 0: all
  std::string BackupTag;          // added to the backup's name (a gang's programmer)
  std::string* KeptIn = nullptr;  // receives the backup's file
  // The line after "ReadsUndecided" when the backup's reads leave bytes undecided.
  const char* UnreliableBackup = "BackupUnreliable";
  TCheckTexts Outcome = kWriteTexts;  // what a write with its read-back check says at its end
};

// Whether the chip operations can work on chip.
enum class TChipUse {
  Usable,
  NoChip,       // no chip selected: Size 0 or below
  Unsupported,  // the catalogue's Status is not 1
};
TChipUse ChipUseOf(const TChip& chip);

// For a chip that is not usable shows "NoChip" or "ChipUnsupported" (with the chip's name) in a
// plain box and returns true: the command must send nothing. Every chip routine starts with it.
bool RefuseUnusableChip(const TChip& chip, TUserInterface& ui);

// How each chip type is read and written is its access scheme (catalogue/access_scheme.h).
//
// The bytes from 0 on that a read of chip writes: 32-byte blocks for reads by block (one block
// of 32 when Size is under 32, and a remainder of Size mod 32 is not read), one byte or word per
// unit for reads by unit (the last byte of an odd word-organised Size is not read).
size_t ChipReadExtent(const TChip& chip);

// Reads chip into target: chip-access open, the blocks or units, chip-access close. target is
// changed only when every exchange succeeded, and then only in its first ChipReadExtent bytes.
// TError, before anything is sent, when those bytes do not fit in target. A read that ends early
// carries note (what became of the chip) after its reason, in an error box.
TChipRun ReadChipTo(TProgrammer& programmer, const TChip& chip, std::span<uint8_t> target, TUserInterface& ui,
                    const std::string& note = {});

// The bytes of the chip that a write may have changed, from address First to Last: from 0 to the
// end of the last page or unit it sent, the one whose exchange failed included. Empty when no
// page or unit went out; Whole when every one did.
struct TWrittenRange {
  bool Empty = true;
  uint64_t First = 0;
  uint64_t Last = 0;
  bool Whole = false;
};

// "The chip is partly written: 0x0000–0x3FFF of 0x0000–0xFFFF; its contents are now mixed."
std::string PartlyWrittenText(const TChip& chip, const TWrittenRange& written, TUserInterface& ui);
// What a write that ended early left on the chip, said after the reason: nothing (no page went
// out: ""), "ChipWrittenUnchecked" (every page went out, the check did not finish) or
// PartlyWrittenText.
std::string WrittenNote(const TChip& chip, const TWrittenRange& written, TUserInterface& ui);

// Writes chip from source: by page in pages of PageSize bytes (pages above 32 bytes are skipped,
// the progress still runs), after a write-access open where the scheme has one; by unit one byte
// or word per unit between write-access open and close; an unknown type only opens and closes the
// chip. TError, before anything is sent, for a scheme that writes by page with a PageSize below 1,
// and when Size is above source's length. A write that ends early after a page went out says so
// after the reason, in an error box: "ChipPartlyWritten" with the range, or "ChipWrittenUnchecked"
// when every page went out. written, when given, receives the range.
TChipRun WriteChipFrom(TProgrammer& programmer, const TChip& chip, std::span<const uint8_t> source, TUserInterface& ui,
                       TWrittenRange* written = nullptr);

// Reads length bytes (1 to 32) at each of addresses within one chip-access session into target
// (length bytes per address, in order): one exchange per block for types 1 and 2, one per unit for
// type 3 (addresses and length even for words). A few exchanges: the progress is not moved.
// Refusals, stop and failures as ReadChipTo; target changes only when every exchange succeeded.
TChipRun ReadChipBlocks(TProgrammer& programmer, const TChip& chip, std::span<const uint32_t> addresses, size_t length,
                        std::span<uint8_t> target, TUserInterface& ui);

// The differences a failed check lists (all are counted).
inline constexpr size_t kListedDifferences = 16;

// Writes the chip from source, reads it back (checked: see ReadChipChecked) into a temporary
// buffer filled with 0xFF and compares the first Size bytes: options.Outcome.Same ("ProgOK") in an
// information box or options.Outcome.Different ("ProgNotOK") in an error box, followed by the
// first difference and the count ("ChipDifference") and the likely cause. Before writing it keeps the chip's contents
// (options.BackupFolder) or reads a sample of them, which tells a chip that kept its old contents. differences, when
// given, receives the differences. Bytes within ignored are left out of the comparison. written, when given, receives
// the range the write may have changed. A read-back that ends early adds "ChipWrittenUnchecked" after its reason.
// TError, before anything is written, when the backup can't be saved.
TChipCheck WriteAndCheckChip(TProgrammer& programmer, const TChip& chip, std::span<const uint8_t> source,
                             TUserInterface& ui, TDifferences* differences = nullptr,
                             std::span<const TAddressRange> ignored = {}, TWrittenRange* written = nullptr,
                             const TCheckOptions& options = {});

// Reads the chip (checked) into a temporary buffer filled with 0xFF and compares its first Size
// bytes with expected: "VerifOK" in an information box or "VerifNotOK" in an error box with the
// first difference, the count and the likely cause. differences, when given, receives them. Bytes
// within ignored are left out of the comparison.
TChipCheck VerifyChip(TProgrammer& programmer, const TChip& chip, std::span<const uint8_t> expected, TUserInterface& ui,
                      TDifferences* differences = nullptr, std::span<const TAddressRange> ignored = {},
                      const TCheckOptions& options = {});
