#include "common/command_runner.h"

#include <exception>

#include "common/error.h"

bool RunCommand(TUserInterface& ui, const std::function<void()>& command) {
  try {
    command();
    return true;
  } catch (const std::exception& e) {
    ui.ShowError(ErrorText(e, [&ui](const std::string& key) { return ui.MessageText(key); }));
  } catch (...) {
    ui.ShowError("Unknown error");
  }
  return false;
}
