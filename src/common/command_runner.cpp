#include "common/command_runner.h"

#include <exception>

bool RunCommand(TUserInterface& ui, const std::function<void()>& command) {
  try {
    command();
    return true;
  } catch (const std::exception& e) {
    ui.ShowError(e.what());
  } catch (...) {
    ui.ShowError("Unknown error");
  }
  return false;
}
