// The firmware update command of the Options menu, on the held programmer.
#include "app/long_operation.h"
#include "app/main_window.h"
#include "firmware/firmware_file.h"
#include "firmware/firmware_update.h"

void TMainWindow::UpdateFirmware() {
  // Like the chip commands, the 504-block transfer keeps the window painting while input waits.
  // Stopping leaves the programmer's firmware incomplete: the user confirms it first.
  TLongOperation op(*this, "FirmwareStopAsk");
  if (!op.Started()) return;
  TFirmwareUpdateHooks hooks;
  hooks.LoadFile = [this, &op](std::span<uint8_t> image) { return LoadFirmwareFile(op, FirmwareDialog, image); };
  hooks.Repaint = [this] { repaint(); };
  RunFirmwareUpdate(Programmer, op, hooks);
}
