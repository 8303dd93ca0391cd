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
// 6 held by another program). With several programmers and no --device, checks each one and
// ends with the code of the first that is not well.
int Doctor(TCliOptions& o) {
  if (!o.Args.empty()) throw TCliError{kExitUsage, "usage: tesmaro-cli doctor"};
  TConsoleUserInterface ui;
  TProgrammerSession session(o, ui, TSessionClaim::None);
  // The simulated programmer has no USB bus, node or udev rule: only the HID layer's view.
  const std::unique_ptr<TUsbProbe> probe = o.Simulate ? nullptr : CreateSystemUsbProbe();
  std::vector<std::string> devices{o.Device};
  const std::vector<THidDevice*> connected = session.Connected();
  if (o.Device.empty() && connected.size() > 1) {
    devices.clear();
    for (THidDevice* d : connected) devices.push_back(d->DevicePath());
  }
  std::vector<TConnectionReport> reports;
  for (const std::string& device : devices) {
    TConnectionCheckOptions options;
    options.Device = device;
    TProgrammer programmer(session.Controller());
    reports.push_back(CheckConnection(probe.get(), session.Controller(),
                                      devices.size() > 1 ? programmer : session.Programmer, ui, options));
  }
  int code = kExitOk;
  std::string sick, json;
  for (const TConnectionReport& report : reports) {
    if (!report.AllWell()) {
      if (code == kExitOk) code = report.ExitCode;
      sick += (sick.empty() ? "" : ", ") + report.Node;
    }
    if (TConsoleUserInterface::Json) {
      json += (json.empty() ? "" : ",") + ReportJson(report);
    } else if (!TConsoleUserInterface::Quiet) {
      std::cout << TConsoleUserInterface::PlainLines(ConnectionReportText(report, ui)) << std::flush;
    } else if (!report.AllWell()) {
      const TCheckedLink& broken = report.Links.back();
      std::cerr << "tesmaro-cli: " << (reports.size() > 1 ? report.Node + ": " : "") << broken.Text << "\n"
                << FormatText(ui.MessageText("DocWhatToDo"), {broken.Advice}) << std::endl;
    }
  }
  if (reports.size() == 1) {
    if (TConsoleUserInterface::Json) std::cout << json << std::endl;
    return code;
  }
  if (TConsoleUserInterface::Json) {
    std::cout << "{\"programmers\":[" << json << "]}" << std::endl;
  } else if (!TConsoleUserInterface::Quiet) {
    std::cout << (sick.empty() ? FormatText(ui.MessageText("DocAllProgrammersWell"), {std::to_string(reports.size())})
                               : FormatText(ui.MessageText("DocProgrammersSick"), {sick}))
              << std::endl;
  }
  return code;
}

}  // namespace

void AddProgrammerCommands(std::vector<TCliCommand>& out) {
  out.push_back({"version", "version", "print the programmer's firmware version (--json)", {}, {"json"}, Version});
  out.push_back({"doctor",
                 "doctor",
                 "check the connection from the USB bus to the programmer's answer and say what to do about the "
                 "first broken link; with several programmers and no --device, each one (exit 0, 4, 5 or 6; --json)",
                 {},
                 {"json"},
                 Doctor});
}
