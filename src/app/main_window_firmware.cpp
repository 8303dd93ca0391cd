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
        // The file dialog is shown on the window's thread; the window's other commands wait.
        hooks.LoadFile = [this, &ui] { return LoadFirmwareFile(ui, FirmwareDialog); };
        RunFirmwareUpdate(Programmer, ui, hooks);
      },
      "FirmwareStopAsk");
}
