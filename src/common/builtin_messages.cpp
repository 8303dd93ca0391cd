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
      {"ProgBusy", "The programmer is in use by another program."},
      {"ProgUnplugged", "The programmer was unplugged. The operation was stopped."},
      {"ProgNoAccess",
       "The programmer is plugged in, but its device node %s can't be opened: no permission. The udev rule "
       "shipped with the program (70-tesmaro.rules) gives access to the user logged in at the desktop: copy it "
       "to /usr/lib/udev/rules.d, run sudo udevadm control --reload and sudo udevadm trigger, then plug the "
       "programmer in again. Users over SSH and service users need a rule that gives their group access to the "
       "node."},
      {"ConfirmDiscard", "Save changes to the buffer?"},
      {"ProgHint", "Programmer %s (serial number %s, USB port %s)"},
  };
  auto it = texts.find(key);
  return it == texts.end() ? std::string() : it->second;
}
