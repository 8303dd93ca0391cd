#include "programmer/programmer.h"

#include "common/error.h"
#include "programmer/version_query.h"

void BuildHeader(TReport& report, const TChip& chip, uint8_t command, uint8_t subCommand) {
  report[0] = ReportId;
  report[ByteCommand] = command;
  report[ByteSubCommand] = subCommand;
  report[ByteChipType] = static_cast<uint8_t>(chip.ChipType);
  report[ByteOrg] = static_cast<uint8_t>(chip.Org);
  report[BytePageSize] = static_cast<uint8_t>(chip.PageSize);
  report[ByteAddress] = 0;
  report[ByteAddress + 1] = 0;
  report[ByteThird] = 0;
  report[ByteMark] = ChipCommandMark;
}

TProgrammer::~TProgrammer() {
  if (HeldDevice && Controller_) Controller_->Release(HeldDevice);
}

bool TProgrammer::ExchangeReport() {
  THidDevice* device = HeldDevice;
  if (!device) {
    LastStatus = TExchangeStatus::NoDevice;
    return false;
  }
  const THidCaps caps = device->Capabilities();
  if (caps.OutputReportByteLength > ReportSize || caps.InputReportByteLength > ReportSize) {
    LastStatus = TExchangeStatus::ReportTooLong;
    return false;
  }
  auto failed = [this, device](TExchangeStatus otherwise) {
    switch (device->LastFailure()) {
      case THidFailure::TimedOut: LastStatus = TExchangeStatus::TimedOut; break;
      case THidFailure::NoAccess: LastStatus = TExchangeStatus::NoAccess; break;
      default: LastStatus = otherwise; break;
    }
    return false;
  };
  size_t n = 0;
  if (caps.OutputReportByteLength == 0) return failed(TExchangeStatus::WriteFailed);
  if (!device->WriteReport(Report.data(), caps.OutputReportByteLength, n)) return failed(TExchangeStatus::WriteFailed);
  if (caps.InputReportByteLength == 0) return failed(TExchangeStatus::ReadFailed);
  if (!device->ReadReport(Report.data(), caps.InputReportByteLength, n)) return failed(TExchangeStatus::ReadFailed);
  if (n != caps.InputReportByteLength || Report[0] != ReportId) {
    device->AwaitLateReply();
    LastStatus = TExchangeStatus::BadReply;
    return false;
  }
  LastStatus = TExchangeStatus::Ok;
  return true;
}

void TProgrammer::DeviceChange(TUserInterface& ui) {
  if (!Controller_) return;
  const bool held = HeldDevice != nullptr;
  Controller_->Release(HeldDevice);
  if (Controller_->ClaimById(HeldDevice, ProgrammerVendorId, ProgrammerProductId))
    GetVersionInfo(*this, ui, false);
  else if (held && OnVersionText)
    OnVersionText("");
}

const char* LinkMessageKey(TExchangeStatus status) {
  switch (status) {
    case TExchangeStatus::NoDevice: return "ProgNotFound";
    case TExchangeStatus::NoAccess: return "ProgNoAccess";
    case TExchangeStatus::Busy: return "ProgBusy";
    case TExchangeStatus::WriteFailed:
    case TExchangeStatus::ReadFailed: return "ProgUnplugged";
    case TExchangeStatus::BadReply: return "ProgBadReply";
    case TExchangeStatus::Ok:
    case TExchangeStatus::TimedOut:
    case TExchangeStatus::ReportTooLong: break;
  }
  return "ProgNoAnswer";
}

std::string TProgrammer::LinkMessage(TUserInterface& ui) const {
  std::string text = ui.MessageText(LinkMessageKey(LastStatus));
  if (LastStatus != TExchangeStatus::NoAccess) return text;
  return FormatText(text, {HeldDevice ? HeldDevice->DevicePath() : std::string("?")});
}

void TProgrammer::ShowLinkFailure(TUserInterface& ui) const {
  if (LastStatus == TExchangeStatus::NoDevice)
    ui.ShowMessage(LinkMessage(ui));
  else
    ui.ShowError(LinkMessage(ui));
}

TProgrammerUse::TProgrammerUse(TProgrammer& p) {
  if (!p.HeldDevice) {
    p.LastStatus = TExchangeStatus::NoDevice;
    return;
  }
  switch (p.HeldDevice->Acquire()) {
    case THidFailure::None: Device_ = p.HeldDevice; return;
    case THidFailure::NoAccess: p.LastStatus = TExchangeStatus::NoAccess; return;
    case THidFailure::Busy: p.LastStatus = TExchangeStatus::Busy; return;
    default: p.LastStatus = TExchangeStatus::WriteFailed; return;
  }
}

TProgrammerUse::~TProgrammerUse() {
  if (Device_) Device_->Unacquire();
}
