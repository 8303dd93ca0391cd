#include "firmware/firmware_update.h"

#include <algorithm>
#include <array>
#include <optional>

#include "common/error.h"
#include "common/integer.h"
#include "common/progress.h"
#include "firmware/firmware_file.h"
#include "programmer/version_query.h"

namespace {

// Line ends of the texts this command builds.
const char* const kLineEnd = "\n\r";

void PutSignature(TReport& r) { std::copy(FirmwareSignature.begin(), FirmwareSignature.end(), r.begin() + ByteMark); }

}  // namespace

int FirmwareProgressPosition(int block) { return ProgressPosition(block, kFirmwareBlocks); }

TFirmwareUpdateResult RunFirmwareUpdate(TProgrammer& programmer, TUserInterface& ui,
                                        const TFirmwareUpdateHooks& hooks) {
  if (!programmer.HeldDevice) {
    ui.ShowMessage(ui.MessageText("ProgNotFound"));
    return TFirmwareUpdateResult::NoProgrammer;
  }
  TProgrammerUse use(programmer);  // no other program talks to it during the update
  if (!use) {
    programmer.ShowLinkFailure(ui);
    return TFirmwareUpdateResult::NoProgrammer;
  }
  // From here a stop acts: before the first block it ends the update with nothing sent, without
  // the file dialog or the question that would follow.
  ui.SetProgress(0);
  auto stoppedBeforeBlocks = [&ui] {
    if (!ui.StopRequested()) return false;
    ui.ShowMessage(ui.MessageText("OpStopped"));
    return true;
  };
  GetVersionInfo(programmer, ui, false);
  if (stoppedBeforeBlocks()) return TFirmwareUpdateResult::Stopped;
  std::string info =
      ui.MessageText("FwHwVersion") + IntToHex(programmer.Major, 2) + "." + IntToHex(programmer.Minor, 2) + kLineEnd;

  TReport& r = programmer.Report;
  r[0] = ReportId;
  r[ByteCommand] = CmdFirmwareInfo;
  PutSignature(r);
  if (!programmer.ExchangeReport() || r[ByteCommand] != 1) return TFirmwareUpdateResult::InfoRefused;
  info += ui.MessageText("FwHwFirmware") + FirmwareIdText(&r[DataArea]) + kLineEnd;
  ui.ShowMessage(ui.MessageText("FwCurrent") + kLineEnd + kLineEnd + info);

  std::array<uint8_t, kFirmwareImageSize> image{};
  if (stoppedBeforeBlocks()) return TFirmwareUpdateResult::Stopped;
  const bool loaded = hooks.LoadFile && hooks.LoadFile(image);
  if (stoppedBeforeBlocks()) return TFirmwareUpdateResult::Stopped;
  if (!loaded) return TFirmwareUpdateResult::NotLoaded;

  const std::string question = ui.MessageText("FwNew") + FirmwareIdText(image.data()) + kLineEnd + kLineEnd +
                               ui.MessageText("FwUpdateQuestion") + kLineEnd + kLineEnd +
                               ui.MessageText("FwKeepPlugged");
  // Enter must not start flashing: No is the default answer.
  if (ui.AskYesNo(question, TAnswer::No) != TAnswer::Yes)
    return stoppedBeforeBlocks() ? TFirmwareUpdateResult::Stopped : TFirmwareUpdateResult::NotConfirmed;
  if (hooks.Repaint) hooks.Repaint();

  // The transfer must not lose its device to a change notification handled meanwhile.
  std::optional<THidDeviceController::TDeferral> deferral;
  if (programmer.Controller()) deferral.emplace(*programmer.Controller());

  for (int i = 0; i < kFirmwareBlocks; ++i) {
    // A stop between two blocks leaves the firmware incomplete once a block went out: say so.
    if (ui.StopRequested()) {
      ui.SetProgress(0);
      if (i == 0)
        ui.ShowMessage(ui.MessageText("OpStopped"));
      else
        ui.ShowError(ui.MessageText("OpStopped") + kLineEnd + ui.MessageText("FirmwareIncomplete"));
      return TFirmwareUpdateResult::Stopped;
    }
    const int address = i * kFirmwareBlockSize;
    const uint8_t* block = image.data() + address;
    r[0] = ReportId;
    r[ByteCommand] = CmdFirmwareBlock;
    r[BytePageSize] = static_cast<uint8_t>(address);
    r[ByteFirmwareAddressHigh] = static_cast<uint8_t>(address >> 8);
    PutSignature(r);
    for (int j = 0; j < kFirmwareBlockSize; ++j) r[DataArea + j] = block[j] ^ static_cast<uint8_t>(3 * j);
    // A block without a readable reply is unconfirmed: the update can't be called verified.
    bool matched = programmer.ExchangeReport();
    for (int j = 0; matched && j < kFirmwareBlockSize; ++j)
      matched = (r[DataArea + j] ^ static_cast<uint8_t>(5 * j)) == block[j];
    if (!matched) {
      ui.ShowMessage(ui.MessageText("VerifNotOK"));
      return TFirmwareUpdateResult::VerifyFailed;
    }
    ui.SetProgress(FirmwareProgressPosition(i));
  }
  ui.SetProgress(0);
  // The update's own words: every block came back as sent.
  ui.ShowMessage(FormatText(ui.MessageText("FwUpdated"), {std::to_string(kFirmwareBlocks)}));
  return TFirmwareUpdateResult::Updated;
}
