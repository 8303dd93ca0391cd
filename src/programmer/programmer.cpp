#include "programmer/programmer.h"

#include "programmer/version_query.h"

uint8_t FirmwareMajor = 0;
uint8_t FirmwareMinor = 0;

void BuildHeader(TReport& report, const TChip& chip, uint8_t command, uint8_t subCommand) {
  report[0] = 0;
  report[1] = command;
  report[2] = subCommand;
  report[3] = static_cast<uint8_t>(chip.ChipType);
  report[4] = static_cast<uint8_t>(chip.Org);
  report[5] = static_cast<uint8_t>(chip.PageSize);
  report[7] = 0;
  report[8] = 0;
  report[9] = 0;
  report[17] = ChipCommandMark;
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
  size_t n = 0;
  if (caps.OutputReportByteLength == 0 || !device->WriteReport(Report.data(), caps.OutputReportByteLength, n)) {
    LastStatus = TExchangeStatus::WriteFailed;
    return false;
  }
  if (caps.InputReportByteLength == 0 || !device->ReadReport(Report.data(), caps.InputReportByteLength, n)) {
    LastStatus = device->ReadTimedOut() ? TExchangeStatus::TimedOut : TExchangeStatus::ReadFailed;
    return false;
  }
  LastStatus = TExchangeStatus::Ok;
  return true;
}

void TProgrammer::DeviceChange(TUserInterface& ui) {
  if (!Controller_) return;
  Controller_->Release(HeldDevice);
  if (Controller_->ClaimById(HeldDevice, ProgrammerVendorId, ProgrammerProductId)) GetVersionInfo(*this, ui, false);
}
