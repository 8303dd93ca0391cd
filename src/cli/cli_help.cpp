#include "cli/cli_help.h"

#include <algorithm>

#include "cli/cli_parser.h"
#include "simulator/simulation.h"

namespace {

struct TExample {
  const char* Command;
  const char* Line;
};

// clang-format off
constexpr TExample kExamples[] = {
    {"info",            "tesmaro-cli --chip 24C64 info --json"},
    {"chips",           "tesmaro-cli chips"},
    {"catalogue-check", "tesmaro-cli catalogue-check ~/.config/tesmaro/see.ini"},
    {"convert",         "tesmaro-cli --chip 24C64 convert image.bin image.hex"},
    {"checksum",        "tesmaro-cli --chip 24C64 checksum image.hex"},
    {"compare",         "tesmaro-cli --chip 24C64 compare a.hex b.s19 --ignore 0x1FFC:4"},
    {"version",         "tesmaro-cli --simulate version"},
    {"read",            "tesmaro-cli --chip 24C64 read chip.hex"},
    {"write",           "tesmaro-cli --chip 24C64 write image.hex"},
    {"verify",          "tesmaro-cli --chip 24C64 verify image.hex --serial 0x1FFC:1000"},
    {"blank-check",     "tesmaro-cli --chip 24C64 blank-check"},
    {"erase",           "tesmaro-cli --chip 24C64 erase --yes"},
    {"detect",          "tesmaro-cli --chip 24C64 detect"},
    {"backups",         "tesmaro-cli backups --backup kept/ --json"},
    {"restore",         "tesmaro-cli --chip 24C64 restore kept/24C64_2026-01-02_14-03-07.bin"},
    {"firmware-pack",   "tesmaro-cli firmware-pack firmware.bin firmware.TesmaroUpdatePart"},
    {"firmware-unpack", "tesmaro-cli firmware-unpack firmware.TesmaroUpdatePart firmware.bin"},
    {"firmware-update", "tesmaro-cli firmware-update firmware.TesmaroUpdatePart"},
    {"devices",         "tesmaro-cli --simulate --simulate devices"},
    {"doctor",          "tesmaro-cli doctor"},
};
// clang-format on

constexpr size_t kHelpColumn = 24;     // where the help texts of the options start
constexpr size_t kCommandColumn = 28;  // where the summaries of the commands start
constexpr size_t kHelpWidth = 100;

// text that starts at column, broken into lines of at most kHelpWidth columns, every one after
// the first indented to column.
std::string Wrapped(const std::string& text, size_t column = kHelpColumn) {
  std::string out, line;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (!line.empty() && column + line.size() + 1 + word.size() > kHelpWidth) {
      out += line + "\n" + std::string(column, ' ');
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
    start = end + 1;
  }
  return out + line + "\n";
}

// "  --name ARG" padded to the help column, then the help text.
std::string OptionLine(const TCliOptionRow& row) {
  std::string left = std::string("  --") + row.Name;
  if (*row.Argument) left += (row.Argument[0] == '[' ? "" : " ") + std::string(row.Argument);
  left += left.size() + 2 <= kHelpColumn ? std::string(kHelpColumn - left.size(), ' ')
                                         : "\n" + std::string(kHelpColumn, ' ');
  return left + Wrapped(row.Help);
}

}  // namespace

std::string CommandExample(const std::string& name) {
  for (const auto& e : kExamples)
    if (name == e.Command) return e.Line;
  return "";
}

std::string ProgramHelp() {
  std::string out =
      "Usage: tesmaro-cli [OPTIONS] COMMAND [ARGS] [OPTIONS]\n"
      "       tesmaro-cli help COMMAND      (or COMMAND --help): the command's options and an example\n\n"
      "Options (before or after the command):\n";
  for (const auto& row : CliOptionRows())
    if (row.Global) out += OptionLine(row);
  out += SimulationOptionsHelp();
  out +=
      "                     with several --simulate: a --sim-fault belongs to the one before it\n\n"
      "Options of some commands:\n";
  for (const auto& row : CliOptionRows())
    if (!row.Global) out += OptionLine(row);
  out += "\nCommands:\n";
  for (const auto& c : CliCommands()) {
    const std::string u = std::string("  ") + c.Usage;
    out += u +
           (u.size() + 2 <= kCommandColumn ? std::string(kCommandColumn - u.size(), ' ')
                                           : "\n" + std::string(kCommandColumn, ' ')) +
           Wrapped(c.Summary, kCommandColumn);
  }
  out +=
      "\nA file named - is standard input (read by write, verify, convert, compare, checksum) or standard\n"
      "output (read, convert). After -- every argument is a file, also one whose name starts with -.\n"
      "Image formats: .hex .ihx .ihex Intel HEX; .s19 .s28 .s37 .srec .mot .s Motorola S-records; other\n"
      "input files and standard input are read by their content (Intel HEX, S-records, else binary),\n"
      "other output files are written as binary. --offset ADDR (such as\n"
      "0x810000) is subtracted from every address of an Intel HEX or S-record file; binary images have no\n"
      "addresses and always load at 0.\n"
      "\nExit codes: 0 success (compare: the images are the same), 1 difference found (compare,\n"
      "verify, write, erase: the chip differs; blank-check: the chip is not blank; catalogue-check:\n"
      "problems found), 2 usage error or unusable chip (also erase declined: no --yes and no\n"
      "terminal to ask on), 3 file or data error (also an output that can't be written), 4 programmer\n"
      "not found, not answering or unplugged, 5 no permission to use the programmer, 6 programmer in\n"
      "use by another program, 7 a result that may be wrong (the reads of --reads N disagreed without\n"
      "--majority, or a warning with --strict), 130 / 143 stopped by SIGINT / SIGTERM (chip closed, no\n"
      "output file).\n"
      "doctor exits with the code of the first broken link (4, 5, 6).\n";
  return out;
}

std::string CommandHelp(const TCliCommand& c) {
  std::string out = std::string("Usage: tesmaro-cli [OPTIONS] ") + c.Usage + "\n" + c.Summary + "\n";
  std::vector<std::string> own = c.ValueFlags;
  own.insert(own.end(), c.SwitchFlags.begin(), c.SwitchFlags.end());
  if (!own.empty()) {
    out += "\nOptions of " + std::string(c.Name) + ":\n";
    // In the table's order; an option without a row still shows its name.
    for (const auto& row : CliOptionRows())
      if (std::find(own.begin(), own.end(), row.Name) != own.end()) out += OptionLine(row);
    for (const auto& name : own)
      if (!FindOptionRow(name)) out += "  --" + name + "\n";
  }
  out += "\nGlobal options:";
  for (const auto& row : CliOptionRows())
    if (row.Global) out += std::string(" --") + row.Name;
  out += " --sim-... (see tesmaro-cli --help)\n";
  if (const std::string example = CommandExample(c.Name); !example.empty()) out += "\nExample:\n  " + example + "\n";
  return out;
}
