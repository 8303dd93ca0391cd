// The firmware update command: shows the programmer's current firmware, loads an update file
// into the update's own firmware image, asks for confirmation and sends it in 504 checked blocks.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "common/user_interface.h"
#include "programmer/programmer.h"

// How a run of the command ended.
enum class TFirmwareUpdateResult {
  NoProgrammer,  // "ProgNotFound", or why the programmer can't be used, was shown
  InfoRefused,   // the information request failed or was not accepted; nothing shown
  NotLoaded,     // the file was not chosen or could not be loaded; nothing sent
  NotConfirmed,  // the user did not answer Yes; nothing sent
  VerifyFailed,  // a block came back different or not at all; "VerifNotOK" was shown
  Stopped,       // the user stopped the transfer between two blocks; "OpStopped" was shown, with
                 // "FirmwareIncomplete" in an error box when blocks had been sent
  Updated,       // every block matched; "VerifOK" was shown
};

struct TFirmwareUpdateHooks {
  // Fills the image (kFirmwareImageSize bytes, zeros up to the update file's minimum size):
  // LoadFirmwareFile with the window's dialog in the program, a named file elsewhere.
  std::function<bool(std::span<uint8_t> image)> LoadFile;
  // Repaints the window once before the transfer; may be empty.
  std::function<void()> Repaint;
};

// The progress position after block i (0 to 503) matched: (i + 1) * 100 / 504 rounded to the
// nearest integer, halves to the even neighbour.
int FirmwareProgressPosition(int block);

// Runs the command on the held programmer. Boxes, the confirmation and the progress go to ui.
// A block whose reply can't be read ends the update with "VerifNotOK": an unconfirmed block is
// never counted as written. ui.StopRequested() is polled before every block.
TFirmwareUpdateResult RunFirmwareUpdate(TProgrammer& programmer, TUserInterface& ui, const TFirmwareUpdateHooks& hooks);
