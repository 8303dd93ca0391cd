// The serial numbers of a batch: handed out once, given back by failed chips, kept in the serial
// file across restarts, never twice also with several threads.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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
    pool.GiveBack(b);  // b's chip failed: its number goes back at once
    uint64_t next = 0;
    std::vector<uint64_t> spare;
    ASSERT_TRUE(TSerialPool::ParseFile(dir.Read("serial.txt"), next, spare));
    EXPECT_EQ(spare, std::vector<uint64_t>{1010});
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

// A number whose chip is not done yet is pending in the file: no other station takes it. Once the
// process that took it has died on this host, it is handed out again.
TEST(SerialPool, ANumberStillOnAChipIsPendingInTheFileUntilItsChipIsDone) {
  TTempDir dir;
  TSerialPool pool(Layout(5), dir.File("s"));
  const uint64_t a = Take(pool), b = Take(pool);
  pool.Confirm(a);
  TSerialFileState state;
  ASSERT_TRUE(TSerialPool::ParseFile(dir.Read("s"), state));
  EXPECT_EQ(state.Next, 7u);
  EXPECT_TRUE(state.Spare.empty());
  ASSERT_EQ(state.Pending.size(), 1u);
  EXPECT_EQ(state.Pending[0].Number, b);
  EXPECT_EQ(state.Pending[0].Pid, static_cast<int64_t>(getpid()));
  // Another station sharing the file skips it.
  TSerialPool other(Layout(5), dir.File("s"));
  EXPECT_EQ(Take(other), 7u);
  pool.Confirm(b);
  other.GiveBack(7);
  ASSERT_TRUE(TSerialPool::ParseFile(dir.Read("s"), state));
  EXPECT_TRUE(state.Pending.empty());
  EXPECT_EQ(state.Spare, std::vector<uint64_t>{7});

  // A station of this host that was killed outright (no such process) gives its number back to
  // the next take; one of another host keeps it.
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  state = {20, {}, {{12, 2147483647, host}, {13, 2147483647, "elsewhere"}}, {}};
  dir.Write("s", TSerialPool::FileText(state));
  TSerialPool restarted(Layout(5), dir.File("s"));
  EXPECT_EQ(Take(restarted), 12u);
  EXPECT_EQ(Take(restarted), 20u);
  ASSERT_TRUE(TSerialPool::ParseFile(dir.Read("s"), state));
  ASSERT_EQ(state.Pending.size(), 3u);
  EXPECT_EQ(state.Pending[0].Number, 13u);

  // A file edited by hand that names a pending number as the next one or as given back: the
  // pending number still goes to no other chip.
  dir.Write("s", "30 13\npending 30 1 elsewhere\npending 13 1 elsewhere\n");
  TSerialPool edited(Layout(5), dir.File("s"));
  EXPECT_EQ(Take(edited), 31u);
  EXPECT_EQ(Take(edited), 32u);
}

// The file as a station that ended outright left it: its own leases now name a process that is
// gone (the pid is above any that Linux hands out).
void EndThisProcess(TTempDir& dir) {
  std::string text = dir.Read("s");
  const std::string own = " " + std::to_string(getpid()) + " ";
  for (size_t at; (at = text.find(own)) != std::string::npos;) text.replace(at, own.size(), " 2147483647 ");
  dir.Write("s", text);
}

// Write-ahead: a number is marked "writing" before its chip is written. A station that ends with
// a number merely taken gives it back; one that ends with a number marked writing, or whose
// confirmation could not be stored, leaves it unknown: reported once and never handed out again.
TEST(SerialPool, ANumberThatMayBeOnAChipIsNeverHandedOutAgain) {
  TTempDir dir;
  {
    TSerialPool pool(Layout(100), dir.File("s"));
    const uint64_t taken = Take(pool), writing = Take(pool), unconfirmed = Take(pool), spent = Take(pool);
    pool.MarkWriting(writing);
    pool.MarkWriting(unconfirmed);
    pool.MarkWriting(spent);
    pool.Spend(spent);
    // Another station holds the lock for longer than this one waits: the confirmation is lost.
    const int held = open(dir.File("s.lock").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    pool.LockTimeoutMs = 30;
    try {
      pool.Confirm(unconfirmed);
      ADD_FAILURE() << "confirmed under another station's lock";
    } catch (const TError& e) {
      EXPECT_EQ(std::string(e.what()).find("no number was taken"), std::string::npos) << e.what();
    }
    close(held);
    TSerialFileState state;
    ASSERT_TRUE(TSerialPool::ParseFile(dir.Read("s"), state));
    ASSERT_EQ(state.Pending.size(), 3u);
    EXPECT_EQ(state.Pending[0].Number, taken);
    EXPECT_FALSE(state.Pending[0].Writing);
    EXPECT_TRUE(state.Pending[1].Writing && state.Pending[2].Writing);
    EXPECT_EQ(state.Pending[2].Number, unconfirmed);
  }
  EndThisProcess(dir);
  TSerialPool next(Layout(100), dir.File("s"));
  EXPECT_EQ(Take(next), 100u);  // only taken: given back
  EXPECT_EQ(Take(next), 104u);
  EXPECT_EQ(next.TakeFoundUnknown(), (std::vector<uint64_t>{101, 102}));
  EXPECT_TRUE(next.TakeFoundUnknown().empty());
  TSerialFileState state;
  ASSERT_TRUE(TSerialPool::ParseFile(dir.Read("s"), state));
  EXPECT_EQ(state.Unknown, (std::vector<uint64_t>{101, 102}));
  // Unknown numbers stay out of reach even where a hand-edited file names them as given back.
  dir.Write("s", "105 101 102\nunknown 101\nunknown 102\n");
  TSerialPool edited(Layout(100), dir.File("s"));
  EXPECT_EQ(Take(edited), 105u);
  EXPECT_TRUE(edited.TakeFoundUnknown().empty());
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
      {"5\nwriting 3 10 host\nunknown 4\n", true, 5, {}},
      {"5\nunknown\n", false, 0, {}},
      {"5\nwriting 3 10\n", false, 0, {}},
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
  const TSerialFileState full{8, {3}, {{4, 11, "a", false}, {5, 12, "b", true}}, {6, 7}};
  TSerialFileState again;
  ASSERT_TRUE(TSerialPool::ParseFile(TSerialPool::FileText(full), again));
  EXPECT_EQ(again.Pending, full.Pending);
  EXPECT_EQ(again.Unknown, full.Unknown);
}

TEST(SerialPool, AFileThatHoldsNoNumberIsAnError) {
  TTempDir dir;
  dir.Write("s", "not a number\n");
  EXPECT_THROW(TSerialPool(Layout(1), dir.File("s")), TError);
}
