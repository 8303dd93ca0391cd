// How a command ends for the programs that run it: the exit codes every front end shares, the
// error that carries one, and the code of each way a chip command can end.
#pragma once

#include <string>

#include "programmer/chip_operations.h"
#include "programmer/programmer.h"

// Exit codes shared by every command.
enum TExitCode : int {
  kExitOk = 0,
  kExitDifferent = 1,   // a comparison found a difference
  kExitUsage = 2,       // unknown command or option, missing or unknown chip
  kExitFile = 3,        // a file or data error
  kExitProgrammer = 4,  // programmer not found, not answering or unplugged
  kExitNoAccess = 5,    // programmer present, but no permission on its device node
  kExitBusy = 6,        // programmer in use by another program
  kExitWarning = 7,     // a result that may be wrong: reads that disagree, or a warning with --strict
  kExitStopped = 130,   // the user stopped the command (the shell's code of an interrupt)
};

// An error that ends a command with an exit code and one line of text.
struct TCommandError {
  int Code;
  std::string Text;
};

// The exit code after an operation failed on the programmer: 5 without permission on its device
// node, 6 while another program uses it, else 4.
int ProgrammerExitCode(const TProgrammer& programmer);

// The exit code of a chip run or a check that ended as run / check did; stopped is the code of a
// stop (a signal's own code in the CLI).
int ExitCodeOf(TChipRun run, const TProgrammer& programmer, int stopped = kExitStopped);
int ExitCodeOf(TChipCheck check, const TProgrammer& programmer, int stopped = kExitStopped);
