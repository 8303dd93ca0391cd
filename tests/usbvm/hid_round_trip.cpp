// usbvm_hid_round_trip: the bare hidapi loop that the program's own path is measured against.
// Opens the programmer (03e5:d11d) and times N exchanges of the version request: one 65-byte
// write (report ID 0 and 64 bytes), one 64-byte read. Prints the device's node and the round trip
// per exchange (median, p99, mean) in microseconds.
#include <hidapi/hidapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr unsigned short kVendorId = 0x03E5, kProductId = 0xD11D;
constexpr int kReadTimeoutMs = 2000;

std::string FindPath(unsigned short& usagePage) {
  std::string path;
  hid_device_info* list = hid_enumerate(kVendorId, kProductId);
  if (list) {
    path = list->path;
    usagePage = list->usage_page;
  }
  hid_free_enumeration(list);
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  int count = 1000;
  bool echo = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--echo") == 0)
      echo = true;  // the device echoes each report
    else
      count = std::atoi(argv[i]);
  }
  if (hid_init() != 0) return 1;
  unsigned short usagePage = 0;
  const std::string path = FindPath(usagePage);
  if (path.empty()) {
    std::fprintf(stderr, "hid_round_trip: no 03e5:d11d device\n");
    return 1;
  }
  std::printf("hid_round_trip: device %s usage page 0x%04x\n", path.c_str(), usagePage);
  hid_device* dev = hid_open_path(path.c_str());
  if (!dev) {
    std::fprintf(stderr, "hid_round_trip: cannot open %s\n", path.c_str());
    return 1;
  }

  std::vector<double> us;
  us.reserve(size_t(count));
  unsigned char out[65], in[65];
  int bad = 0;
  for (int i = 0; i < count; ++i) {
    std::memset(out, 0, sizeof out);
    out[1] = 0xAA;  // version request
    out[2] = 0x33;
    out[40] = uint8_t(i);  // makes each echoed answer tell which request it belongs to
    const auto t0 = std::chrono::steady_clock::now();
    const int w = hid_write(dev, out, sizeof out);
    const int r = hid_read_timeout(dev, in, 64, kReadTimeoutMs);
    const auto t1 = std::chrono::steady_clock::now();
    if (w != 65 || r != 64) {
      std::fprintf(stderr, "hid_round_trip: exchange %d: write %d, read %d\n", i, w, r);
      hid_close(dev);
      return 1;
    }
    if (echo ? std::memcmp(in, out + 1, 64) != 0 : in[0] != 0xA5) ++bad;
    us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
  }
  hid_close(dev);
  hid_exit();
  if (bad) {
    std::fprintf(stderr, "hid_round_trip: %d of %d answers wrong\n", bad, count);
    return 1;
  }
  double mean = 0;
  for (double v : us) mean += v;
  mean /= double(us.size());
  std::sort(us.begin(), us.end());
  const double median = us[us.size() / 2];
  const double p99 = us[std::min(us.size() - 1, us.size() * 99 / 100)];
  std::printf("hid_round_trip: %d exchanges: median %.0f us, p99 %.0f us, mean %.0f us\n", count, median, p99, mean);
  return 0;
}
