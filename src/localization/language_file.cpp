#include "localization/language_file.h"

#include <QFile>
#include <cerrno>

#include "common/safe_file_writer.h"
#include "localization/char_sets.h"
#include "localization/localization_error.h"
#include "localization/value_encoding.h"

namespace {

const char* const kGeneralSettings = "GENERAL SETTINGS";
const char* const kFontCharSet = "FONTCHARSET";

QByteArray TrimBytes(const QByteArray& s) {
  qsizetype b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.mid(b, e - b);
}

QByteArray AsciiUpper(QByteArray s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

}  // namespace

TQLanguageFile::TQLanguageFile(QString fileName) : FileName_(std::move(fileName)) {
  QFile f(FileName_);
  if (!FileName_.isEmpty() && f.open(QIODevice::ReadOnly)) Parse(f.readAll());
  Reindex();
}

void TQLanguageFile::Parse(const QByteArray& content) {
  Sections_.clear();
  qsizetype pos = 0;
  const qsizetype n = content.size();
  while (pos < n) {
    qsizetype end = pos;
    while (end < n && content[end] != '\r' && content[end] != '\n') ++end;
    QByteArray line = TrimBytes(content.mid(pos, end - pos));
    pos = end;
    if (pos < n && content[pos] == '\r') ++pos;
    if (pos < n && content[pos] == '\n') ++pos;

    if (line.isEmpty() || line[0] == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      Sections_.push_back({TrimBytes(line.mid(1, line.size() - 2)), {}, {}});
      continue;
    }
    if (Sections_.empty()) continue;  // lines before the first section
    TLine l;
    qsizetype eq = line.indexOf('=');
    if (eq >= 0) {
      l.HasKey = true;
      l.Key = TrimBytes(line.left(eq));
      l.Value = TrimBytes(line.mid(eq + 1));
      l.Text = l.Key + '=' + l.Value;
    } else {
      l.Text = line;
    }
    Sections_.back().Lines.push_back(std::move(l));
  }
}

// Finds the character set in "General Settings" (names there are plain ASCII), then indexes
// section names and keys as text of that character set's code page.
void TQLanguageFile::Reindex() {
  CharSet_ = kDefaultCharSet;
  for (const TSection& s : Sections_) {
    if (AsciiUpper(s.Name) != kGeneralSettings) continue;
    for (const TLine& l : s.Lines)
      if (l.HasKey && AsciiUpper(l.Key) == kFontCharSet)
        CharSet_ = CharSetFromName(DecodeValue(QString::fromLatin1(l.Value)));
  }
  SectionIndex_.clear();
  for (int i = 0; i < static_cast<int>(Sections_.size()); ++i) {
    TSection& s = Sections_[i];
    SectionIndex_.insert(Text(s.Name).toUpper(), i);
    s.KeyIndex.clear();
    for (int j = 0; j < static_cast<int>(s.Lines.size()); ++j)
      if (s.Lines[j].HasKey) s.KeyIndex.insert(Text(s.Lines[j].Key).toUpper(), j);
  }
}

const char* TQLanguageFile::CodePage() const { return CodePageOfCharSet(CharSet_); }

QString TQLanguageFile::Text(const QByteArray& bytes) const { return ToUnicode(bytes, CodePage()); }

// Escape runs give bytes of the file's code page, so values are decoded before conversion.
QString TQLanguageFile::DecodeStored(const QByteArray& stored, const char* codePage) {
  return ToUnicode(DecodeValue(QString::fromLatin1(stored)).toLatin1(), codePage);
}

const TQLanguageFile::TSection* TQLanguageFile::Find(const QString& section) const {
  auto it = SectionIndex_.constFind(section.toUpper());
  return it == SectionIndex_.constEnd() ? nullptr : &Sections_[*it];
}

bool TQLanguageFile::SectionExists(const QString& section) const { return Find(section) != nullptr; }

QString TQLanguageFile::ReadString(const QString& section, const QString& ident, const QString& defaultValue) const {
  if (const TSection* s = Find(section)) {
    auto it = s->KeyIndex.constFind(ident.toUpper());
    if (it != s->KeyIndex.constEnd()) return DecodeStored(s->Lines[*it].Value, CodePage());
  }
  return DecodeValue(defaultValue);
}

void TQLanguageFile::ReadSectionValues(const QString& section, QStringList& list) const {
  list.clear();
  const TSection* s = Find(section);
  if (!s) return;
  QHash<QString, bool> listed;
  for (const TLine& l : s->Lines) {
    if (!l.HasKey) continue;
    const QString key = Text(l.Key);
    const QString upper = key.toUpper();
    if (listed.contains(upper)) continue;
    listed.insert(upper, true);
    // The later line of a repeated key is the one found.
    QString text = DecodeStored(s->Lines[s->KeyIndex.value(upper)].Value, CodePage());
    if (!text.isEmpty()) list << key + u'=' + text;
  }
}

QStringList TQLanguageFile::ReadSections() const {
  QStringList out;
  for (const TSection& s : Sections_) out << Text(s.Name);
  return out;
}

void TQLanguageFile::WriteString(const QString& section, const QString& ident, const QString& value) {
  const char* cp = CodePage();
  TLine line;
  line.HasKey = true;
  line.Key = FromUnicode(ident, cp);
  line.Value = FromUnicode(EncodeValue(value), cp);
  line.Text = line.Key + '=' + line.Value;

  auto sit = SectionIndex_.constFind(section.toUpper());
  int si;
  if (sit == SectionIndex_.constEnd()) {
    Sections_.push_back({FromUnicode(section, cp), {}, {}});
    si = static_cast<int>(Sections_.size()) - 1;
  } else {
    si = *sit;
  }
  TSection& s = Sections_[si];
  auto kit = s.KeyIndex.constFind(ident.toUpper());
  if (kit == s.KeyIndex.constEnd())
    s.Lines.push_back(std::move(line));
  else
    s.Lines[*kit] = std::move(line);
  Reindex();
  UpdateFile();
}

void TQLanguageFile::EraseSection(const QString& section) {
  const QString upper = section.toUpper();
  std::erase_if(Sections_, [&](const TSection& s) { return Text(s.Name).toUpper() == upper; });
  Reindex();
  UpdateFile();
}

void TQLanguageFile::Clear() {
  Sections_.clear();
  Reindex();
}

void TQLanguageFile::UpdateFile() const {
  QByteArray out;
  for (const TSection& s : Sections_) {
    out += '[' + s.Name + "]\r\n";
    for (const TLine& l : s.Lines) out += l.Text + "\r\n";
    out += "\r\n";
  }
  // Written to a temporary file and renamed, so a failed write (a full disk) leaves the old file
  // intact; every byte's write is checked, a short one included.
  TSafeFileWriter writer(QFile::encodeName(FileName_).toStdString());
  TFileFailure failure;
  if (FileName_.isEmpty()) failure = {TFileFailure::Create, ENOENT};
  if (!failure) failure = writer.Open();
  if (!failure) failure = writer.Write(out.constData(), static_cast<size_t>(out.size()));
  if (!failure) failure = writer.Commit();
  if (failure) throw EQLocalError(FormatText(kQLocalCannotWriteFile, {FileName_.toStdString()}));
}
