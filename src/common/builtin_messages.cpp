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
      {"BlankOK", "The chip %s is blank."},
      {"BlankNotOK", "The chip %s is not blank: the first byte other than FF is at %s; %d bytes are not FF."},
      {"ConfirmErase", "Erase all %d bytes of %s?"},
      {"ConfirmWrite", "Write %d bytes to %s?"},
      {"RecentMissing", "The file %s no longer exists. It was removed from the recent files."},
      {"CatNotInteger", "[%s] %s: %s '%s' is not an integer"},
      {"CatFewFields", "[%s] %s: %s fields; five are needed (Status, Size, PageSize, Org, Jumper)"},
      {"CatBadSize", "[%s] %s: Size %s is not from 1 to 1048576"},
      {"CatBadPageSize", "[%s] %s: PageSize %s does not divide Size %s"},
      {"CatBadOrg", "[%s] %s: Org %s is neither 0 nor 1"},
      {"CatUnknownType", "[%s] %s: type %s is not 1, 2 or 3"},
      {"CatNoType", "[%s]%s: the family has no type"},
      {"CatRepeatedKey", "[%s] %s: the key stands in the family already, at line %s"},
      {"CatClean", "%s: no problems found"},
  };
  auto it = texts.find(key);
  return it == texts.end() ? std::string() : it->second;
}
