#include "catalogue/catalogue.h"

#include "common/ini_file.h"
#include "common/integer.h"

namespace {
std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}
}  // namespace

TCatalogue::TCatalogue(const std::vector<std::string>& files) {
  for (const auto& file : files) {
    if (file.empty()) continue;
    TIniFile ini(file);
    for (const auto& section : ini.ReadSections()) {
      auto [at, added] = Index_.emplace(Upper(section), Families_.size());
      if (added) Families_.push_back(TFamily{section, {}, {}});
      TFamily& family = Families_[at->second];
      for (const auto& key : ini.ReadSection(section)) {
        std::string value = ini.ReadString(section, key, "");
        auto [k, newKey] = family.Index.emplace(Upper(key), family.Keys.size());
        if (newKey)
          family.Keys.emplace_back(key, std::move(value));
        else
          family.Keys[k->second].second = std::move(value);
      }
    }
  }
}

const TCatalogue::TFamily* TCatalogue::Find(const std::string& family) const {
  auto it = Index_.find(Upper(family));
  return it == Index_.end() ? nullptr : &Families_[it->second];
}

std::vector<std::string> TCatalogue::Families() const {
  std::vector<std::string> out;
  out.reserve(Families_.size());
  for (const auto& f : Families_) out.push_back(f.Name);
  return out;
}

std::vector<std::string> TCatalogue::Keys(const std::string& family) const {
  std::vector<std::string> out;
  if (const TFamily* f = Find(family))
    for (const auto& k : f->Keys) out.push_back(k.first);
  return out;
}

std::optional<std::string> TCatalogue::Read(const std::string& family, const std::string& key) const {
  const TFamily* f = Find(family);
  if (!f) return std::nullopt;
  auto it = f->Index.find(Upper(key));
  if (it == f->Index.end()) return std::nullopt;
  return f->Keys[it->second].second;
}

int32_t TCatalogue::Type(const std::string& family) const {
  auto v = Read(family, "type");
  return v ? ReadIntegerOr(*v, 0) : 0;
}
