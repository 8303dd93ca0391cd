#include <map>

#include "common/user_interface.h"

namespace {

const std::map<std::string, std::string>& Texts() {
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
      {"ProgBadReply", "The programmer sent a malformed reply."},
      {"ChipPartlyWritten", "The chip is partly written: %s–%s of %s–%s; its contents are now mixed."},
      {"ChipWrittenUnchecked", "The chip is written, but the check did not finish."},
      {"ProgNoAccess",
       "The programmer is plugged in, but its device node %s can't be opened: no permission. The udev rule "
       "shipped with the program (70-tesmaro.rules) gives access to the user logged in at the desktop: copy it "
       "to /usr/lib/udev/rules.d, run sudo udevadm control --reload and sudo udevadm trigger, then plug the "
       "programmer in again. Users over SSH and service users need a rule that gives their group access to the "
       "node."},
      {"ConfirmDiscard", "Save the changes to %s?"},
      {"ChipContentsName", "the chip's contents read from %s"},
      {"NewBufferName", "the new buffer"},
      {"SaveButton", "&Save"},
      {"DiscardButton", "&Don't save"},
      {"ProgHint", "Programmer %s (serial number %s, USB port %s)"},
      // Main window: closing, status bar labels, the empty grid, the About box.
      {"CloseWithoutSaving", "Close without saving the settings?"},
      {"AddrLabel", "Addr: "},
      {"ChkLabel", "Chk: "},
      {"SelectChipHint", "Select a chip: %s"},
      // Status bar: sizes, what each panel shows, no programmer, the progress of a long operation.
      {"BytesCount", "%s bytes"},
      {"ChipSizeHint", "Chip size: %s bytes (%s)"},
      {"PageSizeHint", "Page size: %s bytes (%s), written at once"},
      {"ClockHint", "Processor clock, measured at start"},
      {"AddressHint", "Address of the current byte"},
      {"ChecksumHint", "Checksum: the 16-bit sum of the chip's bytes"},
      {"ChipNameHint", "Selected chip"},
      {"ProgressHint", "Progress of the running operation and the time it still needs"},
      {"NoProgrammer", "No programmer"},
      {"ChipDialogTitle", "Select the chip to work with"},
      {"NoProgrammerHint",
       "No programmer is connected: plug it in. Help > Check connection says what is wrong when it is not found."},
      {"ProgressPercent", "%s %% done"},
      {"ProgressLeft", "%s %%, about %s left"},
      {"TimeSeconds", "%s s"},
      {"TimeMinutes", "%s min %s s"},
      {"AboutText",
       "Tesmaro %s\nDesktop program of the USB serial-EEPROM programmer.\n\n"
       "Licence: proprietary, all rights reserved.\n\nBuilt with Qt %s, running on Qt %s."},
      {"Usage",
       "Usage: tesmaro [OPTIONS] [FILE.hex]\n\n"
       "Reads, writes and verifies serial EEPROMs with the USB programmer; FILE.hex is loaded at start.\n\n"
       "Options:\n"
       "  --simulate[=IMAGE] use the simulated programmer; IMAGE holds the simulated chip\n"
       "%s"  // the simulated programmer's options
       "  --verbose          say more on standard error (the simulated chip's seed)\n"
       "  --close-after-start close the window once the start-up is done, saving the settings\n"
       "  --dark             dark colours, for a desktop that does not give the program its theme\n"
       "  --help, -h         print this text and exit\n"
       "  --version          print the version and exit\n"},
      // File and conversion errors.
      {"CannotOpenFile", "Cannot open file \"%s\". %s"},
      {"CannotCreateFile", "Cannot create file \"%s\". %s"},
      {"CannotOpenStream", "Cannot open file \"%s\"."},
      {"StreamReadError", "Stream read error"},
      {"StreamWriteError", "Stream write error"},
      {"StreamSeekError", "Stream seek error"},
      {"NotValidInteger", "'%s' is not a valid integer value"},
      {"HexAddressOutside", "Line %d: address 0x%s lies outside the memory buffer"},
      {"HexExtendedAddress", "an extended address record must hold two bytes"},
      {"HexUnknownRecord", "unknown record type 0x%s"},
      {"UnableToWrite", "Unable to write to %s"},
      {"FileNotFound", "File not found: %s"},
      {"PathNotFound", "Path not found: %s"},
      {"FileAccessDenied", "File access denied: %s"},
      {"DiskFull", "Disk full: %s"},
      {"TooManyOpenFiles", "Too many open files: %s"},
      {"InvalidFilename", "Invalid filename: %s"},
      {"IOError", "I/O error %d: %s"},
      // Firmware version and update.
      {"VersionInfo", "Version info: "},
      {"FwCurrent", "Current firmware:"},
      {"FwHwVersion", "HW ver.: "},
      {"FwHwFirmware", "HW firmware: "},
      {"FwNew", "NEW HW firmware: "},
      {"FwUpdateQuestion", "UPDATE FIRMWARE?"},
      {"FwKeepPlugged",
       "Do not unplug the programmer until the update has finished: an interrupted update leaves its firmware "
       "incomplete."},
      {"FwUpdated", "Firmware updated: all %s blocks written and checked."},
      {"FwFileTooShort", "The firmware update file is shorter than %d bytes."},
      {"FwFileTooLong", "The firmware update file deciphers to more than %d bytes."},
      {"FwFileNotBlocks", "This is not a firmware update file: its size of %d bytes is not a multiple of 8."},
      {"OpStopped", "Operation stopped."},
      {"PhaseBackingUp", "backing up"},
      {"PhaseWriting", "writing"},
      {"PhaseChecking", "checking"},
      {"PhaseReading", "reading"},
      {"PhaseVerifying", "verifying"},
      {"PhaseErasing", "erasing"},
      {"NoChip", "Select a chip first."},
      {"ChipNoSize", "%s has no valid size in the catalogue."},
      {"ChipUnsupported", "%s is not supported by the programmer."},
      {"CloseWhileBusy", "An operation is running. Stop it and close the window?"},
      {"FirmwareStopAsk",
       "Stopping now leaves the programmer's firmware incomplete: the programmer will not work until the update "
       "is run again. Stop the update?"},
      {"FirmwareIncomplete", "The programmer's firmware is incomplete: run the firmware update again."},
      {"BlankOK", "The chip %s is blank."},
      {"BlankNotOK", "The chip %s is not blank: the first byte other than FF is at 0x%s; %d bytes are not FF."},
      {"EraseOK", "Erase OK"},
      {"EraseNotOK", "Erase failed"},
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
      {"SelectionInfo", "%1 + %2 bytes, Chk: %3"},
      {"SelectionHint", "Selection: start %1, length %2 bytes, checksum %3"},
      {"GoToCaption", "Go to address"},
      {"GoToPrompt", "Address (hexadecimal; also 0x or $ before it, # for decimal):"},
      {"AddressInvalid", "%1 is not an address."},
      {"AddressOutOfRange", "The address %1 lies outside the chip (%2 to %3)."},
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
      {"ImgFileLine", "File \"%s\", line %s: %s"},
      {"ImgLine", "Line %s: %s"},
      {"ImgBadChecksum", "the record's checksum is wrong"},
      {"ImgNotHex", "'%s' is not a hexadecimal number"},
      {"ImgSRecStart", "the line is no S-record: it must start with S0 to S9"},
      {"ImgSRecType", "%s is no known S-record type"},
      {"ImgSRecCount", "the byte count 0x%s is too small for an %s record"},
      {"ImgShortLine", "the line ends before its record does"},
      {"ImgTrailing", "characters follow the record's checksum"},
      {"HexSecondRecord", "%s: line %s holds a second record after the checksum"},
      {"ImgRecordCount", "the record count says %s data records, but %s came before it"},
      {"ImgBelowOffset", "address 0x%s lies below the load offset 0x%s"},
      {"ImgAskOffset", "The file's data start at 0x%s. Load them at address 0?"},
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
      // The file dialogs: their titles and the names of their file types.
      {"OpenFileTitle", "Open"},
      {"SaveFileTitle", "Save As"},
      {"CompareFileTitle", "Compare with file"},
      {"FirmwareFileTitle", "Firmware update"},
      {"FilterHexFiles", "Hex files"},
      {"FilterBinFiles", "Binary files"},
      {"FilterSRecFiles", "S-record files"},
      {"FilterAllFiles", "All files"},
      {"FilterFirmware", "TesmaroUpdatePart"},
      {"SaveFailed", "The file %s was not saved: %s"},
      // Checks of what was read: signs of a wrong read, reads that disagree, causes of a failed
      // check, the size found by reading, backups before writing.
      {"ReadRepeats",
       "The data repeat every %s bytes. If the image is not meant to repeat, the chip is smaller than %s (%s bytes), "
       "or its address pins are strapped differently."},
      {"ReadAllFF",
       "The chip reads blank (all FF). A chip that does not answer reads the same: check that it sits in the socket."},
      {"ReadAll00", "Every byte reads 00: the chip is probably not answering, or its data line is held low."},
      {"ReadStuckBit", "Bit %s reads %s in every byte: check the data line and the clip."},
      {"ReadUniformStuckBit", "Every byte reads %s: bit %s is stuck at %s, or the chip holds %s."},
      {"ReadsDiffer",
       "The reads differ in %s bytes (first at 0x%s: %s): the connection is unreliable (clip, wiring, supply)."},
      {"ReadsKeepMajority", "Keep the value that most reads gave for each byte? No discards the read."},
      {"ReadDiscarded", "The read was discarded."},
      {"ReadsUndecided",
       "%s bytes could not be decided after %s reads (first at 0x%s: values seen %s): the connection is unreliable "
       "(clip, wiring, supply)"},
      {"ReadsDecided", "The reads differed in %s bytes; re-reads decided every one"},
      {"ReadsDecidedMarked", "The reads differed in %s bytes; re-reads decided every one (the grid marks them)"},
      {"CauseKeptOld",
       "The chip kept its old contents: it is probably write-protected (WP pin), or the writes do not reach it."},
      {"CauseNotTaken", "The chip reads FF where data were written: the writes did not take."},
      {"CausePartPage", "Only part of every page was written: is the page size right for this chip?"},
      {"CauseOneBit", "Bit %s is wrong in every difference: check that data line."},
      {"CauseSwappedPairs", "The bytes are swapped in pairs: check the organisation (x8/x16) and the byte order."},
      {"CauseSwappedWords", "The bytes are swapped in pairs: the image's 16-bit words are in the other byte order."},
      {"CauseUnreliableGood",
       "The first read differed; a second read of those blocks matched the file: the connection is unreliable, the "
       "chip is probably good."},
      {"CauseUnreliable",
       "A second read of those blocks differed from the first: the connection is unreliable, so the differences may "
       "not be on the chip."},
      {"DetectSize", "The chip holds %s bytes (its contents repeat from 0x%s)."},
      {"DetectTypeLimit",
       "The chip holds %s bytes, the most that its addressing reaches: its contents do not repeat below that."},
      {"DetectTooLarge", "The contents do not repeat within %s bytes: the chip holds more than the program reads."},
      {"DetectRegular",
       "Can't tell the size: the chip's data repeat within themselves, so sizes can't be told apart by reading."},
      {"DetectUnreliable", "Can't tell: the reads differ (the connection is unreliable)."},
      {"DetectCantTell",
       "Can't tell the size: the chip holds no data to compare. Sizes can only be told apart by reading when the "
       "chip holds data."},
      {"DetectType3", "%s is a Microwire chip: its size can't be found by reading."},
      {"DetectChips", "Chips of this type and size in the catalogue: %s"},
      {"DetectNoChips", "The catalogue holds no supported chip of this type and size."},
      {"DetectSelect", "Select %s?"},
      {"BackupFailed", "The chip's contents could not be kept before writing (%s). Nothing was written."},
      {"BackupKept", "The chip's contents before writing are kept in %s"},
      {"BackupDamaged", "The backup %s does not match its record (SHA-256): it is damaged and is not written."},
      {"BackupUnreliable",
       "The chip's contents could not be read reliably; nothing was written. Check the clip, or write without a "
       "backup (--no-backup)."},
      {"BackupUnreliableWindow",
       "The chip's contents could not be read reliably; nothing was written. Check the clip, or write without "
       "keeping the contents (Options > Keep the chip's contents before writing)."},
      {"RestoreNone", "No chip contents have been kept yet: they are kept before every write."},
      {"RestoreAsk", "Write the contents of %s kept on %s back into %s? All %s bytes of the chip are overwritten."},
      {"NoticeCloseHint", "Close the notice"},
      {"RestoreTitle", "Restore chip contents"},
      {"RestoreChoose",
       "The chip's contents kept before each write, newest first. The chosen contents are written into the selected "
       "chip."},
      {"RestoreEntry", "%s   %s   %s bytes"},
      {"RestoreWrongSize", "The kept contents hold %s bytes, but %s holds %s: select the chip they were kept from."},
      {"ImgNotIntelHex", "%s is not an Intel HEX file (line %s)"},
      {"ImgNoData", "%s holds no data."},
      {"ImgNoEndRecord", "%s ends without an end record after line %s: it may be cut short."},
      {"ImgSRecDataOnly", "%s holds data records only: no end record was found, so the file may be cut short."},
      {"ImgOverlap", "line %s gave address 0x%s another value"},
      {"ImgPastChip", "%s holds data up to 0x%s; the %s ends at 0x%s."},
      {"ImgPastBuffer", "%s holds data up to 0x%s; the memory buffer ends at 0x%s."},
      {"ImgOffsetMissing", "Is an --offset missing?"},
      {"ImgCut", "--cut: only the first %s bytes are used."},
      {"ImgLargerThanChip", "%s Write programs only the chip's first %s bytes; Save keeps all of the file's data."},
      {"ChipTooLarge", "Chip \"%s\" has a size of %d bytes, more than the %d bytes of the memory buffer."},
      {"ChipPastBuffer", "Chip \"%s\" needs %d bytes, more than the %d bytes of the buffer."},
      {"ChipNoPageSize", "Chip \"%s\" has a page size of %d: it can't be written."},
      {"CatNoEquals", "[%s]%s: '%s' has no '=': the line is not read"},
      {"CatKeyBeforeSection", "%s%s'%s' stands before the first section: it is not read"},
      {"CatHashLine", "[%s] %s: the line starts with '#', so it is read as a chip; comments start with ';'"},
      {"CatType1Above64K", "[%s] %s: Size %s is above 64 KiB, further than type 1 chips are addressed"},
      {"CatSizeNotBlocks", "[%s] %s: Size %s is not a multiple of 32"},
      {"CatNameInTwoFamilies", "[%s] %s: the chip stands in [%s] too (%s)"},
      {"NoProgrammerFound", "No programmer found. To try without hardware: tesmaro-cli --simulate devices"},
      {"NextChipPrompt", "Next chip: Enter; stop: q and Enter"},
      {"ProgrammerGone",
       "The programmer is gone: %s. No serial number is taken and no chip counted until it is plugged in again "
       "on the same port."},
      {"RecordFailed",
       "%s: the chip's result is %s, but it could not be recorded: %s. The batch stops here; record this chip by "
       "hand."},
      {"RecordFailedSerial",
       "%s: the chip's result is %s with serial number %s, but it could not be recorded: %s. The batch stops here; "
       "record this chip by hand."},
      {"SerialNotUpdated",
       "%s: chip ok with serial %s, but the serial file could not be updated: %s. The number stays marked as "
       "written, so no other chip gets it; the batch stops here."},
      {"SerialUnknown",
       "Serial numbers written to chips by a station that ended before their result was recorded (written, result "
       "unknown): %s. They are kept as used in the serial file %s; the log may tell their results."},
      {"LogRepaired",
       "The log %s did not end with a whole line (a write was cut short): the new line starts on a line of its "
       "own."},
      {"DocTitle", "Connection to the programmer (USB %s):"},
      {"DocAllProgrammersWell", "All %s programmers are well."},
      {"DocProgrammersSick", "Not well: %s. The other programmers are well."},
      {"DocOk", "ok"},
      {"DocFailed", "FAILED"},
      {"DocWhatToDo", "What to do: %s"},
      {"DocAllWell", "All is well."},
      {"DocUsbMissing", "USB: there is no programmer on the USB bus (no USB device %s)."},
      {"DocUsbMissingAdvice",
       "Plug the programmer in. Try another USB cable (one that carries data, not only power) and another port; the "
       "kernel log (dmesg) shows whether the computer sees it at all."},
      {"DocUsbNoMatch", "USB: no programmer matches %s."},
      {"DocUsbNoMatchAdvice",
       "Name a programmer that is plugged in: tesmaro-cli devices lists each one's node, serial number and USB port."},
      {"DocUsbFound", "USB: a programmer on the USB bus at %s (serial number %s)."},
      {"DocUsbHidLayer", "USB: the HID layer lists a programmer at %s."},
      {"DocNodeMissing",
       "HID node: the programmer has none; the kernel's HID driver did not take it (interfaces and drivers: %s)."},
      {"DocNodeMissingAdvice",
       "Load the kernel's HID drivers (sudo modprobe usbhid) and plug the programmer in again; the kernel log (dmesg) "
       "says why a driver refused it."},
      {"DocNodeNotInDev", "HID node: %s is missing from /dev (udev did not create it)."},
      {"DocNodeNotInDevAdvice",
       "Check that udev runs (systemctl status systemd-udevd), then plug the programmer in again."},
      {"DocNodeNotListed", "HID node: %s is there, but the HID library does not list it."},
      {"DocNodeNotListedAdvice",
       "The HID library lists the devices that udev has recorded: run sudo udevadm trigger, or plug the programmer in "
       "again, then check once more."},
      {"DocNodeFound", "HID node: %s."},
      {"DocGroups", "groups %s"},
      {"DocNodeModes", "owner %s, group %s, mode %s, ACL %s"},
      {"DocNoAcl", "none"},
      {"DocAccessDenied", "Access: this user (%s) may not open %s for reading and writing (%s)."},
      {"DocAccessOk", "Access: this user (%s) may read and write %s (%s)."},
      {"DocAccessDeniedPlain", "Access: this user may not open %s for reading and writing."},
      {"DocAccessOkPlain", "Access: this user may read and write %s."},
      {"ProgNoAccessAdvice",
       "Install the udev rule shipped with the program (70-tesmaro.rules) in /etc/udev/rules.d, run sudo udevadm "
       "control --reload and sudo udevadm trigger, then plug the programmer in again."},
      {"DocRuleMissing",
       "The udev rule 70-tesmaro.rules is not installed in any of udev's rule folders (%s): copy it (from the package, "
       "or packaging/70-tesmaro.rules in the source) to /etc/udev/rules.d, run sudo udevadm control --reload and sudo "
       "udevadm trigger, then plug the programmer in again. The rule serves the user logged in at the desktop; for %s "
       "over SSH or as a service, give a group access instead (GROUP=\"plugdev\", MODE=\"0660\" in place of "
       "TAG+=\"uaccess\") and add the user to that group (sudo usermod -aG plugdev)."},
      {"DocRuleRemote",
       "The udev rule %s gives access only to the user logged in at the desktop, and %s is logged in over SSH. Give a "
       "group access instead: a rule with GROUP=\"plugdev\", MODE=\"0660\" in place of TAG+=\"uaccess\" in "
       "/etc/udev/rules.d and the user in that group (sudo usermod -aG plugdev, then log in again); then run sudo "
       "udevadm control --reload and sudo udevadm trigger."},
      {"DocRuleNotApplied",
       "The udev rule %s is installed but did not give %s access: run sudo udevadm control --reload and sudo udevadm "
       "trigger, or plug the programmer in again. A rule with TAG+=\"uaccess\" serves the user logged in at the "
       "desktop; over SSH and for service users a rule with GROUP=\"plugdev\", MODE=\"0660\" and the user in that "
       "group are needed."},
      {"DocHolderFound", "In use: another program holds the programmer: %s (process %s)."},
      {"DocHolderAdvice", "Let it finish, or close it: one program at a time uses the programmer."},
      {"DocHolderUnknown", "In use: another program holds the programmer."},
      {"DocHolderNone", "In use: no other program holds the programmer."},
      {"DocVersionFailed", "Version: the programmer does not answer the version query. %s"},
      {"DocVersionAdvice",
       "Plug the programmer in again. If it still does not answer, its firmware may be incomplete: run the firmware "
       "update."},
      {"DocVersionOk", "Version: the programmer answers, firmware %s."},
      {"DocTripsFailed", "Round trips: %s of %s version queries failed (median %s ms, worst %s ms)."},
      {"DocTripsAdvice",
       "Use a shorter cable and another USB port, without a hub, and keep other programs away from the programmer."},
      {"DocTrips", "Round trips: %s version queries, median %s ms, worst %s ms, no errors."},
      {"DocCaption", "Check connection"},
      {"DocCopy", "Copy"},
      {"DocClose", "Close"},
  };
  return texts;
}

}  // namespace

std::vector<std::string> BuiltInMessageKeys() {
  std::vector<std::string> keys;
  for (const auto& [key, text] : Texts()) keys.push_back(key);
  return keys;
}

std::string BuiltInMessageText(const std::string& key) {
  const auto& texts = Texts();
  auto it = texts.find(key);
  return it == texts.end() ? std::string() : it->second;
}

const char* PhaseMessageKey(TProgressPhase phase) {
  switch (phase) {
    case TProgressPhase::BackingUp: return "PhaseBackingUp";
    case TProgressPhase::Writing: return "PhaseWriting";
    case TProgressPhase::Checking: return "PhaseChecking";
    case TProgressPhase::Reading: return "PhaseReading";
    case TProgressPhase::Verifying: return "PhaseVerifying";
    case TProgressPhase::Erasing: break;
  }
  return "PhaseErasing";
}
