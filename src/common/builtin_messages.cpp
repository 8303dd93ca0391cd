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
      {"OpStopped", "Operation stopped."},
      {"NoChip", "Select a chip first."},
      {"ChipUnsupported", "%s is not supported by the programmer."},
      {"CloseWhileBusy", "An operation is running. Stop it and close the window?"},
      {"FirmwareStopAsk",
       "Stopping now leaves the programmer's firmware incomplete: the programmer will not work until the update "
       "is run again. Stop the update?"},
      {"FirmwareIncomplete", "The programmer's firmware is incomplete: run the firmware update again."},
      {"ImgFileLine", "File \"%s\", line %s: %s"},
      {"ImgLine", "Line %s: %s"},
      {"ImgBadChecksum", "the record's checksum is wrong"},
      {"ImgNotHex", "'%s' is not a hexadecimal number"},
      {"ImgSRecStart", "the line is no S-record: it must start with S0 to S9"},
      {"ImgSRecType", "%s is no known S-record type"},
      {"ImgSRecCount", "the byte count %s is too small for an %s record"},
      {"ImgShortLine", "the line ends before its record does"},
      {"ImgTrailing", "characters follow the record's checksum"},
      {"ImgRecordCount", "the record count says %s data records, but %s came before it"},
      {"ImgOutsideBuffer", "address 0x%s lies outside the memory buffer"},
      {"ImgBelowOffset", "address 0x%s lies below the load offset 0x%s"},
      {"ImgAskOffset", "The file's data start at 0x%s. Load them at address 0?"},
      {"ImgUseOffset", "The file's data start at 0x%s: load them with --offset 0x%s."},
      {"ChipDifference", "First difference at 0x%s: chip %s, expected %s; %s"},
      {"FileDifference", "First difference at 0x%s: buffer %s, file %s; %s"},
      {"FilesDifference", "First difference at 0x%s: first file %s, second file %s; %s"},
      {"BytesDiffer", "%s bytes differ."},
      {"ByteDiffers", "1 byte differs."},
      {"CompareSame", "The buffer and the file are the same."},
      {"FilesSame", "The files are the same."},
      {"CompareTitle", "Differences"},
      {"CompareAddress", "Address"},
      {"CompareBuffer", "Buffer"},
      {"CompareFile", "File"},
  };
  auto it = texts.find(key);
  return it == texts.end() ? std::string() : it->second;
}
