// The document: bytes, checksum, undo of edits and of whole replacements with their origin,
// the modified state against the saved state, the changed-byte marks and the signals.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <vector>

#include "buffer/document.h"

namespace {

using Bytes = std::vector<uint8_t>;

TDocumentOrigin FileOrigin(const char* name) {
  TDocumentOrigin o;
  o.Kind = TOriginKind::File;
  o.Name = name;
  o.Format = "hex";
  return o;
}

// Fills the scratch space with value and adopts it as the file name.
void Open(TDocument& d, uint8_t value, const char* name) {
  std::span<uint8_t> s = d.Scratch();
  std::fill(s.begin(), s.end(), value);
  d.Adopt(FileOrigin(name));
}

struct TCounts {
  int Bytes = 0, Modified = 0, Undo = 0, Origin = 0;
  explicit TCounts(TDocument& d) {
    d.BytesChanged.Connect([this](TByteRange) { ++Bytes; });
    d.ModifiedChanged.Connect([this](bool) { ++Modified; });
    d.CanUndoChanged.Connect([this](bool) { ++Undo; });
    d.OriginChanged.Connect([this] { ++Origin; });
  }
};

}  // namespace

TEST(Document, StartsBlankUntitledAndUnmodified) {
  TDocument d(256);
  EXPECT_TRUE(std::all_of(d.Bytes().begin(), d.Bytes().end(), [](uint8_t b) { return b == 0xFF; }));
  EXPECT_EQ(d.Origin().Kind, TOriginKind::New);
  EXPECT_FALSE(d.Modified());
  EXPECT_FALSE(d.CanUndo());
  d.SetChipSize(128);
  EXPECT_EQ(d.Checksum(), 0x7F80);
}

TEST(Document, ChecksumFollowsEveryChangeOverTheSixteenBitCount) {
  struct Case {
    int32_t chipSize;
    int32_t address;
    Bytes bytes;
  } cases[] = {
      {3, 0, {1, 2, 3}},        // 1 + 2 + 3
      {3, 2, {0, 0}},           // the byte past the chip does not count
      {0x10010, 0x10000, {0}},  // 65536 + 16 bytes: only the first 16 count
      {0x10010, 15, {0}},       //
      {0, 0xFFFF, {0}},         // no chip: 65536 bytes
  };
  for (const auto& c : cases) {
    TDocument d(0x10020);
    d.SetChipSize(c.chipSize);
    d.Change(c.address, c.bytes);
    const int32_t n = std::min(SixteenBitCount(c.chipSize), d.Capacity());
    const uint16_t expected = static_cast<uint16_t>(std::accumulate(d.Data(), d.Data() + n, 0u));
    EXPECT_EQ(d.Checksum(), expected) << c.chipSize << " " << c.address;
    d.Undo();
    EXPECT_EQ(d.Checksum(), static_cast<uint16_t>(0xFF * n)) << c.chipSize << " " << c.address;
  }
}

TEST(Document, UndoOfAnOpenRestoresBytesOriginAndSavedState) {
  TDocument d(64);
  Open(d, 0x11, "a.hex");
  d.Change(3, Bytes{0x42});
  d.Saved(FileOrigin("a.hex"));
  EXPECT_FALSE(d.Modified());
  Open(d, 0x22, "b.hex");
  EXPECT_EQ(d.Origin().Name, "b.hex");
  EXPECT_EQ(d[3], 0x22);
  EXPECT_FALSE(d.Modified());

  ASSERT_TRUE(d.Undo());
  EXPECT_EQ(d.Origin().Name, "a.hex");
  EXPECT_EQ(d[3], 0x42);
  EXPECT_EQ(d[4], 0x11);
  EXPECT_FALSE(d.Modified());  // a.hex holds these bytes: it was saved so
  ASSERT_TRUE(d.Undo());       // the edit of a.hex
  EXPECT_TRUE(d.Modified());
  ASSERT_TRUE(d.Redo());
  ASSERT_TRUE(d.Redo());
  EXPECT_EQ(d.Origin().Name, "b.hex");
  EXPECT_FALSE(d.Modified());
  EXPECT_EQ(d[3], 0x22);
}

TEST(Document, UndoingBackToTheSavedStateClearsModified) {
  TDocument d(64);
  Open(d, 0, "a.hex");
  d.Change(0, Bytes{1});
  d.Change(1, Bytes{2});
  EXPECT_TRUE(d.Modified());
  d.Undo();
  EXPECT_TRUE(d.Modified());
  d.Undo();
  EXPECT_FALSE(d.Modified());
  d.Redo();
  d.Saved(FileOrigin("a.hex"));
  EXPECT_FALSE(d.Modified());
  d.Undo();
  EXPECT_TRUE(d.Modified());  // the file holds the edit now
  // A new edit after undoing past the saved state can never get back to it.
  d.Change(5, Bytes{5});
  d.Undo();
  EXPECT_TRUE(d.Modified());
}

TEST(Document, AnOpenEntryCountsAsModifiedUntilRecordedOrSettled) {
  TDocument d(16);
  d.Store(0, Bytes{0x70});
  EXPECT_TRUE(d.Modified());
  EXPECT_FALSE(d.CanUndo());
  d.Store(0, Bytes{0xFF});
  d.Settle();
  EXPECT_FALSE(d.Modified());
  d.Store(0, Bytes{0x7A});
  d.Record(0, Bytes{0xFF});
  EXPECT_TRUE(d.CanUndo());
  d.Undo();
  EXPECT_EQ(d[0], 0xFF);
  EXPECT_FALSE(d.Modified());
}

TEST(Document, ScratchWrittenWithoutAdoptChangesNothing) {
  TDocument d(32);
  Open(d, 0x33, "a.hex");
  std::span<uint8_t> s = d.Scratch();
  std::fill(s.begin(), s.end(), 0x00);  // a load that failed half way
  EXPECT_EQ(d[0], 0x33);
  EXPECT_EQ(d.Origin().Name, "a.hex");
  EXPECT_FALSE(d.Modified());
}

TEST(Document, ChangedMarksFollowTheBaselineThroughUndo) {
  TDocument d(32);
  Open(d, 0x10, "a.hex");
  d.Change(2, Bytes{0x99});
  EXPECT_TRUE(d.Changed(2));
  EXPECT_FALSE(d.Changed(1));
  Open(d, 0x20, "b.hex");
  EXPECT_FALSE(d.Changed(2));
  d.Change(7, Bytes{0x01});
  EXPECT_TRUE(d.Changed(7));
  d.Undo();  // the edit of b.hex
  d.Undo();  // the open of b.hex: a.hex's marks come back
  EXPECT_TRUE(d.Changed(2));
  EXPECT_FALSE(d.Changed(7));
  d.SetBaseline();
  EXPECT_FALSE(d.Changed(2));
  d.Redo();
  EXPECT_FALSE(d.Changed(2));
  EXPECT_EQ(d[2], 0x20);
}

TEST(Document, ClearStartsAnUntitledDocumentThatUndoTakesBack) {
  TDocument d(32);
  Open(d, 0x44, "a.hex");
  d.Change(0, Bytes{0});
  d.Clear();
  EXPECT_EQ(d.Origin().Kind, TOriginKind::New);
  EXPECT_FALSE(d.Modified());
  EXPECT_EQ(d[5], 0xFF);
  d.Undo();
  EXPECT_EQ(d.Origin().Name, "a.hex");
  EXPECT_TRUE(d.Modified());
  EXPECT_EQ(d[0], 0);
}

TEST(Document, SignalsTellEachChangeOnce) {
  TDocument d(32);
  TCounts n(d);
  d.Change(0, Bytes{1});
  EXPECT_EQ(n.Bytes, 1);
  EXPECT_EQ(n.Modified, 1);
  EXPECT_EQ(n.Undo, 1);
  d.Change(1, Bytes{1});
  EXPECT_EQ(n.Modified, 1);  // still modified: not told again
  EXPECT_EQ(n.Undo, 1);
  EXPECT_FALSE(d.Change(1, Bytes{1}));  // no change, no signal
  EXPECT_EQ(n.Bytes, 2);
  d.Saved(FileOrigin("x.bin"));
  EXPECT_EQ(n.Origin, 1);
  EXPECT_EQ(n.Modified, 2);
  Open(d, 0, "y.bin");
  EXPECT_EQ(n.Origin, 2);
  EXPECT_EQ(n.Bytes, 3);
}

TEST(EditHistory, StateIdsNameTheStateAcrossUndoAndDroppedSteps) {
  TEditHistory h(30);
  const uint64_t start = h.StateId();
  h.Record({0, Bytes(10)});
  const uint64_t one = h.StateId();
  EXPECT_NE(one, start);
  h.Undo();
  EXPECT_EQ(h.StateId(), start);
  h.Redo();
  h.Record({0, Bytes(10)});
  h.Record({0, Bytes(10)});
  h.Record({0, Bytes(10)});  // the first step is dropped: its state is where the history starts
  while (h.Undo()) {
  }
  EXPECT_EQ(h.StateId(), one);
}

TEST(Document, AdoptingWhatItHoldsAddsAStepOnlyWhenSomethingChanges) {
  struct Case {
    const char* what;
    std::function<void(TDocument&)> before;  // after the first open of "a" with 0x11
    uint8_t value;
    const char* name;
    bool step;
  } cases[] = {
      {"same bytes, same origin", [](TDocument&) {}, 0x11, "a", false},
      {"other bytes", [](TDocument&) {}, 0x22, "a", true},
      {"same bytes, other origin", [](TDocument&) {}, 0x11, "b", true},
      {"edited and undone by typing", [](TDocument& d) { d.Change(3, Bytes{0x11}); }, 0x11, "a", false},
      {"edited", [](TDocument& d) { d.Change(3, Bytes{0x33}); }, 0x11, "a", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TDocument d(64);
    Open(d, 0x11, "a");
    c.before(d);
    const bool modified = d.Modified();
    Open(d, c.value, c.name);
    EXPECT_FALSE(d.Modified());
    EXPECT_EQ(d[3], c.value);
    // Undo goes back to the state before the second open when it made a step.
    d.Undo();
    if (c.step)
      EXPECT_TRUE(d.Modified() == modified && (modified ? d[3] == 0x33 : d[3] == 0x11 && d.Origin().Name == "a"));
    else
      EXPECT_EQ(d.Origin().Kind, TOriginKind::New);
  }
}
