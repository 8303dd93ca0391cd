#include "catalogue/catalogue_check.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "buffer/memory_buffer.h"
#include "catalogue/access_scheme.h"
#include "common/ini_file.h"
#include "common/integer.h"

namespace {

const char* const kFieldNames[] = {"Status", "Size", "PageSize", "Org", "Jumper"};

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

// One key line, read by the same rules as the INI reader.
struct TEntry {
  int Line;
  std::string Family;  // as its first header spells it
  std::string Key;
  std::string Value;
};

struct TFamilyInfo {
  std::string Name;
  int HeaderLine = 0;
  std::optional<TEntry> Type;  // the first "type" key
};

// A line the INI reader reads as nothing, or not as the user meant it.
struct TStray {
  int Line;
  TCatalogueProblem Problem;
  std::string Family, Key, Text;
};

// What the INI reader makes of a catalogue file, and the lines it passes over.
struct TParsed {
  std::vector<TFamilyInfo> Families;
  std::vector<TEntry> Entries;
  std::vector<TStray> Strays;
};

TParsed Parse(const std::string& file) {
  std::string content;
  {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    std::ostringstream ss;
    ss << in.rdbuf();
    content = ss.str();
  }
  if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) content.erase(0, 3);

  // A repeated section is one family.
  TParsed out;
  std::map<std::string, size_t> familyIndex;
  std::istringstream lines(content);
  std::string text;
  int lineNo = 0;
  int family = -1;
  while (std::getline(lines, text)) {
    ++lineNo;
    const std::string t = TrimBlanks(text);
    if (t.empty() || t[0] == ';') continue;
    if (t[0] == '[') {
      size_t close = t.find(']');
      std::string name = TrimBlanks(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      auto [it, added] = familyIndex.emplace(Upper(name), out.Families.size());
      if (added) out.Families.push_back(TFamilyInfo{name, lineNo, std::nullopt});
      family = static_cast<int>(it->second);
      continue;
    }
    const size_t eq = t.find('=');
    const std::string familyName = family < 0 ? std::string() : out.Families[static_cast<size_t>(family)].Name;
    if (eq == std::string::npos) {
      // A '#' line without '=' is passed over as the user meant it, as a comment.
      if (t[0] != '#') out.Strays.push_back({lineNo, TCatalogueProblem::NoEquals, familyName, "", t});
      continue;
    }
    TEntry e{lineNo, familyName, TrimBlanks(t.substr(0, eq)), TrimBlanks(t.substr(eq + 1))};
    if (e.Key.empty()) continue;
    if (family < 0) {
      out.Strays.push_back({lineNo, TCatalogueProblem::KeyBeforeSection, "", "", t});
      continue;
    }
    if (t[0] == '#') {
      out.Strays.push_back({lineNo, TCatalogueProblem::HashLine, familyName, e.Key, t});
      continue;
    }
    TFamilyInfo& f = out.Families[static_cast<size_t>(family)];
    if (SameText(e.Key, "type") && !f.Type) f.Type = e;
    out.Entries.push_back(std::move(e));
  }
  return out;
}

// A family's type as the catalogue reads it: 1, 2 or 3, or none.
std::optional<int32_t> TypeOf(const TFamilyInfo& f) {
  if (!f.Type) return std::nullopt;
  const std::optional<int32_t> type = TryReadInteger(f.Type->Value);
  if (!type || !KnownChipType(*type)) return std::nullopt;
  return type;
}

std::vector<std::string> SplitFields(const std::string& value) {
  std::vector<std::string> out;
  size_t start = 0;
  while (true) {
    size_t comma = value.find(',', start);
    out.push_back(value.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) return out;
    start = comma + 1;
  }
}

}  // namespace

std::string CatalogueProblemKey(TCatalogueProblem problem) {
  switch (problem) {
    case TCatalogueProblem::NotInteger: return "CatNotInteger";
    case TCatalogueProblem::TooFewFields: return "CatFewFields";
    case TCatalogueProblem::BadSize: return "CatBadSize";
    case TCatalogueProblem::PageNotDividing: return "CatBadPageSize";
    case TCatalogueProblem::BadOrg: return "CatBadOrg";
    case TCatalogueProblem::UnknownType: return "CatUnknownType";
    case TCatalogueProblem::NoType: return "CatNoType";
    case TCatalogueProblem::RepeatedKey: return "CatRepeatedKey";
    case TCatalogueProblem::NoEquals: return "CatNoEquals";
    case TCatalogueProblem::KeyBeforeSection: return "CatKeyBeforeSection";
    case TCatalogueProblem::HashLine: return "CatHashLine";
    case TCatalogueProblem::Type1Above64K: return "CatType1Above64K";
    case TCatalogueProblem::SizeNotBlocks: return "CatSizeNotBlocks";
    case TCatalogueProblem::NameInTwoFamilies: return "CatNameInTwoFamilies";
  }
  return {};
}

std::vector<TCatalogueFinding> CheckCatalogue(const std::string& file, const std::vector<std::string>& context) {
  const TParsed parsed = Parse(file);
  std::vector<TCatalogueFinding> out;
  auto add = [&](int line, TCatalogueProblem p, const std::string& fam, const std::string& key,
                 std::vector<std::string> values) {
    out.push_back({file, line, p, fam, key, std::move(values)});
  };
  for (const TStray& s : parsed.Strays) add(s.Line, s.Problem, s.Family, s.Key, {s.Text});

  // What the rest of the merged catalogue says: family types, and where each chip name stands.
  struct TPlace {
    std::string Family, Where;
  };
  std::map<std::string, std::optional<int32_t>> contextTypes;
  std::map<std::string, TPlace> places;  // chip name, upper-cased
  for (const std::string& other : context) {
    if (other == file) continue;
    const TParsed p = Parse(other);
    for (const auto& f : p.Families)
      if (auto type = TypeOf(f); type && !contextTypes[Upper(f.Name)]) contextTypes[Upper(f.Name)] = type;
    for (const auto& e : p.Entries)
      if (!SameText(e.Key, "type"))
        places.emplace(Upper(e.Key), TPlace{e.Family, other + ":" + std::to_string(e.Line)});
  }

  std::map<std::string, std::optional<int32_t>> typeOf;  // per family: a known type, or none
  for (const auto& f : parsed.Families) {
    std::optional<int32_t> type = TypeOf(f);
    if (f.Type && !type) add(f.Type->Line, TCatalogueProblem::UnknownType, f.Name, f.Type->Key, {f.Type->Value});
    if (!f.Type) {
      type = contextTypes[Upper(f.Name)];
      if (!type) add(f.HeaderLine, TCatalogueProblem::NoType, f.Name, "", {});
    }
    typeOf[Upper(f.Name)] = type;
  }

  // In file order: repeated keys, chips in two families, then the fields of each chip.
  std::map<std::string, int> firstLine;  // family and key, upper-cased -> line of the first
  for (const auto& e : parsed.Entries) {
    auto [it, added] = firstLine.emplace(Upper(e.Family) + '\n' + Upper(e.Key), e.Line);
    if (!added) {
      add(e.Line, TCatalogueProblem::RepeatedKey, e.Family, e.Key, {std::to_string(it->second)});
      continue;
    }
    if (SameText(e.Key, "type")) continue;
    const auto [place, first] = places.emplace(Upper(e.Key), TPlace{e.Family, file + ":" + std::to_string(e.Line)});
    if (!first && Upper(place->second.Family) != Upper(e.Family))
      add(e.Line, TCatalogueProblem::NameInTwoFamilies, e.Family, e.Key, {place->second.Family, place->second.Where});
    const std::vector<std::string> fields = SplitFields(e.Value);
    std::optional<int32_t> v[5];
    for (size_t i = 0; i < 5 && i < fields.size(); ++i) {
      v[i] = TryReadInteger(fields[i]);
      if (!v[i]) add(e.Line, TCatalogueProblem::NotInteger, e.Family, e.Key, {kFieldNames[i], TrimBlanks(fields[i])});
    }
    if (fields.size() < 5)
      add(e.Line, TCatalogueProblem::TooFewFields, e.Family, e.Key, {std::to_string(fields.size())});
    const auto& size = v[1];
    const bool sizeOk = size && *size >= 1 && *size <= static_cast<int32_t>(kMemoryBufferSize);
    if (size && !sizeOk) add(e.Line, TCatalogueProblem::BadSize, e.Family, e.Key, {std::to_string(*size)});
    const std::optional<int32_t> type = typeOf[Upper(e.Family)];
    if (!type) continue;
    const TAccessSchemeInfo& scheme = AccessSchemeOf(*type);
    if (scheme.PageSizeMatters && sizeOk && v[2] && (*v[2] < 1 || *size % *v[2] != 0))
      add(e.Line, TCatalogueProblem::PageNotDividing, e.Family, e.Key, {std::to_string(*v[2]), std::to_string(*size)});
    const bool blocks = scheme.ReadUnit == TTransferUnit::Block;
    if (blocks && sizeOk && *size % kReadBlockBytes != 0)
      add(e.Line, TCatalogueProblem::SizeNotBlocks, e.Family, e.Key, {std::to_string(*size)});
    // Byte addresses beyond what the scheme's address bytes carry would wrap round to the start.
    if (blocks && sizeOk && *size > (int64_t{1} << (8 * scheme.AddressBytes)))
      add(e.Line, TCatalogueProblem::Type1Above64K, e.Family, e.Key, {std::to_string(*size)});
    if (scheme.OrgMatters && v[3] && *v[3] != 0 && *v[3] != 1)
      add(e.Line, TCatalogueProblem::BadOrg, e.Family, e.Key, {std::to_string(*v[3])});
  }
  std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.Line < b.Line; });
  return out;
}
