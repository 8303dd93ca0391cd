// Programmer commands: version, doctor.
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/commands.h"
#include "cli/console_user_interface.h"
#include "cli/programmer_session.h"
#include "common/error.h"
#include "hid/usb_probe.h"
#include "production/production_log.h"
#include "programmer/connection_check.h"
#include "programmer/version_query.h"

namespace {

int Version(TCliOptions& o) {
  TConsoleUserInterface ui;
  TProgrammerSession session(o, ui);
  RequireProgrammer(session, ui);
  if (!GetVersionInfo(session.Programmer, ui, false))
    throw TCliError{ProgrammerExitCode(session.Programmer), session.Programmer.LinkMessage(ui)};
  if (TConsoleUserInterface::Json) {
    const THidDevice& d = *session.Programmer.HeldDevice;
    std::cout << "{\"firmware\":" << JsonString(VersionNumberText(session.Programmer))
              << ",\"major\":" << int{session.Programmer.Major} << ",\"minor\":" << int{session.Programmer.Minor}
              << ",\"programmer\":{\"node\":" << JsonString(d.DevicePath())
              << ",\"serial\":" << JsonString(d.SerialNumber()) << ",\"bus\":" << JsonString(d.BusPath()) << "}}"
              << std::endl;
    return kExitOk;
  }
  std::cout << VersionPanelText(session.Programmer) << "\n";
  return kExitOk;
}

std::string ReportJson(const TConnectionReport& r) {
  std::string links;
  for (const auto& l : r.Links)
    links += std::string(links.empty() ? "" : ",") + "{\"link\":" + JsonString(LinkName(l.Link)) +
             ",\"ok\":" + (l.Ok ? "true" : "false") + ",\"text\":" + JsonString(l.Text) +
             ",\"advice\":" + JsonString(l.Advice) + "}";
  char trips[160];
  std::snprintf(trips, sizeof trips, "{\"queries\":%d,\"errors\":%d,\"median_ms\":%.3f,\"worst_ms\":%.3f}", r.Queries,
                r.Errors, r.MedianMs, r.WorstMs);
  return "{\"result\":" + JsonString(r.AllWell() ? "ok" : LinkName(r.Links.back().Link)) +
         ",\"exit_code\":" + std::to_string(r.ExitCode) + ",\"node\":" + JsonString(r.Node) +
         ",\"firmware\":" + (r.Firmware.empty() ? "null" : JsonString(r.Firmware)) + ",\"round_trips\":" + trips +
         ",\"links\":[" + links + "]}";
}

// Walks the chain from the USB bus to an answered command and stops at the first broken link:
// exit 0 when all is well, else that link's code (4 not found or not answering, 5 no access,
// 6 held by another program).
int Doctor(TCliOptions& o) {
  if (!o.Args.empty()) throw TCliError{kExitUsage, "usage: tesmaro-cli doctor"};
  TConsoleUserInterface ui;
  TProgrammerSession session(o, ui, TSessionClaim::None);
  // The simulated programmer has no USB bus, node or udev rule: only the HID layer's view.
  const std::unique_ptr<TUsbProbe> probe = o.Simulate ? nullptr : CreateSystemUsbProbe();
  TConnectionCheckOptions options;
  options.Device = o.Device;
  const TConnectionReport report = CheckConnection(probe.get(), session.Controller(), session.Programmer, ui, options);
  if (TConsoleUserInterface::Json) {
    std::cout << ReportJson(report) << std::endl;
  } else if (!TConsoleUserInterface::Quiet) {
    std::cout << TConsoleUserInterface::PlainLines(ConnectionReportText(report, ui)) << std::flush;
  } else if (!report.AllWell()) {
    const TCheckedLink& broken = report.Links.back();
    std::cerr << "tesmaro-cli: " << broken.Text << "\n"
              << FormatText(ui.MessageText("DocWhatToDo"), {broken.Advice}) << std::endl;
  }
  return report.ExitCode;
}

}  // namespace

void AddProgrammerCommands(std::vector<TCliCommand>& out) {
  out.push_back({"version", "version", "print the programmer's firmware version (--json)", {}, {"json"}, Version});
  out.push_back({"doctor",
                 "doctor",
                 "check the connection from the USB bus to the programmer's answer and say what to do about the "
                 "first broken link (exit 0, 4, 5 or 6; --json)",
                 {},
                 {"json"},
                 Doctor});
}
