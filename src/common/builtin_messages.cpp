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
      {"SelectionInfo", "%1+%2 Chk: %3"},
      {"SelectionHint", "Selection: start %1, length %2, checksum %3"},
      {"GoToCaption", "Go to address"},
      {"GoToPrompt", "Address (hexadecimal; also 0x or $ before it, # for decimal):"},
      {"AddressInvalid", "%1 is not an address."},
      {"AddressOutOfRange", "The address %1 lies outside the chip (0 to %2)."},
      {"FindCaption", "Find"},
      {"FindPrompt", "Hexadecimal bytes (such as DE AD BE EF) or text:"},
      {"FindAsText", "Search for text"},
      {"NotFound", "Not found."},
      {"FindWrapped", "Search wrapped round"},
      {"NotHexBytes", "Type hexadecimal bytes, such as DE AD BE EF."},
      {"TextNotInCodePage", "The text holds characters that the character column's code page lacks."},
      {"FillCaption", "Fill selection"},
      {"FillPrompt", "Byte or pattern in hexadecimal (such as FF or 00 FF):"},
      {"PasteNotHex", "The clipboard holds no hexadecimal bytes."},
      {"PastePastEnd", "The %1 bytes do not fit between address %2 and the end of the chip; nothing was pasted."},
      {"PromptOK", "OK"},
      {"PromptCancel", "Cancel"},
  };
  auto it = texts.find(key);
  return it == texts.end() ? std::string() : it->second;
}
