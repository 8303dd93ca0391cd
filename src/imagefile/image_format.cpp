// The table of image formats, and what is derived from it: the format of a file by its name or
// its content, the format options' values and the dialogs' filters.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

#include "imagefile/file_errors.h"
#include "imagefile/hex_reader.h"
#include "imagefile/image_file.h"
#include "imagefile/image_formats.h"
#include "imagefile/srec_reader.h"

namespace {

// clang-format off
const TImageFormatInfo kFormats[] = {
    {TImageFormat::Hex,  "hex",  "Intel HEX", "hex ihx ihex",                "FilterHexFiles",  true,  ReadHex,  EmitHex,  IsHexRecord},
    {TImageFormat::Bin,  "bin",  "binary",    "bin",                         "FilterBinFiles",  false, ReadBin,  EmitBin,  nullptr},
    {TImageFormat::SRec, "srec", "S-records", "s19 s28 s37 srec mot s",      "FilterSRecFiles", true,  ReadSRec, EmitSRec, IsSRecord},
};
// clang-format on

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// The extensions of a format, one by one.
std::vector<std::string_view> Extensions(const TImageFormatInfo& f) {
  std::vector<std::string_view> out;
  std::string_view list = f.Extensions;
  while (!list.empty()) {
    const size_t space = list.find(' ');
    out.push_back(list.substr(0, space));
    list = space == std::string_view::npos ? std::string_view() : list.substr(space + 1);
  }
  return out;
}

// "Hex files (*.hex *.ihx)|*.hex;*.ihx"
std::string Filter(const TImageFormatInfo& f, const TError::TLookup& text) {
  std::string shown, patterns;
  for (std::string_view e : Extensions(f)) {
    shown += (shown.empty() ? "*." : " *.") + std::string(e);
    patterns += (patterns.empty() ? "*." : ";*.") + std::string(e);
  }
  return text(f.FilterKey) + " (" + shown + ")|" + patterns;
}

// The content rule over lines fed in pieces: every non-blank line a record of one format of the
// table that has records; the first such format in table order wins, else the first without.
class TContentRule {
 public:
  explicit TContentRule(std::span<const TImageFormatInfo> formats) : Formats_(formats) {
    for (const TImageFormatInfo& f : formats) Possible_.push_back(f.IsRecord != nullptr);
  }
  // False once no text format is possible any more, or the text ended at a Ctrl-Z.
  bool Feed(std::string_view text) {
    for (size_t i = 0; i < text.size() && More();) {
      const size_t end = text.find_first_of("\r\n", i);
      const std::string_view piece = text.substr(i, end == std::string_view::npos ? end : end - i);
      if (Line_.empty() && !piece.empty() && piece[0] == '\x1A') {
        Ended_ = true;
        break;
      }
      if (Line_.size() + piece.size() > kLongest) {
        std::fill(Possible_.begin(), Possible_.end(), false);  // longer than any record
        break;
      }
      Line_.append(piece);
      if (end == std::string_view::npos) break;
      EndLine();
      i = end + 1;
    }
    return More();
  }
  TImageFormat Result() {
    if (More()) EndLine();
    for (size_t i = 0; i < Formats_.size(); ++i)
      if (Records_ > 0 && Possible_[i]) return Formats_[i].Format;
    for (const TImageFormatInfo& f : Formats_)
      if (!f.IsRecord) return f.Format;
    return TImageFormat::Bin;
  }

 private:
  static constexpr size_t kLongest = 600;
  bool More() const { return !Ended_ && std::find(Possible_.begin(), Possible_.end(), true) != Possible_.end(); }
  void EndLine() {
    if (!TrimImageLine(Line_).empty()) {
      ++Records_;
      for (size_t i = 0; i < Formats_.size(); ++i) Possible_[i] = Possible_[i] && Formats_[i].IsRecord(Line_);
    }
    Line_.clear();
  }
  std::span<const TImageFormatInfo> Formats_;
  std::vector<bool> Possible_;
  std::string Line_;
  bool Ended_ = false;
  int64_t Records_ = 0;
};

}  // namespace

std::span<const TImageFormatInfo> ImageFormats() { return kFormats; }

const TImageFormatInfo& ImageFormatInfo(TImageFormat format) {
  for (const TImageFormatInfo& f : kFormats)
    if (f.Format == format) return f;
  return kFormats[0];
}

std::optional<TImageFormat> ImageFormatById(std::string_view id) {
  for (const TImageFormatInfo& f : kFormats)
    if (EqualNoCase(id, f.Id)) return f.Format;
  return std::nullopt;
}

std::string ImageFormatIds(const char* separator) {
  std::string out;
  for (const TImageFormatInfo& f : kFormats) out += (out.empty() ? "" : separator) + std::string(f.Id);
  return out;
}

std::optional<TImageFormat> KnownImageFormatOf(const std::string& fileName) {
  const std::string_view name(fileName);
  // The extension of the last path component only: a dot in a folder name is no extension.
  const size_t slash = name.find_last_of("/\\");
  const std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
  const size_t dot = base.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return std::nullopt;
  const std::string_view extension = base.substr(dot + 1);
  for (const TImageFormatInfo& f : kFormats)
    for (std::string_view e : Extensions(f))
      if (EqualNoCase(extension, e)) return f.Format;
  return std::nullopt;
}

TImageFormat ImageFormatOf(const std::string& fileName) {
  return KnownImageFormatOf(fileName).value_or(TImageFormat::Bin);
}

TImageFormat ImageFormatOfContent(std::string_view text) { return ImageFormatOfContent(text, kFormats); }

TImageFormat ImageFormatOfContent(std::string_view text, std::span<const TImageFormatInfo> formats) {
  TContentRule rule(formats);
  rule.Feed(text);
  return rule.Result();
}

TImageFormat ImageFormatToRead(const std::string& fileName) {
  if (auto known = KnownImageFormatOf(fileName)) return *known;
  struct TCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, TCloser> file(OpenImageFile(fileName));
  TContentRule rule(kFormats);
  char chunk[65536];
  for (;;) {
    errno = 0;
    const size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
    if (got == 0) {
      if (std::ferror(file.get())) throw PlatformFileFailure(errno ? errno : EIO, fileName);
      break;
    }
    if (!rule.Feed(std::string_view(chunk, got))) break;
  }
  return rule.Result();
}

std::string OpenDialogFilter(const TError::TLookup& text) {
  std::string out;
  for (const TImageFormatInfo& f : kFormats) out += Filter(f, text) + "|";
  return out + text("FilterAllFiles") + " (*.*)|*.*";
}

std::string SaveDialogFilter(const TError::TLookup& text) {
  std::string out;
  for (const TImageFormatInfo& f : kFormats) out += (out.empty() ? "" : "|") + Filter(f, text);
  return out;
}

TImageFormat FormatOfSaveFilter(int index) {
  if (index >= 1 && index <= static_cast<int>(std::size(kFormats))) return kFormats[index - 1].Format;
  return TImageFormat::Bin;
}

int SaveFilterIndexOf(TImageFormat format) {
  for (size_t i = 0; i < std::size(kFormats); ++i)
    if (kFormats[i].Format == format) return static_cast<int>(i) + 1;
  return 1;
}
