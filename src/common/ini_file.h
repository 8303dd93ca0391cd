// One INI file class for the catalogue and the settings file: names match without regard
// to case, blanks around names and values are ignored, sections and keys keep file order,
// and a write updates the file at once, leaving every other line as it was. A UTF-8 byte-order
// mark at the start is skipped (and kept when the file is written); a section that stands twice
// is one section, whose first value of each key wins.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class TIniFile {
 public:
  // Reads the file once; a missing or unreadable file reads as an empty one.
  explicit TIniFile(std::string fileName);

  const std::string& FileName() const { return FileName_; }

  // Section names in file order (a repeated section is listed once, at its first place).
  std::vector<std::string> ReadSections() const;
  // Key names of a section in file order (a repeated key is listed once); the keys of a later
  // block of the same section follow those of the earlier ones.
  std::vector<std::string> ReadSection(const std::string& section) const;
  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;

  // The value of the first matching key of the first matching section.
  std::optional<std::string> Read(const std::string& section, const std::string& key) const;
  std::string ReadString(const std::string& section, const std::string& key, const std::string& fallback) const;
  // Reads by the integer rule; text that does not read gives the fallback.
  int32_t ReadInteger(const std::string& section, const std::string& key, int32_t fallback) const;

  // Rewrites the key in place or adds it (creating the section and the file when missing).
  // Throws TError "Unable to write to <full file name>" when the file can't be written.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int32_t value);

 private:
  struct TLine {
    std::string Text;  // the line as it stands, without its line break
    int Section = -1;  // index into Sections_ of the section this line opens or belongs to
    bool IsHeader = false;
    std::string Key;    // trimmed key for key lines, empty otherwise
    std::string Value;  // trimmed value for key lines
  };
  void Parse(const std::string& content);
  int FindSection(const std::string& section) const;
  int FindLine(const std::string& section, const std::string& key) const;

  std::string FileName_;
  std::vector<TLine> Lines_;
  std::vector<std::string> Sections_;  // every header in file order (duplicates included)
  std::vector<int> SameAs_;            // per header: the first header of the same name
  bool Bom_ = false;                   // the file starts with a UTF-8 byte-order mark
  std::string LineBreak_;
  // Lookups by upper-cased name, so a catalogue of many thousand chips reads in linear time:
  // the first header of each section name, and per first header the first line of each key
  // over every block of that section, and the key lines of those blocks in file order.
  std::unordered_map<std::string, int> FirstSection_;
  std::vector<std::unordered_map<std::string, int>> FirstKey_;
  std::vector<std::vector<int>> KeyLines_;
};

// Trims blanks (spaces, tabs and other control characters) at both ends.
std::string TrimBlanks(const std::string& s);
// Compares two names without regard to ASCII letter case.
bool SameText(const std::string& a, const std::string& b);
