// The connection check ("doctor"): walks the chain from the USB bus to a command that the
// programmer answers and stops at the first broken link, saying what is wrong and what to do:
//   USB device 03E5:D11D on the bus -> its HID node -> this user may open it -> no other program
//   holds it -> the version query answers -> 100 version queries: round trips and errors.
// The same report shows in the window (Help > Check connection) and on the command line.
#pragma once

#include <string>
#include <vector>

#include "common/user_interface.h"
#include "hid/hid_controller.h"
#include "hid/usb_probe.h"
#include "programmer/programmer.h"

enum class TLink { UsbDevice, HidNode, Access, Holder, Version, RoundTrips };

// "usb", "node", "access", "holder", "version", "round-trips".
const char* LinkName(TLink link);

struct TCheckedLink {
  TLink Link;
  bool Ok = false;
  std::string Text;    // what was found
  std::string Advice;  // what to do, for a broken link
};

struct TConnectionReport {
  std::vector<TCheckedLink> Links;  // up to and including the first broken one
  int ExitCode = 0;                 // 0 all well, else the first broken link's: 4, 5 or 6
  std::string Node;                 // the programmer's HID node, once found
  std::string Firmware;             // "1.7" once the version query answered
  int Queries = 0, Errors = 0;      // the round-trip test
  double MedianMs = 0, WorstMs = 0;
  bool AllWell() const { return ExitCode == 0; }
};

struct TConnectionCheckOptions {
  int Queries = 100;   // version queries for the round-trip test
  int MaxErrors = 5;   // the test ends after this many failed queries
  std::string Device;  // a node, USB serial number or bus path: which programmer (else the first)
};

// Walks the chain. probe: the system's facts (null: only the HID layer's view, as with the
// simulated programmer). programmer: the one whose version is asked; it claims the chosen device
// unless it holds it already, and keeps holding it afterwards. Shows nothing through ui; the
// round trips move its progress.
TConnectionReport CheckConnection(TUsbProbe* probe, THidDeviceController& controller, TProgrammer& programmer,
                                  TUserInterface& ui, const TConnectionCheckOptions& options = {});

// The report as text: a title line, one line per link ("[ok] ..." / "[FAILED] ...") with the
// advice of a broken one, and "All is well." at the end when it is.
std::string ConnectionReportText(const TConnectionReport& report, TUserInterface& ui);
