#include "production/serial_pool.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>

#include "common/error.h"
#include "imagefile/safe_file_writer.h"

TSerialPool::TSerialPool(const TSerialSpec& layout, std::string file) : Layout_(layout), File_(std::move(file)) {
  Next_ = layout.Start;
  if (File_.empty()) return;
  std::ifstream in(File_, std::ios::binary);
  if (!in) {
    if (errno == ENOENT) return;  // a new batch: starts at layout.Start
    throw TError("Cannot read the serial file " + File_ + ": " + std::strerror(errno));
  }
  std::stringstream text;
  text << in.rdbuf();
  std::vector<uint64_t> spare;
  if (!ParseFile(text.str(), Next_, spare)) throw TError("The serial file " + File_ + " does not hold a serial number");
  Spare_.insert(spare.begin(), spare.end());
}

bool TSerialPool::ParseFile(const std::string& text, uint64_t& next, std::vector<uint64_t>& spare) {
  std::istringstream lines(text);
  std::string line;
  std::vector<uint64_t> numbers;
  while (std::getline(lines, line)) {
    if (!line.empty() && line[0] == '#') continue;
    std::istringstream words(line);
    std::string w;
    while (words >> w) {
      uint64_t n = 0;
      auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), n);
      if (ec != std::errc() || end != w.data() + w.size()) return false;
      numbers.push_back(n);
    }
  }
  if (numbers.empty()) return false;
  next = numbers[0];
  spare.assign(numbers.begin() + 1, numbers.end());
  return true;
}

std::string TSerialPool::FileText(uint64_t next, const std::vector<uint64_t>& spare) {
  std::string t = "# next serial number, then numbers given back by failed chips\n" + std::to_string(next);
  for (uint64_t n : spare) t += " " + std::to_string(n);
  return t + "\n";
}

bool TSerialPool::PeekLocked(uint64_t& value) const {
  for (uint64_t n : Spare_)
    if (n <= SerialLimit(Layout_)) {
      value = n;
      return true;
    }
  // The last 64-bit numbers are not handed out: the file could not name the number after them.
  if (Next_ > SerialLimit(Layout_) || Next_ > UINT64_MAX - Layout_.Step) return false;
  value = Next_;
  return true;
}

bool TSerialPool::Peek(uint64_t& value) const {
  std::lock_guard lock(Mutex_);
  return PeekLocked(value);
}

bool TSerialPool::Take(uint64_t& value) {
  std::lock_guard lock(Mutex_);
  if (!PeekLocked(value)) return false;
  if (Spare_.erase(value) == 0) Next_ += Layout_.Step;
  Out_.insert(value);
  return true;
}

void TSerialPool::Confirm(uint64_t value) {
  std::lock_guard lock(Mutex_);
  Out_.erase(value);
  Store();
}

void TSerialPool::GiveBack(uint64_t value) {
  std::lock_guard lock(Mutex_);
  if (Out_.erase(value)) Spare_.insert(value);
}

uint64_t TSerialPool::NextNew() const {
  std::lock_guard lock(Mutex_);
  return Next_;
}

std::vector<uint64_t> TSerialPool::Spare() const {
  std::lock_guard lock(Mutex_);
  // Numbers still out on chips whose outcome is not known yet count as spare: should the program
  // end before they are confirmed, they were never used for good.
  std::set<uint64_t> all = Spare_;
  all.insert(Out_.begin(), Out_.end());
  return {all.begin(), all.end()};
}

void TSerialPool::Store() {
  if (File_.empty()) return;
  std::set<uint64_t> all = Spare_;
  all.insert(Out_.begin(), Out_.end());
  const std::string text = FileText(Next_, {all.begin(), all.end()});
  TSafeFileWriter writer(File_);
  TFileFailure f = writer.Open();
  if (!f) f = writer.Write(text.data(), text.size());
  if (!f) f = writer.Commit();
  if (f) throw TError("Cannot write the serial file " + File_ + ": " + std::strerror(f.Error));
}
