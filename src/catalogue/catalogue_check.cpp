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
  }
  return {};
}

std::vector<TCatalogueFinding> CheckCatalogue(const std::string& file) {
  std::string content;
  {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    std::ostringstream ss;
    ss << in.rdbuf();
    content = ss.str();
  }
  if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) content.erase(0, 3);

  // First pass: the families (a repeated section is one family), their types and the key lines.
  std::vector<TFamilyInfo> families;
  std::map<std::string, size_t> familyIndex;
  std::vector<TEntry> entries;
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
      auto [it, added] = familyIndex.emplace(Upper(name), families.size());
      if (added) families.push_back(TFamilyInfo{name, lineNo, std::nullopt});
      family = static_cast<int>(it->second);
      continue;
    }
    size_t eq = t.find('=');
    if (family < 0 || eq == std::string::npos) continue;
    TEntry e{lineNo, families[static_cast<size_t>(family)].Name, TrimBlanks(t.substr(0, eq)),
             TrimBlanks(t.substr(eq + 1))};
    if (e.Key.empty()) continue;
    if (SameText(e.Key, "type") && !families[static_cast<size_t>(family)].Type)
      families[static_cast<size_t>(family)].Type = e;
    entries.push_back(std::move(e));
  }

  std::vector<TCatalogueFinding> out;
  auto add = [&](int line, TCatalogueProblem p, const std::string& fam, const std::string& key,
                 std::vector<std::string> values) {
    out.push_back({file, line, p, fam, key, std::move(values)});
  };

  std::map<std::string, std::optional<int32_t>> typeOf;  // per family: a known type, or none
  for (const auto& f : families) {
    std::optional<int32_t> type;
    if (!f.Type) {
      add(f.HeaderLine, TCatalogueProblem::NoType, f.Name, "", {});
    } else {
      type = TryReadInteger(f.Type->Value);
      if (!type || !KnownChipType(*type)) {
        add(f.Type->Line, TCatalogueProblem::UnknownType, f.Name, f.Type->Key, {f.Type->Value});
        type.reset();
      }
    }
    typeOf[Upper(f.Name)] = type;
  }

  // Second pass, in file order: repeated keys, then the fields of each chip.
  std::map<std::string, int> firstLine;  // family and key, upper-cased -> line of the first
  for (const auto& e : entries) {
    auto [it, added] = firstLine.emplace(Upper(e.Family) + '\n' + Upper(e.Key), e.Line);
    if (!added) {
      add(e.Line, TCatalogueProblem::RepeatedKey, e.Family, e.Key, {std::to_string(it->second)});
      continue;
    }
    if (SameText(e.Key, "type")) continue;
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
    if (scheme.OrgMatters && v[3] && *v[3] != 0 && *v[3] != 1)
      add(e.Line, TCatalogueProblem::BadOrg, e.Family, e.Key, {std::to_string(*v[3])});
  }
  std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.Line < b.Line; });
  return out;
}
