#include <map>

#include "common/user_interface.h"

std::string BuiltInMessageText(const std::string& key) {
  static const std::map<std::string, std::string> texts = {
      {"ConfirmSave", "File already exists. Overwrite?"},
      {"SuppChips", "Supported chips:"},
      {"NotSuppChips", "not supported yet"},
      {"ProgNotFound", "Programmer not found!"},
      {"VerifOK", "Verification OK"},
      {"VerifNotOK", "Verification failed!"},
      {"ProgOK", "Programming OK"},
      {"ProgNotOK", "Programming failed!"},
      {"ProgNoAnswer", "The programmer did not answer. The operation was stopped."},
      {"ConfirmDiscard", "Save changes to the buffer?"},
      {"ProgHint", "Programmer %s (serial number %s, USB port %s)"},
  };
  auto it = texts.find(key);
  return it == texts.end() ? std::string() : it->second;
}
