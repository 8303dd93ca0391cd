// The programmer's report protocol: the 65-byte report buffer, the command header, the exchange
// rule and which programmer is held.
//
// How to use it:
//   TProgrammer p(controller);            // or Attach(controller) later
//   p.DeviceChange(ui);                    // on every OnDeviceChange: release, claim, version query
//   if (!p.HeldDevice) { /* "ProgNotFound" */ }
//   TProgrammerUse use(p);                 // the programmer for this program alone, for one operation
//   if (!use) { p.ShowLinkFailure(ui); }   // no access, in use by another program, gone
//   p.BuildHeader(chip, CmdRead, 1);       // bytes 0-5, 7-9 and 17; every other byte is kept
//   p.Report[7] = address & 0xFF; ...      // then set what the step needs
//   if (!p.ExchangeReport()) { /* p.LastStatus says why */ }
//   // the reply is in p.Report (data area from byte DataArea on)
// Report is never cleared: a byte a command does not set carries what the last reply left there.
// ExchangeReport writes one output report and reads one input report into the same buffer; it
// allocates nothing. A read waits at most the controller's ReadTimeoutMs (kHidReadTimeoutMs).
// Long operations that let the event loop run hold device changes back with
// controller.DeferChanges(), so HeldDevice cannot be released under them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "catalogue/chip.h"
#include "common/user_interface.h"
#include "hid/hid_controller.h"
#include "protocol/wire_protocol.h"

using TReport = std::array<uint8_t, ReportSize>;

// Byte 0 := 0, 1 := command, 2 := subCommand, 3, 4, 5 := low bytes of ChipType, Org, PageSize,
// 7, 8, 9 := 0, 17 := 0x77. Every other byte keeps its value.
void BuildHeader(TReport& report, const TChip& chip, uint8_t command, uint8_t subCommand);

// Why the last exchange, or the last TProgrammerUse, failed.
enum class TExchangeStatus {
  Ok,
  NoDevice,       // no programmer held
  WriteFailed,    // the output report could not be sent: the programmer went away
  ReadFailed,     // the input report could not be read: the programmer went away
  BadReply,       // the input report was shorter than the device's reports, or had another report ID
  TimedOut,       // the programmer did not take the report, or did not answer, in time
  ReportTooLong,  // the device's reports do not fit in Report: nothing was sent
  NoAccess,       // the programmer is there, but this user may not open its device node
  Busy,           // another program is using the programmer
};

// The message key that tells the user why the programmer can't be used after status:
// "ProgNotFound", "ProgNoAccess", "ProgBusy", "ProgUnplugged", "ProgBadReply" or "ProgNoAnswer".
const char* LinkMessageKey(TExchangeStatus status);

// The main window's programmer state: the report buffer and the held programmer.
class TProgrammer {
 public:
  TProgrammer() = default;
  explicit TProgrammer(THidDeviceController& controller) : Controller_(&controller) {}
  // Gives the held programmer back.
  ~TProgrammer();
  TProgrammer(const TProgrammer&) = delete;
  TProgrammer& operator=(const TProgrammer&) = delete;

  void Attach(THidDeviceController& controller) { Controller_ = &controller; }
  THidDeviceController* Controller() const { return Controller_; }

  TReport Report{};
  THidDevice* HeldDevice = nullptr;
  TExchangeStatus LastStatus = TExchangeStatus::Ok;
  // This programmer's firmware version from its last successful version query (0.0 before).
  uint8_t Major = 0;
  uint8_t Minor = 0;
  // Told "Mervo v." + major + "." + minor after every successful version query (status panel 0).
  std::function<void(const std::string&)> OnVersionText;

  void BuildHeader(const TChip& chip, uint8_t command, uint8_t subCommand) {
    ::BuildHeader(Report, chip, command, subCommand);
  }

  // One exchange with HeldDevice: the output report from Report, then the input report into
  // Report, the lengths from the device's capabilities. True when the reply was read whole. A
  // failed write ends the exchange without reading, so no stale report can be taken for the reply.
  // A reply shorter than the device's input reports, or with another report ID than 0, is never
  // taken as data: the exchange fails (BadReply) and, as after a time-out, the next output
  // report first waits out a late reply and drops it.
  bool ExchangeReport();

  // The device-change handler: releases HeldDevice, claims the first free programmer and runs the
  // silent version query. When the programmer is gone, tells OnVersionText an empty text.
  void DeviceChange(TUserInterface& ui);

  // The text of LinkMessageKey(LastStatus); "ProgNoAccess" names the device node.
  std::string LinkMessage(TUserInterface& ui) const;
  // Shows LinkMessage: "ProgNotFound" in a plain box, every other one in an error box.
  void ShowLinkFailure(TUserInterface& ui) const;

 private:
  THidDeviceController* Controller_ = nullptr;
};

// Holds the programmer for one operation (read, write, verify, version query, firmware update):
// opens it and takes the exclusive lock that keeps other programs of this system from sending
// meanwhile (see THidDevice::Acquire). When that fails, nothing may be sent: the programmer's
// LastStatus says why (NoDevice, NoAccess, Busy, WriteFailed). Uses nest.
class TProgrammerUse {
 public:
  explicit TProgrammerUse(TProgrammer& programmer);
  ~TProgrammerUse();
  TProgrammerUse(const TProgrammerUse&) = delete;
  TProgrammerUse& operator=(const TProgrammerUse&) = delete;
  explicit operator bool() const { return Device_ != nullptr; }

 private:
  THidDevice* Device_ = nullptr;
};
