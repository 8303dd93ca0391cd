#include "programmer/version_query.h"

std::string VersionNumberText(const TProgrammer& programmer) {
  return std::to_string(programmer.Major) + "." + std::to_string(programmer.Minor);
}

std::string VersionPanelText(const TProgrammer& programmer) { return "Mervo v." + VersionNumberText(programmer); }

bool GetVersionInfo(TProgrammer& programmer, TUserInterface& ui, bool fromMenu) {
  if (!programmer.HeldDevice) {
    ui.ShowMessage(ui.MessageText("ProgNotFound"));
    return false;
  }
  TProgrammerUse use(programmer);
  if (!use) {
    // Asked for by the user: say why the programmer can't be used now.
    if (fromMenu) programmer.ShowLinkFailure(ui);
    return false;
  }
  TReport& r = programmer.Report;
  // Only these bytes are set; the chip commands' 0x77 mark is not part of this request.
  r[0] = ReportId;
  r[ByteCommand] = CmdVersion;
  r[ByteSubCommand] = CmdVersionSub;
  r[ByteMark] = 0;
  if (!programmer.ExchangeReport() || r[ByteVersionMark] != VersionReplyMark) return false;
  programmer.Major = r[ByteVersionMajor];
  programmer.Minor = r[ByteVersionMinor];
  if (fromMenu) ui.ShowMessage(ui.MessageText("VersionInfo") + VersionNumberText(programmer));
  if (programmer.OnVersionText) programmer.OnVersionText(VersionPanelText(programmer));
  return true;
}
