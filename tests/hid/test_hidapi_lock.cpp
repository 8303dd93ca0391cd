// The hidapi back end's lock against a stand-in for hidapi whose hid_write blocks until the test
// lets it end, as a device that does not take a report keeps the driver's write waiting: the lock
// of an operation outlives every output report written under it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <hidapi/hidapi.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>

#include "hid/hid_platform.h"
#include "support/temp_dir.h"

namespace {

std::mutex WriteMutex;
std::condition_variable WriteCv;
bool WritesHeld = false;

void HoldWrites(bool held) {
  {
    std::lock_guard<std::mutex> lock(WriteMutex);
    WritesHeld = held;
  }
  WriteCv.notify_all();
}

// Whether another program's exclusive lock on the node would be refused now.
bool LockedElsewhere(const std::string& node) {
  const int fd = open(node.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool busy = flock(fd, LOCK_EX | LOCK_NB) != 0;
  close(fd);
  return busy;
}

}  // namespace

// The hidapi functions the back end calls, linked in place of the library's.
extern "C" {
struct hid_device_ {
  int Unused;
};
int hid_init(void) { return 0; }
int hid_exit(void) { return 0; }
hid_device_info* hid_enumerate(unsigned short, unsigned short) { return nullptr; }
void hid_free_enumeration(hid_device_info*) {}
hid_device* hid_open_path(const char*) { return new hid_device_{}; }
hid_device_info* hid_get_device_info(hid_device*) { return nullptr; }
int hid_read_timeout(hid_device*, unsigned char*, size_t, int) { return 0; }
void hid_close(hid_device* dev) { delete dev; }
int hid_write(hid_device*, const unsigned char*, size_t length) {
  std::unique_lock<std::mutex> lock(WriteMutex);
  WriteCv.wait(lock, [] { return !WritesHeld; });
  return static_cast<int>(length);
}
}

// A write times out while the driver still holds the report; the operation then ends by Unlock,
// or by closing the handle. Neither lets another program in until the report has gone.
TEST(HidapiLock, ReleasedOnlyAfterTheReportInFlight) {
  for (const bool byClosing : {false, true}) {
    SCOPED_TRACE(byClosing ? "closing the handle" : "Unlock");
    TTempDir dir;
    const std::string node = dir.Write("hidraw0", "");
    std::unique_ptr<THidPlatform> platform = CreateHidapiPlatform();
    std::unique_ptr<THidHandle> handle = platform->Open(node, THidAccess::ReadWrite);
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(handle->TryLock(), THidLockResult::Locked);
    EXPECT_TRUE(LockedElsewhere(node));

    HoldWrites(true);
    uint8_t report[65] = {};
    size_t written = 0;
    EXPECT_EQ(handle->Write(report, sizeof report, written, 10), THidWriteResult::TimedOut);
    auto end = std::async(std::launch::async, [&] {
      if (byClosing)
        handle.reset();
      else
        handle->Unlock();
    });
    EXPECT_EQ(end.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout)
        << "the operation ended with a report in flight";
    EXPECT_TRUE(LockedElsewhere(node));

    HoldWrites(false);
    end.get();
    EXPECT_FALSE(LockedElsewhere(node));
  }
}
