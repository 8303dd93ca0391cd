#include "common/command_runner.h"

#include <exception>

#include "common/error.h"

bool RunCommand(TUserInterface& ui, const std::function<void()>& command) {
  try {
    command();
    return true;
  } catch (...) {
    ui.ShowError(ErrorText(std::current_exception(), [&ui](const std::string& key) { return ui.MessageText(key); }));
  }
  return false;
}
