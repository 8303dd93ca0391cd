#include "production/production_log.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "common/error.h"
#include "common/local_time.h"

#ifdef _WIN32
#include <io.h>
#define TESMARO_OPEN _open
#define TESMARO_WRITE _write
#define TESMARO_CLOSE _close
#else
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#define TESMARO_OPEN open
#define TESMARO_WRITE write
#define TESMARO_CLOSE close
#endif

namespace {

// The length of the valid UTF-8 sequence at s[i], or 0.
size_t Utf8Length(const std::string& s, size_t i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  size_t n;
  uint32_t min;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0)
    n = 2, min = 0x80;
  else if ((c & 0xF0) == 0xE0)
    n = 3, min = 0x800;
  else if ((c & 0xF8) == 0xF0)
    n = 4, min = 0x10000;
  else
    return 0;
  if (i + n > s.size()) return 0;
  uint32_t cp = c & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (b(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

std::string Number(const std::optional<uint64_t>& v) { return v ? std::to_string(*v) : "null"; }

std::string Range(const std::optional<std::pair<uint64_t, uint64_t>>& v) {
  return v ? "[" + std::to_string(v->first) + "," + std::to_string(v->second) + "]" : "null";
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '"':
        out += "\\\"";
        ++i;
        continue;
      case '\\':
        out += "\\\\";
        ++i;
        continue;
      case '\n':
        out += "\\n";
        ++i;
        continue;
      case '\r':
        out += "\\r";
        ++i;
        continue;
      case '\t':
        out += "\\t";
        ++i;
        continue;
      default: break;
    }
    if (c < 0x20 || c == 0x7F) {
      char u[8];
      std::snprintf(u, sizeof u, "\\u%04x", c);
      out += u;
      ++i;
      continue;
    }
    const size_t n = Utf8Length(text, i);
    if (n == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    out.append(text, i, n);
    i += n;
  }
  return out + "\"";
}

std::string IsoTime(std::chrono::system_clock::time_point time) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count() % 1000;
  const std::tm local = LocalTime(time);
  char date[32], zone[8];
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
  std::strftime(zone, sizeof zone, "%z", &local);  // "+0200"
  char out[64];
  std::snprintf(out, sizeof out, "%s.%03d%.3s:%.2s", date, static_cast<int>(ms < 0 ? ms + 1000 : ms), zone, zone + 3);
  return out;
}

std::string LogLine(const TLogRecord& r) {
  std::string warnings = "[";
  for (const std::string& w : r.Warnings) warnings += (warnings.size() > 1 ? "," : "") + JsonString(w);
  warnings += "]";
  std::string image = "null";
  if (!r.ImageFile.empty())
    image = "{\"file\":" + JsonString(r.ImageFile) + ",\"size\":" + std::to_string(r.ImageSize) +
            ",\"checksum\":" + JsonString(r.ImageChecksum) + ",\"sha256\":" + JsonString(r.ImageSha256) +
            (r.ImageWarning.empty() ? "" : ",\"warning\":" + JsonString(r.ImageWarning)) + "}";
  return "{\"time\":" + JsonString(IsoTime(r.Time)) + ",\"operation\":" + JsonString(r.Operation) +
         ",\"chip\":" + JsonString(r.Chip) + ",\"programmer\":{\"node\":" + JsonString(r.ProgrammerNode) +
         ",\"serial\":" + JsonString(r.ProgrammerSerial) + "},\"image\":" + image +
         ",\"serial_number\":" + Number(r.Serial) + ",\"result\":" + JsonString(r.Result) +
         (r.NumberFate.empty() ? "" : ",\"number\":" + JsonString(r.NumberFate)) +
         ",\"first_difference\":" + Number(r.FirstDifference) + ",\"written\":" + Range(r.Written) +
         ",\"warnings\":" + warnings + ",\"duration_ms\":" + std::to_string(r.DurationMs) + "}\n";
}

namespace {

int OpenLog(const std::string& file) {
#ifdef _WIN32
  const int flags = _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY;
#else
  const int flags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC;
#endif
  const int fd = TESMARO_OPEN(file.c_str(), flags, 0644);
  if (fd < 0) throw TError("Cannot open the log " + file + ": " + std::strerror(errno));
  return fd;
}

}  // namespace

namespace {

// Whether the file open as fd has bytes and the last is not a newline.
bool EndsTorn(int fd) {
#ifdef _WIN32
  const int64_t size = _lseeki64(fd, 0, SEEK_END);
  char last = '\n';
  if (size <= 0 || _lseeki64(fd, size - 1, SEEK_SET) < 0 || _read(fd, &last, 1) != 1) return false;
  return last != '\n';
#else
  struct stat st;
  char last = '\n';
  if (fstat(fd, &st) != 0 || st.st_size <= 0 || pread(fd, &last, 1, st.st_size - 1) != 1) return false;
  return last != '\n';
#endif
}

// Cuts the n bytes that a failed write appended off the end of the file again.
void CutBack(int fd, size_t n) {
#ifdef _WIN32
  const int64_t size = _lseeki64(fd, 0, SEEK_END);
  if (size >= static_cast<int64_t>(n)) (void)_chsize_s(fd, size - static_cast<int64_t>(n));
#else
  struct stat st;
  if (fstat(fd, &st) == 0 && st.st_size >= static_cast<off_t>(n))
    (void)!ftruncate(fd, st.st_size - static_cast<off_t>(n));
#endif
}

int OpenLogForReading(const std::string& file) {
#ifdef _WIN32
  const int flags = _O_RDWR | _O_APPEND | _O_CREAT | _O_BINARY;
#else
  const int flags = O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC;
#endif
  int fd = TESMARO_OPEN(file.c_str(), flags, 0644);
  // A log that cannot be read back (a pipe, a write-only file) is appended to without looking.
  if (fd < 0 && errno != ENOENT && errno != ENOTDIR) fd = OpenLog(file);
  if (fd < 0) throw TError("Cannot open the log " + file + ": " + std::strerror(errno));
  return fd;
}

}  // namespace

bool CheckLogWritable(const std::string& file) {
  const int fd = OpenLogForReading(file);
  const bool torn = EndsTorn(fd);
  TESMARO_CLOSE(fd);
  return torn;
}

bool AppendLogLine(const std::string& file, const std::string& line) {
  const int fd = OpenLogForReading(file);
#ifndef _WIN32
  // Writers of one log (stations, threads of a gang run) take turns: another writer's line in
  // flight would look like a torn end, and a cut-back must not take a line that came after ours.
  // A file that can't be locked (a pipe) is appended to as before.
  while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
#endif
  const bool torn = EndsTorn(fd);
  const std::string text = torn ? "\n" + line : line;
  // One write: with O_APPEND the whole line lands at the end, after any other writer's lines.
  const auto n = TESMARO_WRITE(fd, text.data(), static_cast<unsigned>(text.size()));
  const int error = errno;
  if (n > 0 && static_cast<size_t>(n) != text.size()) CutBack(fd, static_cast<size_t>(n));
  const int closed = TESMARO_CLOSE(fd);
  const int closeError = errno;
  if (n < 0 || static_cast<size_t>(n) != text.size())
    throw TError("Cannot write the log " + file + ": " + std::strerror(n < 0 ? error : ENOSPC));
  if (closed != 0) throw TError("Cannot write the log " + file + ": " + std::strerror(closeError));
  return torn;
}
