#include "common/ini_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/error.h"
#include "common/integer.h"
#include "common/safe_file_writer.h"

namespace {

#ifdef _WIN32
const char* const kDefaultLineBreak = "\r\n";
#else
const char* const kDefaultLineBreak = "\n";
#endif

bool ReadWholeFile(const std::string& name, std::string& out) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(name, ec)) return false;
  std::ifstream in(name, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  out = ss.str();
  return true;
}

// ASCII letters in upper case: the key of the lookups, matching as SameText does.
std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

std::string FullName(const std::string& name) {
  std::error_code ec;
  auto p = std::filesystem::absolute(name, ec);
  return ec ? name : p.lexically_normal().string();
}

}  // namespace

std::string TrimBlanks(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x -= 32;
    if (y >= 'a' && y <= 'z') y -= 32;
    if (x != y) return false;
  }
  return true;
}

TIniFile::TIniFile(std::string fileName) : FileName_(std::move(fileName)) {
  std::string content;
  ReadWholeFile(FileName_, content);
  Parse(content);
}

void TIniFile::Parse(const std::string& content) {
  Lines_.clear();
  Sections_.clear();
  FirstSection_.clear();
  FirstKey_.clear();
  KeyLines_.clear();
  SameAs_.clear();
  LineBreak_ = kDefaultLineBreak;
  bool firstBreak = true;
  size_t pos = 0;
  // A byte-order mark would otherwise become part of the first line and hide its section.
  Bom_ = content.compare(0, 3, "\xEF\xBB\xBF") == 0;
  if (Bom_) pos = 3;
  int section = -1;
  while (pos < content.size()) {
    size_t nl = content.find('\n', pos);
    size_t end = nl == std::string::npos ? content.size() : nl;
    TLine line;
    line.Text = content.substr(pos, end - pos);
    if (!line.Text.empty() && line.Text.back() == '\r') {
      line.Text.pop_back();
      if (firstBreak) LineBreak_ = "\r\n";
    } else if (nl != std::string::npos && firstBreak) {
      LineBreak_ = "\n";
    }
    if (nl != std::string::npos) firstBreak = false;
    std::string t = TrimBlanks(line.Text);
    if (!t.empty() && t[0] == '[') {
      size_t close = t.find(']');
      std::string name = TrimBlanks(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      Sections_.push_back(name);
      section = static_cast<int>(Sections_.size()) - 1;
      SameAs_.push_back(FirstSection_.emplace(Upper(name), section).first->second);
      FirstKey_.emplace_back();
      KeyLines_.emplace_back();
      line.IsHeader = true;
    } else if (!t.empty() && t[0] != ';') {
      size_t eq = t.find('=');
      if (eq != std::string::npos) {
        line.Key = TrimBlanks(t.substr(0, eq));
        line.Value = TrimBlanks(t.substr(eq + 1));
      }
    }
    line.Section = section;
    if (section >= 0 && !line.Key.empty()) {
      const int first = SameAs_[section];
      FirstKey_[first].emplace(Upper(line.Key), static_cast<int>(Lines_.size()));
      KeyLines_[first].push_back(static_cast<int>(Lines_.size()));
    }
    Lines_.push_back(std::move(line));
    pos = nl == std::string::npos ? content.size() : nl + 1;
  }
}

std::vector<std::string> TIniFile::ReadSections() const {
  std::vector<std::string> out;
  for (size_t i = 0; i < Sections_.size(); ++i)
    if (FindSection(Sections_[i]) == static_cast<int>(i)) out.push_back(Sections_[i]);
  return out;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
  std::vector<std::string> out;
  int first = FindSection(section);
  if (first < 0) return out;
  for (int i : KeyLines_[first])
    if (FirstKey_[first].at(Upper(Lines_[i].Key)) == i) out.push_back(Lines_[i].Key);
  return out;
}

bool TIniFile::SectionExists(const std::string& section) const { return FindSection(section) >= 0; }

int TIniFile::FindSection(const std::string& section) const {
  auto it = FirstSection_.find(Upper(section));
  return it == FirstSection_.end() ? -1 : it->second;
}

int TIniFile::FindLine(const std::string& section, const std::string& key) const {
  int first = FindSection(section);
  if (first < 0) return -1;
  auto it = FirstKey_[first].find(Upper(key));
  return it == FirstKey_[first].end() ? -1 : it->second;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
  return FindLine(section, key) >= 0;
}

std::optional<std::string> TIniFile::Read(const std::string& section, const std::string& key) const {
  int i = FindLine(section, key);
  if (i < 0) return std::nullopt;
  return Lines_[i].Value;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& fallback) const {
  auto v = Read(section, key);
  return v ? *v : fallback;
}

int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key, int32_t fallback) const {
  auto v = Read(section, key);
  return v ? ReadIntegerOr(*v, fallback) : fallback;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  // Start from the file as it is now, so a write never undoes another writer's keys.
  std::string content;
  ReadWholeFile(FileName_, content);
  Parse(content);

  std::string newLine = key + "=" + value;
  int at = FindLine(section, key);
  if (at >= 0) {
    Lines_[at].Text = newLine;
  } else {
    int first = FindSection(section);
    TLine l;
    l.Text = newLine;
    if (first < 0) {
      TLine h;
      h.Text = "[" + section + "]";
      if (!Lines_.empty() && !TrimBlanks(Lines_.back().Text).empty()) Lines_.push_back(TLine{});
      Lines_.push_back(h);
      Lines_.push_back(l);
    } else {
      // After the last key line of the section (blank lines and comments that close it stay after).
      size_t insertAt = 0;
      for (size_t i = 0; i < Lines_.size(); ++i)
        if (Lines_[i].Section == first && (Lines_[i].IsHeader || !Lines_[i].Key.empty())) insertAt = i + 1;
      Lines_.insert(Lines_.begin() + static_cast<long>(insertAt), l);
    }
  }
  std::string out = Bom_ ? "\xEF\xBB\xBF" : "";
  for (const auto& l : Lines_) {
    out += l.Text;
    out += LineBreak_;
  }

  // A settings file kept in a per-user folder gets its folder at the first write.
  std::error_code ec;
  auto parent = std::filesystem::path(FileName_).parent_path();
  if (!parent.empty() && !std::filesystem::exists(parent, ec)) std::filesystem::create_directories(parent, ec);
  // A new file is complete before it replaces the old one, so a full disk keeps the old settings.
  TSafeFileWriter writer(FileName_);
  TFileFailure failure = writer.Open();
  if (!failure) failure = writer.Write(out.data(), out.size());
  if (!failure) failure = writer.Commit();
  if (failure) throw TError(TMessageKey{"UnableToWrite"}, {FullName(FileName_)});
  Parse(out);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}
