#include "cli/progress_board.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

std::string Rate(double bytesPerSecond) {
  char out[32];
  if (bytesPerSecond >= 1024.0 * 1024.0)
    std::snprintf(out, sizeof out, "%.1f MiB/s", bytesPerSecond / (1024.0 * 1024.0));
  else
    std::snprintf(out, sizeof out, "%.1f KiB/s", bytesPerSecond / 1024.0);
  return out;
}

std::string Duration(double seconds) {
  const long s = std::lround(seconds);
  char out[32];
  std::snprintf(out, sizeof out, "%ld:%02ld", s / 60, s % 60);
  return out;
}

}  // namespace

std::string ProgressText(int position, uint64_t total, uint64_t firstBytes, double seconds, const std::string& phase) {
  position = std::clamp(position, 0, 100);
  const int width = 20;
  const int filled = position * width / 100;
  char head[64];
  std::snprintf(head, sizeof head, "[%s%s] ", std::string(filled, '#').c_str(),
                std::string(width - filled, ' ').c_str());
  std::string out = head;
  if (!phase.empty()) out += phase + " ";
  std::snprintf(head, sizeof head, "%3d %%", position);
  out += head;
  if (total == 0) return out;
  const uint64_t done = total * static_cast<uint64_t>(position) / 100;
  out += "  " + std::to_string(done) + " of " + std::to_string(total) + " bytes";
  if (seconds < 0.05 || done <= firstBytes) return out;
  const double rate = static_cast<double>(done - firstBytes) / seconds;
  out += "  " + Rate(rate);
  if (done < total) out += "  " + Duration(static_cast<double>(total - done) / rate) + " left";
  return out;
}

TProgressBoard::TProgressBoard(size_t lines, bool shown) : Lines_(lines), Shown_(shown) {}

bool TProgressBoard::Terminal() { return isatty(STDERR_FILENO) == 1; }

void TProgressBoard::SetLine(size_t line, const std::string& label, uint64_t total) {
  std::lock_guard lock(Mutex_);
  if (line >= Lines_.size()) return;
  Lines_[line].Label = label;
  Lines_[line].Total = total;
}

void TProgressBoard::SetPhase(size_t line, const std::string& phase) {
  std::lock_guard lock(Mutex_);
  if (line < Lines_.size()) Lines_[line].Phase = phase;
}

void TProgressBoard::Update(size_t line, int position) {
  std::lock_guard lock(Mutex_);
  if (!Shown_ || line >= Lines_.size()) return;
  TLine& l = Lines_[line];
  if (position == l.Position) return;
  if (position <= 0) {
    // The routine ended: what it reached stays on the screen; the next phase starts a new block.
    if (l.Position > 0 && Lines_.size() == 1) Drawn_ = false;
    l.Position = position < 0 ? -1 : 0;
    return;
  }
  if (l.Position <= 0) {
    l.Start = std::chrono::steady_clock::now();
    l.FirstBytes = l.Total * static_cast<uint64_t>(position) / 100;
  }
  l.Position = position;
  if (!Drawn_) {
    // Room for the block: the cursor stays below it.
    std::fputs(std::string(Lines_.size(), '\n').c_str(), stderr);
    Drawn_ = true;
  }
  Draw(line);
  std::fflush(stderr);
}

void TProgressBoard::Draw(size_t line) {
  const TLine& l = Lines_[line];
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - l.Start).count();
  const size_t up = Lines_.size() - line;
  std::string text = l.Label.empty() ? "" : l.Label + "  ";
  text += ProgressText(l.Position, l.Total, l.FirstBytes, seconds, l.Phase);
  std::fprintf(stderr, "\x1b[%zuA\r\x1b[K%s\x1b[%zuB\r", up, text.c_str(), up);
}

void TProgressBoard::Finish() {
  std::lock_guard lock(Mutex_);
  Drawn_ = false;
  for (auto& l : Lines_) l.Position = -1;
}
