// The firmware update command of the Options menu, on the held programmer and the runner's worker
// thread.
#include "app/main_window.h"
#include "firmware/firmware_file.h"
#include "firmware/firmware_update.h"

void TMainWindow::UpdateFirmware() {
  // Stopping leaves the programmer's firmware incomplete: the user confirms it first.
  RunOperation(
      [this](TUserInterface& ui) {
        TFirmwareUpdateHooks hooks;
        // The file dialog is shown on the window's thread; the window's other commands wait. The
        // window paints by itself meanwhile: no Repaint hook.
        hooks.LoadFile = [this, &ui](std::span<uint8_t> image) { return LoadFirmwareFile(ui, FirmwareDialog, image); };
        RunFirmwareUpdate(Programmer, ui, hooks);
      },
      "FirmwareStopAsk");
}
