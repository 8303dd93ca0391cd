// The GUI-free editing of the chip's bytes: text forms, search, undo history and the editor.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <optional>
#include <vector>

#include "buffer/buffer_editor.h"
#include "buffer/byte_search.h"
#include "buffer/document.h"
#include "buffer/edit_history.h"
#include "buffer/hex_text.h"
#include "buffer/memory_buffer.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A small document edited as the grid edits the window's one; its bytes start as 0, 1, 2, ...
struct TEditorFixture {
  explicit TEditorFixture(int32_t size, int32_t capacity = 256) : Doc(capacity), Editor(Doc) {
    Bytes start(static_cast<size_t>(capacity));
    std::iota(start.begin(), start.end(), 0);
    Doc.Store(0, start);
    Doc.Settle();
    Editor.SetSize(size);
  }
  uint16_t TrueSum() const {
    const int32_t n = std::min<int32_t>(SixteenBitCount(Editor.Size()), Doc.Capacity());
    return uint16_t(std::accumulate(Doc.Data(), Doc.Data() + n, 0u));
  }
  void Type(const char* keys) {
    for (const char* k = keys; *k; ++k) Editor.TypeHexDigit(*k);
  }
  Bytes Slice(int32_t at, int32_t n) const { return Bytes(Doc.Data() + at, Doc.Data() + at + n); }
  Bytes All() const { return Bytes(Doc.Bytes().begin(), Doc.Bytes().end()); }
  // Sets a byte as the test's starting point, not as an edit.
  void Set(int32_t at, uint8_t value) {
    Doc.Store(at, {&value, 1});
    Doc.Settle();
  }
  uint16_t Sum() const { return Doc.Checksum(); }

  TDocument Doc;
  TBufferEditor Editor;
};

}  // namespace

TEST(ParseHexBytes, ReadsPairsWithAnySeparators) {
  struct Case {
    const char* text;
    std::optional<Bytes> bytes;
  } cases[] = {
      {"DE AD BE EF", Bytes{0xDE, 0xAD, 0xBE, 0xEF}},
      {"deadbeef", Bytes{0xDE, 0xAD, 0xBE, 0xEF}},
      {"de:ad-be,ef\r\n01\t02", Bytes{0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02}},
      {"0xDE, 0xAD", Bytes{0xDE, 0xAD}},
      {"  7f  ", Bytes{0x7F}},
      {"", std::nullopt},
      {" ,; ", std::nullopt},
      {"ABC", std::nullopt},  // odd run of digits
      {"GZ", std::nullopt},   // not hexadecimal
      {"12 3G", std::nullopt},
      {"AB \xD0\x94\xD0\x95", std::nullopt},  // Cyrillic letters are not separators
  };
  for (const auto& c : cases) EXPECT_EQ(ParseHexBytes(c.text), c.bytes) << c.text;
}

TEST(FormatHexBytes, PairsWithSpacesAndALineEvery16) {
  Bytes b(17);
  std::iota(b.begin(), b.end(), 0xF0);
  EXPECT_EQ(FormatHexBytes(b.data(), 3), "F0 F1 F2");
  EXPECT_EQ(FormatHexBytes(b.data(), b.size()), "F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF\n00");
}

TEST(ParseAddress, HexadecimalByDefaultDecimalAfterHash) {
  struct Case {
    const char* text;
    TAddressRead status;
    int64_t address;
  } cases[] = {
      {"1F", TAddressRead::Ok, 0x1F},
      {"0x1f", TAddressRead::Ok, 0x1F},
      {"$7F", TAddressRead::Ok, 0x7F},
      {"#31", TAddressRead::Ok, 31},
      {"  10 ", TAddressRead::Ok, 16},
      {"80", TAddressRead::OutOfRange, 0x80},
      {"#128", TAddressRead::OutOfRange, 128},
      {"#1F", TAddressRead::Invalid, 0},
      {"", TAddressRead::Invalid, 0},
      {"0x", TAddressRead::Invalid, 0},
      {"-1", TAddressRead::Invalid, 0},
      {"12 34", TAddressRead::Invalid, 0},
      {"FFFFFFFFFFFFFFFF", TAddressRead::Invalid, 0},
  };
  for (const auto& c : cases) {
    const TAddressResult r = ParseAddress(c.text, 128);
    EXPECT_EQ(r.Status, c.status) << c.text;
    if (c.status != TAddressRead::Invalid) {
      EXPECT_EQ(r.Address, c.address) << c.text;
    }
  }
}

TEST(FindBytes, ForwardAndBackwardWrapOnce) {
  //                0     1     2     3     4     5     6     7
  const Bytes data{0xAA, 0x01, 0x02, 0xAA, 0x01, 0x02, 0x03, 0xAA};
  const Bytes p{0xAA, 0x01};
  struct Case {
    int64_t from;
    bool forward;
    std::optional<int32_t> at;
    bool wrapped;
  } cases[] = {
      {0, true, 0, false},  {1, true, 3, false},  {4, true, 0, true},   {8, true, 0, true},
      {7, false, 3, false}, {3, false, 3, false}, {2, false, 0, false}, {-1, false, 3, true},
  };
  for (const auto& c : cases) {
    const auto found = FindBytes(data.data(), int32_t(data.size()), p, c.from, c.forward);
    ASSERT_TRUE(found) << c.from << c.forward;
    EXPECT_EQ(found->Address, *c.at) << c.from << c.forward;
    EXPECT_EQ(found->Wrapped, c.wrapped) << c.from << c.forward;
  }
  // A match never runs past the end; a missing pattern is not found.
  EXPECT_FALSE(FindBytes(data.data(), 8, Bytes{0xAA, 0x55}, 0, true));
  EXPECT_FALSE(FindBytes(data.data(), 7, Bytes{0xAA, 0x55}, 0, true));
  EXPECT_FALSE(FindBytes(data.data(), 1, Bytes{0xAA, 0x01}, 0, false));
}

// The skip table of the search must never jump over a match: every pattern of a small alphabet,
// with repeated bytes and its last byte repeated inside it, is found where a plain scan finds it.
TEST(FindBytes, AgreesWithAPlainScanOnRepetitiveData) {
  Bytes data(600);
  uint32_t seed = 7;
  for (auto& b : data) {
    seed = seed * 1103515245u + 12345u;
    b = uint8_t((seed >> 16) % 3);  // three values: many near matches
  }
  const Bytes patterns[] = {{0}, {1, 1}, {2, 0, 2}, {0, 1, 0, 1}, {1, 2, 2, 1, 2}, {2, 2, 2, 2, 2, 2}, {0, 0, 1, 0, 0}};
  for (const Bytes& p : patterns) {
    for (const int64_t from : {int64_t{0}, int64_t{1}, int64_t{299}, int64_t{599}}) {
      std::optional<int32_t> first, last;
      for (int64_t at = from; at + int64_t(p.size()) <= int64_t(data.size()) && !first; ++at)
        if (std::equal(p.begin(), p.end(), data.begin() + at)) first = int32_t(at);
      for (int64_t at = std::min<int64_t>(from, int64_t(data.size() - p.size())); at >= 0 && !last; --at)
        if (std::equal(p.begin(), p.end(), data.begin() + at)) last = int32_t(at);
      const auto forward = FindBytes(data.data(), int32_t(data.size()), p, from, true);
      const auto backward = FindBytes(data.data(), int32_t(data.size()), p, from, false);
      if (first) {
        ASSERT_TRUE(forward);
        EXPECT_EQ(forward->Address, *first) << p.size() << " from " << from;
      }
      if (last) {
        ASSERT_TRUE(backward);
        EXPECT_EQ(backward->Address, *last) << p.size() << " from " << from;
      }
    }
  }
}

TEST(EditHistory, KeepsOnlyTheChangedSpanWithinItsCapacity) {
  Bytes before(1000, 0), after(1000, 0);
  after[10] = 1;
  after[19] = 2;
  TEditHistory history(100);
  EXPECT_FALSE(history.RecordDifference(before.data(), before.data(), before.size()));
  EXPECT_TRUE(history.RecordDifference(before.data(), after.data(), after.size()));
  EXPECT_EQ(history.MemoryUsed(), 10u);
  TEditStep* step = history.Undo();
  ASSERT_TRUE(step);
  EXPECT_EQ(step->Address, 10);
  EXPECT_EQ(step->Bytes, Bytes(10, 0));
  // A new step drops what could be redone; the oldest steps go when the capacity is passed.
  history.Redo();
  for (int i = 0; i < 12; ++i) history.Record({i, Bytes(10, 1)});
  EXPECT_LE(history.MemoryUsed(), 100u);
  EXPECT_EQ(history.StepCount(), 10u);
  history.Undo();
  history.Record({0, Bytes(1)});
  EXPECT_FALSE(history.CanRedo());
  // A step larger than the whole capacity empties the history.
  history.Record({0, Bytes(120)});
  EXPECT_FALSE(history.CanUndo());
  EXPECT_EQ(history.MemoryUsed(), 0u);
}

TEST(BufferEditor, TypingStoresWhatTheEntryShows) {
  struct Case {
    const char* keys;
    bool commit;  // Enter after the keys
    Bytes bytes;  // bytes 0 and 1 afterwards
    int32_t cursor;
  } cases[] = {
      {"7", true, {0x70, 0x01}, 0},   // one digit replaces the high half only
      {"7", false, {0x70, 0x01}, 0},  // the byte follows the entry as it is typed
      {"C4", false, {0xC4, 0x01}, 1},   {"c4e", false, {0xC4, 0xE1}, 1},
      {"GZ", true, {0x00, 0x01}, 0},  // refused keys change nothing
      {"g-1z ", true, {0x10, 0x01}, 0},
  };
  for (const auto& c : cases) {
    TEditorFixture f(32);
    f.Type(c.keys);
    if (c.commit) f.Editor.CommitEntry();
    EXPECT_EQ(f.Slice(0, 2), c.bytes) << c.keys;
    EXPECT_EQ(f.Editor.Cursor(), c.cursor) << c.keys;
    EXPECT_EQ(f.Sum(), f.TrueSum()) << c.keys;
  }
}

// A digit typed into a byte and left replaces its half only: 75, "A" and away gives A5, not A0;
// the second digit replaces the low half and moves on; undo gives back the byte as it was.
TEST(BufferEditor, ADigitReplacesOnlyItsHalf) {
  TEditorFixture f(32);
  f.Set(5, 0x75);
  f.Set(6, 0x3C);
  f.Editor.MoveTo(5, false);
  f.Type("A");
  EXPECT_TRUE(f.Editor.Entering());
  EXPECT_EQ(f.Doc[5], 0xA5);
  f.Editor.MoveTo(6, false);  // leaving the byte keeps it as shown
  EXPECT_EQ(f.Doc[5], 0xA5);
  EXPECT_FALSE(f.Editor.Entering());
  f.Type("E");
  f.Editor.CommitEntry();
  EXPECT_EQ(f.Doc[6], 0xEC);
  f.Editor.MoveTo(5, false);
  f.Type("9");
  EXPECT_EQ(f.Doc[5], 0x95);
  f.Type("1");
  EXPECT_EQ(f.Doc[5], 0x91);
  EXPECT_EQ(f.Editor.Cursor(), 6);
  EXPECT_EQ(f.Sum(), f.TrueSum());
  EXPECT_TRUE(f.Editor.Undo());
  EXPECT_EQ(f.Doc[5], 0xA5);
  EXPECT_TRUE(f.Editor.Undo());
  EXPECT_EQ(f.Doc[6], 0x3C);
  EXPECT_TRUE(f.Editor.Undo());
  EXPECT_EQ(f.Doc[5], 0x75);
  EXPECT_EQ(f.Sum(), f.TrueSum());
}

TEST(BufferEditor, TypingFlowsUndoesPerByteAndCancels) {
  TEditorFixture f(32);
  f.Type("DEADBEEF");
  EXPECT_EQ(f.Slice(0, 5), (Bytes{0xDE, 0xAD, 0xBE, 0xEF, 0x04}));
  EXPECT_EQ(f.Editor.Cursor(), 4);
  EXPECT_TRUE(f.Editor.Undo());
  EXPECT_TRUE(f.Editor.Undo());
  EXPECT_EQ(f.Slice(0, 4), (Bytes{0xDE, 0xAD, 0x02, 0x03}));
  EXPECT_EQ(f.Editor.Cursor(), 2);
  EXPECT_EQ(f.Sum(), f.TrueSum());
  EXPECT_TRUE(f.Editor.Redo());
  EXPECT_EQ(f.Slice(2, 1), Bytes{0xBE});
  EXPECT_EQ(f.Sum(), f.TrueSum());
  // Escape and Backspace put back the byte an entry started from; Backspace then goes back.
  f.Editor.MoveTo(10, false);
  f.Type("5");
  EXPECT_EQ(f.Doc[10], 0x5A);
  f.Editor.CancelEntry();
  EXPECT_EQ(f.Doc[10], 10);
  f.Type("6");
  f.Editor.Backspace();
  EXPECT_EQ(f.Doc[10], 10);
  f.Editor.Backspace();
  EXPECT_EQ(f.Editor.Cursor(), 9);
  EXPECT_EQ(f.Sum(), f.TrueSum());
  // At the last byte the entry closes there; typing on is refused until the current byte moves.
  f.Editor.MoveTo(31, false);
  f.Type("AB");
  EXPECT_EQ(f.Editor.Cursor(), 31);
  EXPECT_EQ(f.Doc[31], 0xAB);
  EXPECT_FALSE(f.Editor.Entering());
  EXPECT_FALSE(f.Editor.TypeHexDigit('C'));
  f.Type("CD");
  EXPECT_EQ(f.Doc[31], 0xAB);
  EXPECT_EQ(f.Doc[32], 32);
  f.Editor.MoveTo(31, false);
  f.Type("C");
  EXPECT_EQ(f.Doc[31], 0xCB);
}

TEST(BufferEditor, SelectionAndSizeKeepTheCursorInTheChip) {
  TEditorFixture f(100);
  f.Editor.MoveTo(20, false);
  f.Editor.MoveTo(5, true);
  EXPECT_EQ(f.Editor.Selection().Start, 5);
  EXPECT_EQ(f.Editor.Selection().Length, 16);
  EXPECT_EQ(f.Editor.SelectionChecksum(), std::accumulate(f.Doc.Data() + 5, f.Doc.Data() + 21, 0));
  f.Editor.MoveTo(1000, false);
  EXPECT_EQ(f.Editor.Cursor(), 99);
  f.Editor.SelectAll();
  EXPECT_EQ(f.Editor.Selection().Length, 100);
  // Shrinking keeps the column on the last row, within the chip.
  f.Editor.MoveTo(0x56, false);
  f.Editor.SetSize(0x42);
  EXPECT_EQ(f.Editor.Cursor(), 0x41);
  f.Editor.SetSize(0x48);
  f.Editor.MoveTo(0x46, false);
  f.Editor.SetSize(0x30);
  EXPECT_EQ(f.Editor.Cursor(), 0x26);
  f.Editor.SetSize(0);
  EXPECT_EQ(f.Editor.Selection().Length, 0);
  EXPECT_FALSE(f.Editor.TypeHexDigit('1'));
}

TEST(BufferEditor, PasteFillSwapKeepTheChecksumAndUndo) {
  TEditorFixture f(64);
  const Bytes original = f.All();
  f.Editor.MoveTo(60, false);
  EXPECT_EQ(f.Editor.Paste("01 02 03 04 05"), TPasteResult::PastEnd);
  EXPECT_EQ(f.Editor.Paste("zz"), TPasteResult::NotHex);
  EXPECT_EQ(f.All(), original);
  EXPECT_EQ(f.Editor.Paste("0x01,0x02,0x03,0x04"), TPasteResult::Done);
  EXPECT_EQ(f.Slice(60, 4), (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(f.Sum(), f.TrueSum());

  f.Editor.Select(8, 7);
  const Bytes pattern{0xAB, 0xCD};
  EXPECT_TRUE(f.Editor.Fill(pattern));
  EXPECT_EQ(f.Slice(7, 9), (Bytes{7, 0xAB, 0xCD, 0xAB, 0xCD, 0xAB, 0xCD, 0xAB, 15}));
  EXPECT_EQ(f.Sum(), f.TrueSum());

  f.Editor.Select(0, 5);
  EXPECT_TRUE(f.Editor.SwapPairs());
  EXPECT_EQ(f.Slice(0, 6), (Bytes{1, 0, 3, 2, 4, 5}));
  EXPECT_EQ(f.Sum(), f.TrueSum());
  // One byte selected: the whole chip is swapped.
  f.Editor.MoveTo(0, false);
  EXPECT_TRUE(f.Editor.SwapPairs());
  EXPECT_EQ(f.Slice(0, 4), (Bytes{0, 1, 2, 3}));
  EXPECT_EQ(f.Slice(62, 2), (Bytes{4, 3}));

  for (int i = 0; i < 4; ++i) EXPECT_TRUE(f.Editor.Undo());
  EXPECT_FALSE(f.Editor.Undo());
  EXPECT_EQ(f.All(), original);
  EXPECT_EQ(f.Sum(), f.TrueSum());
}

TEST(BufferEditor, FindSelectsTheMatchAndWraps) {
  TEditorFixture f(64);
  for (int32_t at : {10, 11, 40, 41}) f.Set(at, 0xEE);
  const Bytes p{0xEE, 0xEE};
  f.Editor.MoveTo(12, false);
  auto found = f.Editor.Find(p, true, false);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->Address, 40);
  EXPECT_FALSE(found->Wrapped);
  EXPECT_EQ(f.Editor.Selection().Start, 40);
  EXPECT_EQ(f.Editor.Selection().Length, 2);
  found = f.Editor.Find(p, true, true);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->Address, 10);
  EXPECT_TRUE(found->Wrapped);
  found = f.Editor.Find(p, false, true);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->Address, 40);
  EXPECT_TRUE(found->Wrapped);
  // Bytes past the chip's size are never found.
  f.Editor.SetSize(40);
  EXPECT_EQ(f.Editor.Find(p, true, true)->Address, 10);
}

TEST(BufferEditor, PasteWritesFromTheSelectionsStart) {
  TEditorFixture f(64);
  // Selected from 20 back to 10: the paste starts at 10, whichever end the current byte is at.
  f.Editor.MoveTo(20, false);
  f.Editor.MoveTo(10, true);
  EXPECT_EQ(f.Editor.Paste("AA BB"), TPasteResult::Done);
  EXPECT_EQ(f.Slice(10, 3), (Bytes{0xAA, 0xBB, 12}));
  f.Editor.MoveTo(30, false);
  f.Editor.MoveTo(40, true);
  EXPECT_EQ(f.Editor.Paste("CC"), TPasteResult::Done);
  EXPECT_EQ(f.Slice(30, 2), (Bytes{0xCC, 31}));
  EXPECT_EQ(f.Doc[40], 40);
}

TEST(BufferEditor, UndoTakesBackAWholeReplacementToo) {
  TEditorFixture f(128);
  const Bytes original = f.All();
  std::span<uint8_t> scratch = f.Doc.Scratch();
  std::fill(scratch.begin(), scratch.end(), 0xFF);
  f.Doc.Adopt(TDocumentOrigin::ReadFromChip("24C01"));
  EXPECT_EQ(f.Sum(), f.TrueSum());
  EXPECT_TRUE(f.Editor.Undo());
  EXPECT_EQ(f.All(), original);
  EXPECT_EQ(f.Sum(), f.TrueSum());
  EXPECT_TRUE(f.Editor.CanRedo());
}

TEST(BufferEditor, ChecksumCoversOnlyTheSixteenBitCount) {
  // 65536 + 16 bytes: the checksum covers the first 16, so edits above leave it alone.
  TDocument doc(0x10020);
  doc.Store(0, Bytes(0x10020, 1));
  doc.Settle();
  TBufferEditor editor(doc);
  editor.SetSize(0x10010);
  EXPECT_EQ(doc.Checksum(), 16);
  editor.MoveTo(0x10000, false);
  EXPECT_EQ(editor.Paste("FF"), TPasteResult::Done);
  EXPECT_EQ(doc.Checksum(), 16);
  editor.MoveTo(3, false);
  EXPECT_EQ(editor.Paste("FF"), TPasteResult::Done);
  EXPECT_EQ(doc.Checksum(), 16 - 1 + 0xFF);
}
