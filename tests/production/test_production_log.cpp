// The production log: JSON strings, the time with its zone, whole lines from concurrent writers,
// and lines that a JSON parser reads with every field.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cstdlib>
#include <regex>
#include <sstream>
#include <thread>

#include "common/error.h"
#include "production/production_log.h"
#include "support/json_lines.h"
#include "support/temp_dir.h"

TEST(ProductionLog, JsonStringEscapes) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"plain.hex", "\"plain.hex\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"line\nbreak\ttab\r", "\"line\\nbreak\\ttab\\r\""},
      {std::string("nul\0bell\x07", 9), "\"nul\\u0000bell\\u0007\""},
      {"\x7F", "\"\\u007f\""},
      {"\xD0\x9F\xD1\x80\xD0\xB8", "\"\xD0\x9F\xD1\x80\xD0\xB8\""},  // valid UTF-8 stays
      {"\xE2\x82\xAC\xF0\x9F\x98\x80", "\"\xE2\x82\xAC\xF0\x9F\x98\x80\""},
      {"bad\xFF", "\"bad\\ufffd\""},                  // not UTF-8
      {"\xC0\xAF", "\"\\ufffd\\ufffd\""},             // overlong
      {"\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\""},  // a surrogate
      {"cut\xE2\x82", "\"cut\\ufffd\\ufffd\""},
  };
  for (const auto& c : cases) EXPECT_EQ(JsonString(c.in), c.out) << c.in;
}

TEST(ProductionLog, TimeIsIso8601WithTheZonesOffset) {
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  struct Case {
    const char* tz;
    const char* offset;
  } cases[] = {{"UTC0", "+00:00"}, {"IST-5:30", "+05:30"}, {"EST5", "-05:00"}};
  // 2026-12-10 12:00:00.250 UTC
  const auto t = std::chrono::system_clock::from_time_t(1796904000) + std::chrono::milliseconds(250);
  for (const auto& c : cases) {
    setenv("TZ", c.tz, 1);
    tzset();
    const std::string s = IsoTime(t);
    EXPECT_TRUE(std::regex_match(s, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.250[+-]\d\d:\d\d)"))) << s;
    EXPECT_EQ(s.substr(s.size() - 6), c.offset) << s;
  }
  setenv("TZ", "IST-5:30", 1);
  tzset();
  EXPECT_EQ(IsoTime(t), "2026-12-10T17:30:00.250+05:30");
  if (old)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

TEST(ProductionLog, LinesParseWithEveryFieldAndAppendsNeverRewrite) {
  TTempDir dir;
  const std::string log = dir.Write("log.jsonl", "{\"earlier\":true}\n");
  TLogRecord r;
  r.Time = std::chrono::system_clock::now();
  r.Operation = "write";
  r.Chip = "24C64";
  r.ProgrammerNode = "/dev/hidraw3";
  r.ProgrammerSerial = "A\"1";
  r.ImageFile = "dir\\image \xFF.hex";
  r.ImageSize = 8192;
  r.ImageChecksum = "1A2B";
  r.ImageSha256 = std::string(64, 'e');
  r.Serial = 1001;
  r.Result = "different";
  r.FirstDifference = 0x1FF0;
  r.DurationMs = 412;
  AppendLogLine(log, LogLine(r));
  TLogRecord bare = r;  // an operation without an image, serial number or difference
  bare.ImageFile.clear();
  bare.Serial.reset();
  bare.FirstDifference.reset();
  bare.Result = "ok";
  AppendLogLine(log, LogLine(bare));

  const std::string text = dir.Read("log.jsonl");
  EXPECT_EQ(text.rfind("{\"earlier\":true}\n", 0), 0u);
  EXPECT_EQ(CheckJsonLines(log, {"earlier"}).find("line 2 lacks"), 0u);
  dir.Write("new.jsonl", text.substr(text.find('\n') + 1));
  EXPECT_EQ(
      CheckJsonLines(dir.File("new.jsonl"), {"time", "operation", "chip", "programmer.node", "programmer.serial",
                                             "image", "serial_number", "result", "first_difference", "duration_ms"}),
      "");
  EXPECT_NE(
      text.find("\"image\":{\"file\":\"dir\\\\image \\ufffd.hex\",\"size\":8192,\"checksum\":\"1A2B\",\"sha256\":\"" +
                std::string(64, 'e') + "\"}"),
      std::string::npos);
  EXPECT_NE(text.find("\"serial_number\":1001,\"result\":\"different\",\"first_difference\":8176,"), std::string::npos);
  EXPECT_NE(text.find("\"image\":null,\"serial_number\":null,\"result\":\"ok\",\"first_difference\":null"),
            std::string::npos);
}

TEST(ProductionLog, ConcurrentWritersLeaveWholeLines) {
  TTempDir dir;
  const std::string log = dir.File("log");
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t)
    threads.emplace_back([&log, t] {
      const std::string line = "{\"writer\":" + std::to_string(t) + ",\"pad\":\"" + std::string(300, 'a' + t) + "\"}\n";
      for (int i = 0; i < 100; ++i) AppendLogLine(log, line);
    });
  for (auto& t : threads) t.join();
  std::istringstream lines(dir.Read("log"));
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    ++count;
    const int t = line.size() > 10 ? line[10] - '0' : -1;
    ASSERT_TRUE(t >= 0 && t < 6) << line;
    EXPECT_EQ(line, "{\"writer\":" + std::to_string(t) + ",\"pad\":\"" + std::string(300, 'a' + t) + "\"}");
  }
  EXPECT_EQ(count, 600);
}

// A full disk part of the way through a line: the part written is cut off again, so the log holds
// whole lines only; a log left with a torn last line (a crash, an older program) gets the next
// line on a line of its own.
TEST(ProductionLog, ALineIsAppendedWholeOrNotAtAll) {
  TTempDir dir;
  const std::string log = dir.File("log");
  AppendLogLine(log, "{\"a\":1}\n");
  const std::string line = "{\"b\":\"" + std::string(2000, 'b') + "\"}\n";
  // The file size limit stands in for a full disk: the write stops short with EFBIG.
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1024, 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    try {
      AppendLogLine(log, line);
    } catch (const TError&) {
      _exit(3);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3) << "a short write is an error";
  EXPECT_EQ(dir.Read("log"), "{\"a\":1}\n");

  dir.Write("log", "{\"a\":1}\n{\"b\":\"bb");
  EXPECT_TRUE(CheckLogWritable(log));
  EXPECT_TRUE(AppendLogLine(log, "{\"c\":3}\n"));
  EXPECT_FALSE(AppendLogLine(log, "{\"d\":4}\n"));
  EXPECT_FALSE(CheckLogWritable(log));
  EXPECT_EQ(dir.Read("log"), "{\"a\":1}\n{\"b\":\"bb\n{\"c\":3}\n{\"d\":4}\n");
  EXPECT_FALSE(CheckLogWritable(dir.File("new")));
}

TEST(ProductionLog, AnUnwritableLogIsAnError) {
  TTempDir dir;
  EXPECT_THROW(AppendLogLine(dir.File("missing/log"), "{}\n"), TError);
}
