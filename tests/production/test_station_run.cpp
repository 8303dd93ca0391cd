// One chip on four simulated programmers at once: each programmer's own outcome, its own serial
// number (a failed chip's given back), its first differing address and its log line.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <set>

#include "hid/hid_event_loop.h"
#include "production/station_run.h"
#include "simulator/simulation.h"
#include "support/json_lines.h"
#include "support/temp_dir.h"

namespace {

struct TGang {
  TSimulation Sim;
  TManualHidEventLoop Loop;
  std::unique_ptr<THidDeviceController> Controller;
  std::vector<TStation> Stations;

  explicit TGang(size_t n) : Sim(CreateSimulation(std::vector<TSimulationOptions>(n))) {
    Controller = std::make_unique<THidDeviceController>(std::move(Sim.Platform), Loop);
    Controller->ReadTimeoutMs = 50;
    Loop.RunPosted();
    for (const auto& d : Controller->Devices()) {
      TStation s;
      s.Own = std::make_unique<TProgrammer>(*Controller);
      s.Programmer = s.Own.get();
      EXPECT_TRUE(Controller->Claim(s.Programmer->HeldDevice, *d));
      StationClaimed(s);
      Stations.push_back(std::move(s));
    }
  }
};

}  // namespace

TEST(StationRun, EachProgrammerEndsOnItsOwnAndNoNumberIsGivenTwice) {
  TTempDir dir;
  TGang gang(4);
  ASSERT_EQ(gang.Stations.size(), 4u);
  EXPECT_EQ(gang.Stations[3].Serial, "SIM0004");
  // Type 1, 8192 bytes, pages of 32: the sample read before the write is exchanges 0-17, the
  // write 18-275, the read-back's open is 276 and its block k is exchange 277 + k.
  gang.Sim.Programmers[1]->NoAnswerAt(100);
  gang.Sim.Programmers[2]->UnplugAt(5);
  gang.Sim.Programmers[3]->FlipByteAt(277 + 10, 33);

  TStationJob job;
  job.Operation = "write";
  job.Run = WriteJob;
  job.TakesImage = true;
  job.Chip = {"24Cxx", 1, "24C64", 8192, 32, 0, 0, 1};
  job.ImageFile = "image.bin";
  job.ImageSize = 8192;
  job.Checksum = "0000";
  job.Image.resize(8192);
  for (size_t i = 0; i < job.Image.size(); ++i) job.Image[i] = static_cast<uint8_t>(i * 7);
  std::string error;
  TSerialSpec layout;
  ASSERT_TRUE(ParseSerialSpec("8188:500", layout, error));
  job.Serial = layout;
  job.Pool = std::make_unique<TSerialPool>(layout, dir.File("serial"));
  job.Log = dir.File("log");

  ASSERT_TRUE(TakeSerialNumbers(job, gang.Stations));
  RunStations(job, gang.Stations);

  const TJobResult expected[] = {TJobResult::Ok, TJobResult::NoAnswer, TJobResult::Unplugged, TJobResult::Different};
  for (size_t i = 0; i < 4; ++i) {
    const TStation& s = gang.Stations[i];
    EXPECT_EQ(s.Outcome.Result, expected[i]) << i << ": " << JobResultName(s.Outcome.Result);
    EXPECT_EQ(s.SerialNumber, 500 + i);
    EXPECT_EQ(s.Outcome.FirstDifference.has_value(), i == 3);
    EXPECT_TRUE(s.Failure.empty()) << s.Failure;
  }
  EXPECT_EQ(gang.Stations[3].Outcome.FirstDifference, 320u);
  // The good chip holds the image with its own number; the numbers of the failed ones go back,
  // except the different chip's: it was written whole, number and all.
  const auto& chip = gang.Sim.Programmers[0]->Chip;
  EXPECT_TRUE(std::equal(job.Image.begin(), job.Image.begin() + 8188, chip.begin()));
  EXPECT_EQ(std::vector<uint8_t>(chip.begin() + 8188, chip.begin() + 8192), (std::vector<uint8_t>{0xF4, 0x01, 0, 0}));
  EXPECT_EQ(job.Pool->NextNew(), 504u);
  EXPECT_EQ(job.Pool->Spare(), (std::vector<uint64_t>{501, 502}));
  uint64_t next = 0;
  std::vector<uint64_t> spare;
  ASSERT_TRUE(TSerialPool::ParseFile(dir.Read("serial"), next, spare));
  EXPECT_EQ(next, 504u);
  EXPECT_EQ(spare, (std::vector<uint64_t>{501, 502}));
  const std::string fates[] = {"used", "given-back", "given-back", "spent"};
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(gang.Stations[i].NumberFate, fates[i]) << i;

  EXPECT_EQ(CheckJsonLines(job.Log, {"time", "operation", "chip", "programmer.node", "programmer.serial", "image.file",
                                     "image.size", "image.checksum", "serial_number", "result", "first_difference",
                                     "duration_ms"}),
            "");
  const std::string log = dir.Read("log");
  for (const char* r : {"\"ok\",\"number\":\"used\"", "\"no-answer\",\"number\":\"given-back\"", "\"unplugged\"",
                        "\"different\",\"number\":\"spent\",\"first_difference\":320"})
    EXPECT_NE(log.find(r), std::string::npos) << r;

  // The next round hands the given-back numbers out first, to the programmers that still answer.
  gang.Sim.Programmers[1]->ClearFaults();
  gang.Sim.Programmers[3]->ClearFaults();
  gang.Stations.erase(gang.Stations.begin() + 2);
  ASSERT_TRUE(TakeSerialNumbers(job, gang.Stations));
  std::set<uint64_t> numbers;
  for (const auto& s : gang.Stations) numbers.insert(*s.SerialNumber);
  EXPECT_EQ(numbers, (std::set<uint64_t>{501, 502, 504}));
}

TEST(StationRun, RunningOutOfNumbersGivesEveryTakenOneBack) {
  TGang gang(3);
  TStationJob job;
  job.Image.assign(16, 0xFF);
  std::string error;
  TSerialSpec layout;
  ASSERT_TRUE(ParseSerialSpec("0:98:1:1:bcd", layout, error));
  job.Serial = layout;
  job.Pool = std::make_unique<TSerialPool>(layout, "");
  EXPECT_FALSE(TakeSerialNumbers(job, gang.Stations));  // 98 and 99 fit, a third would not
  for (const auto& s : gang.Stations) EXPECT_FALSE(s.SerialNumber);
  uint64_t n = 0;
  EXPECT_TRUE(job.Pool->Peek(n));
  EXPECT_EQ(n, 98u);
}

TEST(StationRun, AStationTakesItsProgrammerAgainWhenItComesBackOnTheSamePort) {
  TGang gang(2);
  auto& platform = static_cast<TSimulatedHidPlatform&>(gang.Controller->Platform());
  TStationJob job;
  job.Run = WriteJob;
  job.Chip = {"24Cxx", 1, "24C02", 256, 8, 0, 0, 1};
  job.Image.assign(256, 0xFF);
  gang.Sim.Programmers[1]->UnplugAt(3);
  ASSERT_TRUE(TakeSerialNumbers(job, gang.Stations));
  RunStations(job, gang.Stations);
  EXPECT_EQ(gang.Stations[0].Outcome.Result, TJobResult::Ok);
  EXPECT_EQ(gang.Stations[1].Outcome.Result, TJobResult::Unplugged);

  // Gone for good: the station has no programmer and says so without waiting.
  gang.Controller->CheckForChanges();
  auto connected = [&] {
    std::vector<THidDevice*> out;
    for (const auto& d : gang.Controller->Devices()) out.push_back(d.get());
    return out;
  };
  FindUnpluggedAgain(*gang.Controller, connected(), gang.Stations);
  EXPECT_EQ(gang.Stations[1].Programmer->HeldDevice, nullptr);
  RunStations(job, gang.Stations);
  EXPECT_EQ(gang.Stations[1].Outcome.Result, TJobResult::Unplugged);

  // A programmer on another port is not taken; one back on the same port is.
  TSimulatedHidDeviceInfo elsewhere = TSimulatedProgrammer::DeviceInfo();
  elsewhere.BusPath = "1-4";
  platform.PlugIn(elsewhere, std::make_shared<TSimulatedProgrammer>());
  TSimulatedHidDeviceInfo back = TSimulatedProgrammer::DeviceInfo();
  back.BusPath = "sim-2";
  back.SerialNumber = "SIM0002";
  platform.PlugIn(back, std::make_shared<TSimulatedProgrammer>());
  gang.Controller->CheckForChanges();
  FindUnpluggedAgain(*gang.Controller, connected(), gang.Stations);
  ASSERT_NE(gang.Stations[1].Programmer->HeldDevice, nullptr);
  EXPECT_EQ(gang.Stations[1].Programmer->HeldDevice->DevicePath(), "sim:4");
  EXPECT_EQ(gang.Stations[1].Node, "sim:4");
  RunStations(job, gang.Stations);
  EXPECT_EQ(gang.Stations[1].Outcome.Result, TJobResult::Ok);
}

// The write-ahead record cannot be stored (another station holds the serial file's lock too
// long): nothing is written to the chip, and the station says the record failed.
TEST(StationRun, NoChipIsWrittenWhoseNumberCannotBeRecordedFirst) {
  TTempDir dir;
  TGang gang(1);
  TStationJob job;
  job.Operation = "write";
  job.Run = WriteJob;
  job.Chip = {"24Cxx", 1, "24C02", 256, 8, 0, 0, 1};
  job.Image.assign(256, 0x5A);
  std::string error;
  TSerialSpec layout;
  ASSERT_TRUE(ParseSerialSpec("0:7", layout, error));
  job.Serial = layout;
  job.Pool = std::make_unique<TSerialPool>(layout, dir.File("serial"));
  job.Pool->LockTimeoutMs = 30;
  ASSERT_TRUE(TakeSerialNumbers(job, gang.Stations));
  const std::vector<uint8_t> before = gang.Sim.Programmers[0]->Chip;
  const int held = open(dir.File("serial.lock").c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  RunStations(job, gang.Stations);
  close(held);
  const TStation& s = gang.Stations[0];
  EXPECT_TRUE(s.RecordFailed && s.SerialFileFailed);
  EXPECT_NE(s.Failure.find("nothing was written to the chip"), std::string::npos) << s.Failure;
  EXPECT_TRUE(s.Outcome.Written.Empty);
  EXPECT_EQ(s.NumberFate, "given-back");
  EXPECT_EQ(gang.Sim.Programmers[0]->Chip, before) << "the chip was written";
}
