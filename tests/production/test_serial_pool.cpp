// The serial numbers of a batch: handed out once, given back by failed chips, kept in the serial
// file across restarts, never twice also with several threads.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "common/error.h"
#include "production/serial_pool.h"
#include "support/temp_dir.h"

namespace {

TSerialSpec Layout(uint64_t start, uint64_t step = 1, uint32_t width = 4) {
  TSerialSpec s;
  s.Start = start;
  s.Step = step;
  s.Width = width;
  return s;
}

uint64_t Take(TSerialPool& pool) {
  uint64_t n = 0;
  EXPECT_TRUE(pool.Take(n));
  return n;
}

}  // namespace

TEST(SerialPool, AFailedChipNeverConsumesANumberAndABatchResumes) {
  TTempDir dir;
  const std::string file = dir.File("serial.txt");
  {
    TSerialPool pool(Layout(1000, 10), file);
    const uint64_t a = Take(pool), b = Take(pool), c = Take(pool);
    EXPECT_EQ(a, 1000u);
    EXPECT_EQ(b, 1010u);
    EXPECT_EQ(c, 1020u);
    pool.GiveBack(b);  // b's chip failed: nothing is written for it
    EXPECT_FALSE(std::filesystem::exists(file));
    pool.Confirm(a);
    pool.Confirm(c);
  }
  uint64_t next = 0;
  std::vector<uint64_t> spare;
  ASSERT_TRUE(TSerialPool::ParseFile(dir.Read("serial.txt"), next, spare));
  EXPECT_EQ(next, 1030u);
  EXPECT_EQ(spare, std::vector<uint64_t>{1010});

  // After a restart the given-back number comes first, then the batch goes on.
  TSerialPool again(Layout(1000, 10), file);
  EXPECT_EQ(Take(again), 1010u);
  EXPECT_EQ(Take(again), 1030u);
}

TEST(SerialPool, ANumberStillOnAChipIsSpareInTheFileUntilItsChipPasses) {
  TTempDir dir;
  TSerialPool pool(Layout(5), dir.File("s"));
  const uint64_t a = Take(pool), b = Take(pool);
  pool.Confirm(a);  // b's chip is still being written: should the program end now, b was not used
  uint64_t next = 0;
  std::vector<uint64_t> spare;
  ASSERT_TRUE(TSerialPool::ParseFile(dir.Read("s"), next, spare));
  EXPECT_EQ(next, 7u);
  EXPECT_EQ(spare, std::vector<uint64_t>{b});
  pool.Confirm(b);
  ASSERT_TRUE(TSerialPool::ParseFile(dir.Read("s"), next, spare));
  EXPECT_TRUE(spare.empty());
}

TEST(SerialPool, StopsWhereTheFieldEnds) {
  TSerialPool pool(Layout(254, 1, 1), "");
  EXPECT_EQ(Take(pool), 254u);
  EXPECT_EQ(Take(pool), 255u);
  uint64_t n = 0;
  EXPECT_FALSE(pool.Peek(n));
  EXPECT_FALSE(pool.Take(n));
  pool.GiveBack(255);
  EXPECT_TRUE(pool.Take(n));
  EXPECT_EQ(n, 255u);

  TSerialSpec wide = Layout(UINT64_MAX - 1, 1, 8);
  TSerialPool last(wide, "");
  EXPECT_EQ(Take(last), UINT64_MAX - 1);
  EXPECT_FALSE(last.Take(n));  // no 64-bit number would follow it in the file
}

TEST(SerialPool, ThreadsNeverGetTheSameNumber) {
  TTempDir dir;
  TSerialPool pool(Layout(1), dir.File("s"));
  std::vector<std::vector<uint64_t>> got(8);
  std::vector<std::thread> threads;
  for (auto& g : got)
    threads.emplace_back([&pool, &g] {
      for (int i = 0; i < 50; ++i) {
        uint64_t n = 0;
        ASSERT_TRUE(pool.Take(n));
        if (n % 3 == 0)
          pool.GiveBack(n);
        else {
          pool.Confirm(n);
          g.push_back(n);
        }
      }
    });
  for (auto& t : threads) t.join();
  std::set<uint64_t> all;
  size_t count = 0;
  for (const auto& g : got) {
    all.insert(g.begin(), g.end());
    count += g.size();
  }
  EXPECT_EQ(all.size(), count);
  uint64_t next = 0;
  std::vector<uint64_t> spare;
  ASSERT_TRUE(TSerialPool::ParseFile(dir.Read("s"), next, spare));
  for (uint64_t s : spare) EXPECT_EQ(all.count(s), 0u) << s;
  EXPECT_EQ(all.count(next), 0u);
}

TEST(SerialPool, FileText) {
  struct Case {
    const char* text;
    bool reads;
    uint64_t next;
    std::vector<uint64_t> spare;
  } cases[] = {
      {"1005\n", true, 1005, {}},
      {"# comment\n10 3\n4\n", true, 10, {3, 4}},
      {"7", true, 7, {}},
      {"", false, 0, {}},
      {"# only a comment\n", false, 0, {}},
      {"abc\n", false, 0, {}},
      {"-1\n", false, 0, {}},
      {"12x\n", false, 0, {}},
  };
  for (const auto& c : cases) {
    uint64_t next = 0;
    std::vector<uint64_t> spare;
    EXPECT_EQ(TSerialPool::ParseFile(c.text, next, spare), c.reads) << c.text;
    if (!c.reads) continue;
    EXPECT_EQ(next, c.next) << c.text;
    EXPECT_EQ(spare, c.spare) << c.text;
  }
  uint64_t next = 0;
  std::vector<uint64_t> spare;
  ASSERT_TRUE(TSerialPool::ParseFile(TSerialPool::FileText(42, {7, 9}), next, spare));
  EXPECT_EQ(next, 42u);
  EXPECT_EQ(spare, (std::vector<uint64_t>{7, 9}));
}

TEST(SerialPool, AFileThatHoldsNoNumberIsAnError) {
  TTempDir dir;
  dir.Write("s", "not a number\n");
  EXPECT_THROW(TSerialPool(Layout(1), dir.File("s")), TError);
}
