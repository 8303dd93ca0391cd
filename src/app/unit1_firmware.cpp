// The firmware update command of the Options menu, on the held programmer.
#include "app/unit1.h"
#include "firmware/firmware_file.h"
#include "firmware/firmware_update.h"

void Tf::Firmwareupdate1Click() {
  TFirmwareUpdateHooks hooks;
  hooks.LoadFile = [this] { return LoadFirmwareFile(Ui(), OpenDialog2); };
  hooks.Repaint = [this] { repaint(); };
  RunFirmwareUpdate(Programmer, Ui(), hooks);
}
