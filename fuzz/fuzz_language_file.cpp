// Fuzzes the language file reader and the value encoding. Input: a section name, a key and a
// value to write, then the file's bytes. Every lookup must stay inside the file's lines, the
// encoding must undo itself where the format allows, and a written value must read back.
#include <QString>
#include <QStringList>

#include "fuzz_support.h"
#include "localization/language_file.h"
#include "localization/localization_error.h"
#include "localization/value_encoding.h"

namespace {

// Letters, digits, blanks and dots, trimmed: a name that every part of the format keeps as it is.
QString PlainName(std::string_view s, const char* fallback) {
  QString out;
  for (char c : s)
    if (std::isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == '.') out += QChar(c);
  out = out.trimmed();
  return out.isEmpty() ? QString::fromLatin1(fallback) : out;
}

bool Ascii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::TInput in(data, size);
  const QString section = PlainName(in.Line(64), "Additional messages");
  const QString key = PlainName(in.Line(64), "Key");
  const std::string_view rawValue = in.Line(4096);
  const QString value = QString::fromLatin1(rawValue.data(), static_cast<qsizetype>(rawValue.size()));
  const std::string_view text = in.Rest();
  const std::string file = fuzz::WriteScratchFile("language.lng", text.data(), text.size());

  TQLanguageFile lang(QString::fromStdString(file));
  QStringList list;
  for (const QString& s : lang.ReadSections()) {
    lang.SectionExists(s);
    lang.ReadSectionValues(s, list);
    for (const QString& entry : list) lang.ReadString(s, entry.section(u'=', 0, 0), QString());
  }
  lang.ReadString(section, key, value);

  // The value encoding undoes itself unless the text begins with "#" or holds a quote before "#".
  const QString decoded = DecodeValue(EncodeValue(value));
  if (!value.startsWith(u'#') && !value.contains(QStringLiteral("\"#"))) FUZZ_CHECK(decoded == value);
  DecodeValue(value);

  // A written value reads back from the file, in any character set when it is plain ASCII.
  try {
    lang.WriteString(section, key, value);
  } catch (const EQLocalError&) {
    std::abort();  // the scratch folder is writable
  }
  if (Ascii(rawValue) && decoded == value) {
    TQLanguageFile again(QString::fromStdString(file));
    FUZZ_CHECK(again.ReadString(section, key, QStringLiteral("missing")) == value);
  }
  return 0;
}
