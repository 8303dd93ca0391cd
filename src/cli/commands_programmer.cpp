// Programmer commands: version.
#include <iostream>

#include "cli/commands.h"
#include "cli/console_user_interface.h"
#include "cli/programmer_session.h"
#include "programmer/version_query.h"

namespace {

int Version(TCliOptions& o) {
  TConsoleUserInterface ui;
  TProgrammerSession session(o, ui);
  RequireProgrammer(session, ui);
  if (!GetVersionInfo(session.Programmer, ui, false))
    throw TCliError{ProgrammerExitCode(session.Programmer), session.Programmer.LinkMessage(ui)};
  std::cout << VersionPanelText(session.Programmer) << "\n";
  return kExitOk;
}

}  // namespace

void AddProgrammerCommands(std::vector<TCliCommand>& out) {
  out.push_back({"version", "version", "print the programmer's firmware version", {}, {}, Version});
}
