// Blank check and erase on the simulated programmer: what they find, what they write, the
// question before erasing, and the failures of the chip routines under them.
#include <gtest/gtest.h>

#include <algorithm>

#include "chipops/chip_rig.h"
#include "programmer/blank_erase.h"

namespace {
using TKind = TScriptedUserInterface::TKind;

// Chips of every access scheme. A chip under 32 bytes is read as one block of 32, whose bytes past
// Size must not count; a word-organised chip of odd Size leaves its last byte unread.
const TChip kChips[] = {ChipOf(1, 4096, 32, 0), ChipOf(1, 16, 8, 0), ChipOf(2, 0x20000, 32, 0), ChipOf(3, 128, 0, 0),
                        ChipOf(3, 127, 0, 1)};
}  // namespace

TEST(BlankErase, EraseMakesEveryChipBlankAndTheCheckSaysSo) {
  for (const TChip& chip : kChips) {
    SCOPED_TRACE(std::to_string(chip.ChipType) + "/" + std::to_string(chip.Size));
    TChipRig rig;
    const size_t size = static_cast<size_t>(chip.Size);
    // A pattern chip: not blank; the pattern's first byte that is not 0xFF and its count.
    size_t first = 0, count = 0;
    for (size_t i = 0; i < size; ++i)
      if (rig.Device->Chip[i] != 0xFF && count++ == 0) first = i;
    ASSERT_GT(count, 0u);
    rig.Device->Chip[0] = 0xFF;
    if (first == 0) {
      first = 1;
      while (rig.Device->Chip[first] == 0xFF) ++first;
      --count;
    }
    TBlankCheck check = BlankCheckChip(rig.Programmer, chip, rig.Ui);
    EXPECT_EQ(check.Run, TChipRun::Done);
    EXPECT_FALSE(check.Blank());
    EXPECT_EQ(check.FirstNonBlank, first);
    // A type 3 word chip with an odd Size does not read its last byte.
    const size_t unread = chip.ChipType == 3 && chip.Org == 1 && size % 2 ? (rig.Device->Chip[size - 1] != 0xFF) : 0;
    EXPECT_EQ(check.NonBlank, count - unread);
    ASSERT_EQ(rig.Ui.Shown.size(), 1u);
    EXPECT_EQ(rig.Ui.Shown[0].Kind, TKind::Error);
    EXPECT_NE(rig.Ui.Shown[0].Text.find("is not blank"), std::string::npos) << rig.Ui.Shown[0].Text;

    rig.Ui.Shown.clear();
    rig.Ui.Answers = {TAnswer::Yes};
    const auto erased = EraseChip(rig.Programmer, chip, rig.Ui);
    ASSERT_TRUE(erased.has_value());
    EXPECT_EQ(*erased, TChipCheck::Same);
    const size_t written = chip.ChipType == 3 && chip.Org == 1 ? size / 2 * 2 : size;
    EXPECT_TRUE(
        std::all_of(rig.Device->Chip.begin(), rig.Device->Chip.begin() + written, [](uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(rig.Device->Chip[size], TChipRig::Pattern(size, 1));  // nothing past the chip
    ASSERT_EQ(rig.Ui.Shown.size(), 2u);
    EXPECT_EQ(rig.Ui.Shown[0].Kind, TKind::Question);
    EXPECT_EQ(rig.Ui.Shown[0].Text, "Erase all " + std::to_string(size) + " bytes of TEST?");
    EXPECT_EQ(rig.Ui.Shown[1].Text, "Erase OK");

    rig.Ui.Shown.clear();
    rig.Device->Chip[size - 1] = 0xFF;  // the odd word chip's unread byte
    check = BlankCheckChip(rig.Programmer, chip, rig.Ui);
    EXPECT_TRUE(check.Blank());
    EXPECT_EQ(rig.Ui.Texts(), (std::vector<std::string>{"The chip TEST is blank."}));
  }
}

TEST(BlankErase, NotBlankMessageNamesTheFirstAddressAndTheCount) {
  TChipRig rig;
  std::fill(rig.Device->Chip.begin(), rig.Device->Chip.end(), 0xFF);
  rig.Device->Chip[0x1234] = 0;
  rig.Device->Chip[0x1FFF] = 0x7F;
  rig.Device->Chip[0x2000] = 0;  // past the chip
  BlankCheckChip(rig.Programmer, ChipOf(1, 8192, 32, 0), rig.Ui);
  EXPECT_EQ(rig.Ui.Texts(),
            (std::vector<std::string>{
                "The chip TEST is not blank: the first byte other than FF is at 0x001234; 2 bytes are not FF."}));
}

TEST(BlankErase, EraseAnsweredNoSendsNothingAndWithoutChipOrProgrammerAsksNothing) {
  TChipRig rig;
  const auto before = rig.Device->Chip;
  rig.Ui.Answers = {TAnswer::No};
  EXPECT_FALSE(EraseChip(rig.Programmer, ChipOf(1, 4096, 32, 0), rig.Ui).has_value());
  EXPECT_TRUE(rig.Device->Sent.empty());
  EXPECT_EQ(rig.Device->Chip, before);

  // Without a chip there is nothing to ask about.
  rig.Ui.Shown.clear();
  EXPECT_EQ(EraseChip(rig.Programmer, TChip{}, rig.Ui), TChipCheck::Refused);
  EXPECT_EQ(rig.Ui.Texts(), (std::vector<std::string>{"Select a chip first."}));
  EXPECT_TRUE(rig.Device->Sent.empty());

  rig.Programmer.HeldDevice = nullptr;
  rig.Ui.Shown.clear();
  EXPECT_EQ(EraseChip(rig.Programmer, ChipOf(1, 4096, 32, 0), rig.Ui), TChipCheck::NoProgrammer);
  EXPECT_EQ(BlankCheckChip(rig.Programmer, ChipOf(1, 4096, 32, 0), rig.Ui).Run, TChipRun::NoProgrammer);
  EXPECT_EQ(rig.Ui.Texts(), (std::vector<std::string>{"Programmer not found!", "Programmer not found!"}));
}

// A read that fails partway reports no blankness; an erase whose read-back finds a byte that
// did not take is a failed erase.
TEST(BlankErase, FailuresOfTheChipRoutinesCarryThrough) {
  TChipRig rig;
  rig.Device->NoAnswerAt(rig.Device->ExchangeCount() + 5);
  const TBlankCheck check = BlankCheckChip(rig.Programmer, ChipOf(1, 4096, 32, 0), rig.Ui);
  EXPECT_EQ(check.Run, TChipRun::NoAnswer);
  EXPECT_FALSE(check.Blank());
  EXPECT_EQ(rig.Ui.Texts(), (std::vector<std::string>{"The programmer did not answer. The operation was stopped."}));

  rig.Device->ClearFaults();
  rig.Ui.Shown.clear();
  rig.Ui.Answers = {TAnswer::Yes};
  // The 4096-byte chip's sample takes 1 + 16 + 1 exchanges, its write 1 + 128 + 1; a flipped byte
  // in the read-back.
  rig.Device->FlipByteAt(rig.Device->ExchangeCount() + 18 + 130 + 3);
  EXPECT_EQ(EraseChip(rig.Programmer, ChipOf(1, 4096, 32, 0), rig.Ui), TChipCheck::Different);
  EXPECT_EQ(rig.Ui.Shown.back().Text.rfind("Erase failed\n\r", 0), 0u) << rig.Ui.Shown.back().Text;
}
