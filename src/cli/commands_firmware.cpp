// Firmware commands: firmware-pack and firmware-unpack (update files to and from images) and
// firmware-update (the update command on the programmer).
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>

#include "cli/commands.h"
#include "cli/console_user_interface.h"
#include "cli/programmer_session.h"
#include "cli/stop_signals.h"
#include "common/error.h"
#include "crypto/stream.h"
#include "firmware/firmware_file.h"
#include "firmware/firmware_update.h"

namespace {

void RequireArgs(const TCliOptions& o, size_t n, const char* usage) {
  if (o.Args.size() != n) throw TCliError{kExitUsage, std::string("usage: tesmaro-cli ") + usage};
}

// --key HEX, or UpdateKey without it.
std::vector<uint8_t> KeyOf(const TCliOptions& o) {
  auto it = o.Flags.find("key");
  if (it == o.Flags.end()) return {UpdateKey.begin(), UpdateKey.end()};
  std::string hex = it->second;
  if (hex.rfind("0x", 0) == 0 || hex.rfind("0X", 0) == 0) hex.erase(0, 2);
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::vector<uint8_t> key;
  bool ok = hex.size() % 2 == 0;
  for (size_t i = 0; ok && i < hex.size(); i += 2) {
    int hi = digit(hex[i]), lo = digit(hex[i + 1]);
    ok = hi >= 0 && lo >= 0;
    key.push_back(static_cast<uint8_t>(hi * 16 + lo));
  }
  if (!ok || key.size() < 8) throw TCliError{kExitUsage, "--key needs at least 8 bytes as pairs of hexadecimal digits"};
  return key;
}

std::vector<uint8_t> ReadWholeFile(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  if (!f) throw TCliError{kExitFile, "cannot open " + name};
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (f.bad()) throw TCliError{kExitFile, "cannot read " + name};
  return bytes;
}

void WriteWholeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  TFileStream f(name, TFileStream::TMode::Create);
  f.Write(bytes.data(), bytes.size());
}

int Pack(TCliOptions& o) {
  RequireArgs(o, 2, "firmware-pack IMAGE OUT");
  const std::vector<uint8_t> key = KeyOf(o);
  const std::vector<uint8_t> image = ReadWholeFile(o.Args[0]);
  // Only images whose update file the update accepts: at least 16384 bytes enciphered, and a
  // content that fits the firmware image.
  const size_t shortest = kFirmwareFileMinSize - 8;
  if (image.size() < shortest || image.size() > kFirmwareImageSize)
    throw TCliError{kExitFile, "a firmware image has " + std::to_string(shortest) + " to " +
                                   std::to_string(kFirmwareImageSize) + " bytes; " + o.Args[0] + " has " +
                                   std::to_string(image.size())};
  WriteWholeFile(o.Args[1], EncipherFirmware(image, key));
  return kExitOk;
}

int Unpack(TCliOptions& o) {
  RequireArgs(o, 2, "firmware-unpack FILE OUT");
  const std::vector<uint8_t> key = KeyOf(o);
  const std::vector<uint8_t> file = ReadWholeFile(o.Args[0]);
  std::vector<uint8_t> content;
  try {
    content = DecipherFirmware(file, key);
  } catch (const TError& e) {
    throw TCliError{kExitFile, o.Args[0] + ": " + e.what()};
  }
  WriteWholeFile(o.Args[1], content);
  return kExitOk;
}

int Update(TCliOptions& o) {
  RequireArgs(o, 1, "firmware-update FILE");
  TConsoleUserInterface ui;
  ui.AssumeYes = o.Flags.count("yes") > 0;
  TStopOnSignals stop;
  TProgrammerSession session(o, ui);
  RequireProgrammer(session, ui);

  std::string loadError;
  TFirmwareUpdateHooks hooks;
  hooks.LoadFile = [&](std::span<uint8_t> image) {
    try {
      ReadFirmwareFile(o.Args[0], image.data());
      return true;
    } catch (const std::exception& e) {
      loadError = e.what();
      return false;
    }
  };
  switch (RunFirmwareUpdate(session.Programmer, ui, hooks)) {
    case TFirmwareUpdateResult::NoProgrammer: return ProgrammerExitCode(session.Programmer);
    case TFirmwareUpdateResult::InfoRefused:
      throw TCliError{kExitProgrammer, "the programmer did not accept the firmware information request"};
    case TFirmwareUpdateResult::NotLoaded: throw TCliError{kExitFile, o.Args[0] + ": " + loadError};
    case TFirmwareUpdateResult::NotConfirmed:
      if (stop.Requested()) return TStopOnSignals::ExitCode();
      std::cerr << "tesmaro-cli: not confirmed; nothing was sent to the programmer\n";
      return kExitOk;
    case TFirmwareUpdateResult::VerifyFailed: return kExitDifferent;
    case TFirmwareUpdateResult::Stopped: return TStopOnSignals::ExitCode();
    case TFirmwareUpdateResult::Updated: return kExitOk;
  }
  return kExitOk;
}

}  // namespace

void AddFirmwareCommands(std::vector<TCliCommand>& out) {
  out.push_back({"firmware-pack",
                 "firmware-pack IMAGE OUT",
                 "encipher a firmware image into an update file (--key HEX: another key)",
                 {"key"},
                 {},
                 Pack});
  out.push_back({"firmware-unpack",
                 "firmware-unpack FILE OUT",
                 "decipher an update file into its firmware image (--key HEX: another key)",
                 {"key"},
                 {},
                 Unpack});
  out.push_back({"firmware-update",
                 "firmware-update FILE",
                 "replace the programmer's firmware from an update file (--yes: no question)",
                 {},
                 {"yes"},
                 Update});
}
