// One session of the programmer, whatever front end drives it: the selected chip, the document,
// the programmer link and the check options, with one call per command. Each command speaks
// through the TUserInterface it is given (its boxes, questions, progress and stop) and ends in a
// TSessionResult: what happened, what the chip now holds, the warnings and the exit code.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "buffer/differences.h"
#include "buffer/document.h"
#include "catalogue/chip.h"
#include "common/user_interface.h"
#include "programmer/chip_operations.h"
#include "programmer/size_detection.h"
#include "session/exit_codes.h"
#include "session/image_files.h"
#include "session/programmer_link.h"

// How a command ended.
enum class TOutcome {
  Done,          // it did what was asked (a check: the chip matched)
  Different,     // a check found a difference, or a blank check a byte that is not 0xFF
  Declined,      // the user answered No to its question: nothing was done
  Stopped,       // the user stopped it
  Refused,       // no usable chip, or input it can't work on: nothing was sent
  Unreliable,    // the reads disagreed: nothing was taken
  NoProgrammer,  // no programmer is held
  NoAnswer,      // an exchange failed
  Failed,        // a file could not be loaded or saved
};

// What the chip holds after the command, as far as the session knows.
enum class TChipHolds {
  Unknown,       // the command did not reach the chip, or could not tell
  Unchanged,     // the command only read it
  Document,      // the document's first Size bytes (a write that checked good)
  Blank,         // every byte 0xFF (an erase that checked good)
  PartlyWritten  // the write ended early: Written says which range it may have changed
};

struct TSessionResult {
  TOutcome What = TOutcome::Done;
  int ExitCode = kExitOk;
  std::string Error;  // why it failed, for Failed (other outcomes were shown through the interface)
  TChipHolds Holds = TChipHolds::Unknown;
  TWrittenRange Written;              // a write's range, when one went out
  std::vector<std::string> Warnings;  // the notices the command gave
  TDifferences Differences;           // a write's or verify's differences
  std::optional<TSizeDetection> Detected;
  bool Ok() const { return What == TOutcome::Done; }
};

class TSession {
 public:
  explicit TSession(size_t historyCapacity = TEditHistory::kDefaultCapacity);

  // --- the programmer ---
  // Opens the link (enumerate, claim the chosen programmer). A choice that can't be made fails
  // with the link's exit code and text.
  TSessionResult OpenProgrammer(const TLinkOptions& options, TUserInterface& ui);
  TProgrammerLink* Link() { return Link_.get(); }
  // The held programmer's owner; null before OpenProgrammer.
  TProgrammer* Programmer() { return Link_ ? &Link_->Programmer : nullptr; }

  // --- the chip ---
  // The chip name from the catalogue files; Refused with exit code 2 when it is not there.
  TSessionResult SelectChip(const std::vector<std::string>& catalogueFiles, const std::string& name);
  void SelectChip(const TChip& chip);
  const TChip& Chip() const { return Chip_; }

  TDocument& Document() { return Document_; }
  TCheckOptions Checks;  // how reads are checked, and where a write keeps the chip's contents
  int StoppedExitCode = kExitStopped;

  // --- chip commands, on the held programmer and the selected chip ---
  // The chip into the document (one undo step; none when nothing changed).
  TSessionResult Read(TUserInterface& ui);
  // The document's bytes to the chip, read back and compared (ignored: bytes left out).
  TSessionResult Write(TUserInterface& ui, std::span<const TAddressRange> ignored = {});
  TSessionResult Verify(TUserInterface& ui, std::span<const TAddressRange> ignored = {});
  TSessionResult BlankCheck(TUserInterface& ui);
  // Asks first; Declined on No.
  TSessionResult Erase(TUserInterface& ui);
  // The chip's size by reading (Detected says what was found).
  TSessionResult Detect(TUserInterface& ui);

  // --- image files ---
  // The file into the document (request.Chip is the selected chip): nothing changes when it fails.
  TSessionResult Load(TImageLoadRequest request, TUserInterface& ui);
  // The document to file in format (else the file's extension's), covering the chip and the data
  // the document's file held; the document's origin becomes the file.
  TSessionResult Save(const std::string& file, std::optional<TImageFormat> format, TUserInterface& ui);

 private:
  // The chip and programmer checks every chip command starts with; nullopt when both are there.
  std::optional<TSessionResult> Unready(TUserInterface& ui);
  TSessionResult FromRun(TChipRun run) const;
  TSessionResult FromCheck(TChipCheck check) const;

  TChip Chip_;
  TDocument Document_;
  std::unique_ptr<TProgrammerLink> Link_;
};
