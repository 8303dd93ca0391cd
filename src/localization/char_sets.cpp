#include "localization/char_sets.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace {

struct TCharSet {
  const char* Name;
  uint8_t Code;
  const char* CodePage;
};

// Windows GDI character sets and the code pages their fonts show.
const TCharSet kCharSets[] = {
    {"ANSI_CHARSET", 0, "CP1252"},      {"DEFAULT_CHARSET", 1, "CP1252"},   {"SYMBOL_CHARSET", 2, "CP1252"},
    {"MAC_CHARSET", 77, "MACINTOSH"},   {"SHIFTJIS_CHARSET", 128, "CP932"}, {"HANGEUL_CHARSET", 129, "CP949"},
    {"JOHAB_CHARSET", 130, "CP1361"},   {"GB2312_CHARSET", 134, "CP936"},   {"CHINESEBIG5_CHARSET", 136, "CP950"},
    {"GREEK_CHARSET", 161, "CP1253"},   {"TURKISH_CHARSET", 162, "CP1254"}, {"VIETNAMESE_CHARSET", 163, "CP1258"},
    {"HEBREW_CHARSET", 177, "CP1255"},  {"ARABIC_CHARSET", 178, "CP1256"},  {"BALTIC_CHARSET", 186, "CP1257"},
    {"RUSSIAN_CHARSET", 204, "CP1251"}, {"THAI_CHARSET", 222, "CP874"},     {"EASTEUROPE_CHARSET", 238, "CP1250"},
    {"OEM_CHARSET", 255, "CP437"},
};

const TCharSet* FindCode(uint8_t code) {
  for (const auto& c : kCharSets)
    if (c.Code == code) return &c;
  return nullptr;
}

bool IsAscii(const char* data, size_t size) {
  for (size_t i = 0; i < size; ++i)
    if (static_cast<unsigned char>(data[i]) >= 0x80) return false;
  return true;
}

// Length of the UTF-8 sequence that starts with this byte (1 for a stray byte).
size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// Converts with iconv; an input sequence that does not convert is skipped (one byte, or one
// UTF-8 character when converting from UTF-8) and replaced by `replacement`.
std::string Convert(const char* to, const char* from, const std::string& in, const std::string& replacement,
                    bool fromUtf8) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return in;
  std::string out;
  out.reserve(in.size() * 2);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buffer[4096];
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, dst - buffer);
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL: skip what does not convert.
    size_t skip = fromUtf8 ? Utf8Length(static_cast<unsigned char>(*src)) : 1;
    if (skip > srcLeft) skip = srcLeft;
    src += skip;
    srcLeft -= skip;
    out += replacement;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  char* dst = buffer;
  size_t dstLeft = sizeof buffer;
  iconv(cd, nullptr, nullptr, &dst, &dstLeft);
  out.append(buffer, dst - buffer);
  iconv_close(cd);
  return out;
}

}  // namespace

uint8_t CharSetFromName(const QString& name) {
  const QString upper = name.toUpper();
  for (const auto& c : kCharSets)
    if (upper == QLatin1String(c.Name)) return c.Code;
  return kDefaultCharSet;
}

QString CharSetName(uint8_t code) {
  const TCharSet* c = FindCode(code);
  return QString::fromLatin1(c ? c->Name : "DEFAULT_CHARSET");
}

const char* CodePageOfCharSet(uint8_t code) {
  const TCharSet* c = FindCode(code);
  return c ? c->CodePage : "CP1252";
}

QString ToUnicode(const QByteArray& bytes, const char* codePage) {
  if (IsAscii(bytes.constData(), bytes.size())) return QString::fromLatin1(bytes);
  std::string utf8 = Convert("UTF-8", codePage, bytes.toStdString(), "\xEF\xBF\xBD", false);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QByteArray FromUnicode(const QString& text, const char* codePage) {
  QByteArray utf8 = text.toUtf8();
  if (IsAscii(utf8.constData(), utf8.size())) return utf8;
  std::string out = Convert(codePage, "UTF-8", utf8.toStdString(), "?", true);
  return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}
