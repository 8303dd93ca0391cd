// The chip catalogue as the program sees it: one or more catalogue files merged in order. Later
// files add families and chips; a chip (or "type") of a family that an earlier file already
// holds replaces the earlier entry in its place. Within one file the first entry still wins.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class TCatalogue {
 public:
  // Reads the files afresh; missing or unreadable ones add nothing.
  explicit TCatalogue(const std::vector<std::string>& files);

  // Family names in order: those of the first file, then new ones of later files.
  std::vector<std::string> Families() const;
  // The keys of a family in order, "type" included; empty for an unknown family.
  std::vector<std::string> Keys(const std::string& family) const;
  // The value of a key (names match without regard to letter case).
  std::optional<std::string> Read(const std::string& family, const std::string& key) const;
  // The family's "type" read by the integer rule, 0 when missing or unreadable.
  int32_t Type(const std::string& family) const;

 private:
  struct TFamily {
    std::string Name;
    std::vector<std::pair<std::string, std::string>> Keys;  // name, value in order
    std::unordered_map<std::string, size_t> Index;          // upper-cased name -> place in Keys
  };
  const TFamily* Find(const std::string& family) const;

  std::vector<TFamily> Families_;
  std::unordered_map<std::string, size_t> Index_;  // upper-cased family name -> place in Families_
};
