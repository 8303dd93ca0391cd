#include "session/exit_codes.h"

int ProgrammerExitCode(const TProgrammer& programmer) {
  switch (programmer.LastStatus) {
    case TExchangeStatus::NoAccess: return kExitNoAccess;
    case TExchangeStatus::Busy: return kExitBusy;
    default: return kExitProgrammer;
  }
}

int ExitCodeOf(TChipRun run, const TProgrammer& programmer, int stopped) {
  switch (run) {
    case TChipRun::Done: return kExitOk;
    case TChipRun::Stopped: return stopped;
    case TChipRun::Refused: return kExitUsage;
    case TChipRun::Unreliable: return kExitWarning;
    case TChipRun::NoProgrammer:
    case TChipRun::NoAnswer: break;
  }
  return ProgrammerExitCode(programmer);
}

int ExitCodeOf(TChipCheck check, const TProgrammer& programmer, int stopped) {
  switch (check) {
    case TChipCheck::Same: return kExitOk;
    case TChipCheck::Different: return kExitDifferent;
    case TChipCheck::Refused: return kExitUsage;
    case TChipCheck::Stopped: return stopped;
    case TChipCheck::Unreliable: return kExitWarning;
    case TChipCheck::NoProgrammer:
    case TChipCheck::NoAnswer: break;
  }
  return ProgrammerExitCode(programmer);
}
