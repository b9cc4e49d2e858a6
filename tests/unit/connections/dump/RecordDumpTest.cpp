// The dump engine against simulated clocks in virtual time: what it keeps, what it releases and
// when, how it ends, and that no record leaves a clock before the sink said it was kept.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "connections/PictureStore.h"
#include "connections/RecordDump.h"
#include "support/DumpLeaves.h"
#include "support/SimulatedLine.h"
#include "utils/MessageHook.h"

namespace {

using testsupport::SimulatedLine;

const char* const kFiveRecords =
    "clear-records; record 1001 1403/09/17 08:01; record 1002 1403/09/17 08:02;"
    "record 1003 1403/09/17 08:03; record 1004 1403/09/17 08:04; record 1005 1403/09/17 08:05";

// Keeps every record in memory; refuses the record at RefuseAt (counting from 0). Records what
// the clock still held at each Persist, to show that nothing was released before it.
class MemorySink : public IDumpSink {
 public:
  explicit MemorySink(SimulatedLine* ALine = nullptr) : FLine(ALine) {}
  bool Persist(const TDumpEntry& AEntry, std::string& AError) override {
    if (FLine) HeldAtPersist.push_back(FLine->RecordsLeft());
    if (static_cast<int>(Cards.size()) == RefuseAt) {
      AError = "disk full";
      return false;
    }
    Cards.push_back(AEntry.Record.KartNo);
    Flags.push_back(AEntry.Flag);
    Raws.push_back(AEntry.Raw);
    Days.push_back(AEntry.Day.Gregorian);
    if (AfterPersist) AfterPersist();
    return true;
  }
  void Notice(const TDumpNotice& ANotice) override { Notices.push_back(ANotice.Kind); }

  std::vector<std::string> Cards;
  std::vector<TRecordFlag> Flags;
  std::vector<std::string> Raws;
  std::vector<std::string> Days;
  std::vector<int> HeldAtPersist;
  std::vector<TDumpNoticeKind> Notices;
  int RefuseAt = -1;
  std::function<void()> AfterPersist;

 private:
  SimulatedLine* FLine;
};

class RecordDumpTest : public ::testing::Test {
 protected:
  RecordDumpTest()
      : hook([this](const std::string& AMessage, TMsgDlgType, TMsgDlgButtons, std::int32_t) {
          Messages.push_back(AMessage);
          return static_cast<int>(mrOk);
        }) {}
  TDumpResult Dump(SimulatedLine& ALine, IDumpSink& ASink, TDumpOptions AOptions) {
    return TRecordDump(ALine.Line, ALine.Clock(), ASink, std::move(AOptions)).Run();
  }
  static TDumpOptions Count(int ACount) {
    TDumpOptions o;
    o.Count = ACount;
    return o;
  }

  sim::ScopedVirtualPlatform vp;
  std::vector<std::string> Messages;
  TScopedMessageHook hook;
};

// The three ways records leave a clock: one by one on the text protocols, a block at a time on
// HDLC (three records a block here).
TEST_F(RecordDumpTest, RecordsLeaveAsTheirFamilyReleasesThem) {
  struct Case {
    const char* Name;
    const char* Scenario;
    TClockSearchType Search;
    int Count;
    bool FinishRelease;
    const char* Leaves;
    TDumpStop Stop;
    int RecordsLeft;
  };
  const std::string hdlc = std::string("protocol hdlc; ") + kFiveRecords;
  const std::string bus = std::string("protocol rs485; clock 1; ") + kFiveRecords;
  const Case cases[] = {
      {"text, three of five", kFiveRecords, cstKRTalFast, 3, false, "LLL",
       TDumpStop::CountReached, 2},
      {"text, three of five, finished", kFiveRecords, cstKRTalFast, 3, true, "LLL",
       TDumpStop::CountReached, 2},
      {"text, all", kFiveRecords, cstKRTalFast, 0, false, "LLLLL", TDumpStop::ClockEmpty, 0},
      {"bus, four of five", bus.c_str(), cstKRTal, 4, false, "LLLL", TDumpStop::CountReached, 1},
      // Two records of the first block taken: the block is still on the clock.
      {"hdlc, two of five", hdlc.c_str(), cstKRTalR2, 2, false, "PP", TDumpStop::CountReached, 5},
      // Finishing the release reads the block to its end, and the block leaves.
      {"hdlc, one of five, finished", hdlc.c_str(), cstKRTalR2, 1, true, "LLL",
       TDumpStop::CountReached, 2},
      // The third record's release asks for the next block, which releases the first.
      {"hdlc, four of five", hdlc.c_str(), cstKRTalR2, 4, false, "LLLP", TDumpStop::CountReached,
       2},
      {"hdlc, four of five, finished", hdlc.c_str(), cstKRTalR2, 4, true, "LLLLL",
       TDumpStop::CountReached, 0},
      {"hdlc, all", hdlc.c_str(), cstKRTalR2, 0, false, "LLLLL", TDumpStop::ClockEmpty, 0},
  };
  for (const Case& c : cases) {
    // Without the entries kept, the dump does the same and its counts say the same.
    for (const bool keep : {true, false}) {
      SCOPED_TRACE(std::string(c.Name) + (keep ? "" : ", entries not kept"));
      SimulatedLine line(vp.P, c.Scenario, c.Search);
      MemorySink sink(&line);
      TDumpOptions options = Count(c.Count);
      options.FinishRelease = c.FinishRelease;
      options.KeepEntries = keep;
      const TDumpResult result = Dump(line, sink, options);
      EXPECT_EQ(Leaves(result), keep ? c.Leaves : "");
      EXPECT_EQ(CountedLeaves(result), c.Leaves);
      EXPECT_EQ(result.Stop, c.Stop);
      EXPECT_EQ(line.RecordsLeft(), c.RecordsLeft);
      const std::vector<std::string> all = {"1001", "1002", "1003", "1004", "1005"};
      EXPECT_EQ(sink.Cards, std::vector<std::string>(all.begin(), all.begin() + result.Kept));
      EXPECT_EQ(result.Kept, static_cast<int>(std::string(c.Leaves).size()));
    }
  }
}

TEST_F(RecordDumpTest, NoRecordLeavesBeforeTheSinkKeptIt) {
  SimulatedLine line(vp.P, kFiveRecords, cstKRTalFast);
  MemorySink sink(&line);
  sink.RefuseAt = 2;
  const TDumpResult result = Dump(line, sink, Count(0));
  // At each Persist the record was still on the clock.
  EXPECT_EQ(sink.HeldAtPersist, (std::vector<int>{5, 4, 3}));
  EXPECT_EQ(result.Stop, TDumpStop::SinkFailed);
  EXPECT_EQ(result.Error, "disk full");
  EXPECT_EQ(Leaves(result), "LLS");
  EXPECT_EQ(line.RecordsLeft(), 3);
  // The refused record is the first one the next dump reads.
  MemorySink next;
  Dump(line, next, Count(1));
  EXPECT_EQ(next.Cards, std::vector<std::string>{"1003"});
}

TEST_F(RecordDumpTest, CancelledDumpReleasesWhatItKeptAndNothingMore) {
  SimulatedLine line(vp.P, kFiveRecords, cstKRTalFast);
  MemorySink sink;
  bool cancel = false;
  sink.AfterPersist = [&] { cancel = true; };
  TDumpOptions options = Count(0);
  options.Cancelled = [&] { return cancel; };
  const TDumpResult result = Dump(line, sink, options);
  EXPECT_EQ(result.Stop, TDumpStop::Cancelled);
  EXPECT_EQ(Leaves(result), "L");
  EXPECT_EQ(line.RecordsLeft(), 4);
}

// Reads that bring nothing: from the fourth in a row on, each waits a second (virtual time) and
// asks whether the line is empty; the eleventh ends the dump.
TEST_F(RecordDumpTest, FruitlessReadsSlowDownThenEndTheDump) {
  SimulatedLine line(vp.P, kFiveRecords, cstKRTalFast);
  line.TextClock()->misbehave(sim::Misbehaviour::silence());
  MemorySink sink;
  const std::uint64_t start = vp.P.Clock.elapsed();
  const TDumpResult result = Dump(line, sink, Count(3));
  EXPECT_EQ(result.Stop, TDumpStop::NoAnswer);
  EXPECT_TRUE(result.Entries.empty());
  EXPECT_EQ(result.LastError, ceClockDisconnected);
  const auto waits = std::count(sink.Notices.begin(), sink.Notices.end(), TDumpNoticeKind::Waiting);
  EXPECT_EQ(waits, TRecordDump::kStopAfterFruitless - TRecordDump::kSlowAfterFruitless);
  EXPECT_GE(vp.P.Clock.elapsed() - start, static_cast<std::uint64_t>(waits) * 1000);
  EXPECT_EQ(line.RecordsLeft(), 5);

  // A cancel during a pause ends the dump within a step of the pause.
  MemorySink cancelled;
  TDumpOptions options = Count(3);
  std::uint64_t cancelAt = 0;
  options.Cancelled = [&] {
    if (cancelAt == 0 && !cancelled.Notices.empty() &&
        cancelled.Notices.back() == TDumpNoticeKind::Waiting)
      cancelAt = vp.P.Clock.elapsed() + 100;
    return cancelAt != 0 && vp.P.Clock.elapsed() >= cancelAt;
  };
  EXPECT_EQ(Dump(line, cancelled, options).Stop, TDumpStop::Cancelled);
  EXPECT_LE(vp.P.Clock.elapsed() - cancelAt, TRecordDump::kPauseStepMs);
}

TEST_F(RecordDumpTest, EmptyClockEndsTheDumpAtOnce) {
  SimulatedLine line(vp.P, "clear-records", cstKRTalFast);
  MemorySink sink;
  const TDumpResult result = Dump(line, sink, Count(3));
  EXPECT_EQ(result.Stop, TDumpStop::ClockEmpty);
  EXPECT_EQ(result.LastError, ceClockEmpty);
  EXPECT_TRUE(sink.Notices.empty());
}

// A record the clock sends unreadable on every try is kept raw, marked, and released: it must not
// come first at every dump for ever. The records after it are read as usual. The same holds for
// a record in the middle of an HDLC block. A bad record that the sink cannot keep stays.
TEST_F(RecordDumpTest, BadRecordIsKeptRawThenReleased) {
  struct Case {
    const char* Name;
    const char* Scenario;
    TClockSearchType Search;
    int RefuseAt;
    const char* Leaves;
    TDumpStop Stop;
    int RecordsLeft;
  };
  // Three tries of the record request come corrupt: the first record on the text clock, the
  // block holding the first three on HDLC (only its first record is spoilt).
  const std::string text = std::string(kFiveRecords) + "; misbehave corrupt times=3 cmd=03";
  const std::string hdlc = std::string("protocol hdlc; ") + kFiveRecords + "; misbehave corrupt times=1";
  const Case cases[] = {
      {"text", text.c_str(), cstKRTalFast, -1, "LLLLL", TDumpStop::ClockEmpty, 0},
      {"hdlc", hdlc.c_str(), cstKRTalR2, -1, "LLLLL", TDumpStop::ClockEmpty, 0},
      {"text, not kept", text.c_str(), cstKRTalFast, 0, "S", TDumpStop::SinkFailed, 5},
  };
  for (const Case& c : cases) {
    // Without the entries kept, the records are read into one entry: the bad record's marks must
    // not stay on the records after it.
    for (const bool keep : {true, false}) {
      SCOPED_TRACE(std::string(c.Name) + (keep ? "" : ", entries not kept"));
      SimulatedLine line(vp.P, c.Scenario, c.Search);
      MemorySink sink(&line);
      sink.RefuseAt = c.RefuseAt;
      TDumpOptions options = Count(0);
      options.KeepEntries = keep;
      const TDumpResult result = Dump(line, sink, options);
      EXPECT_EQ(result.Stop, c.Stop);
      EXPECT_EQ(CountedLeaves(result), c.Leaves);
      EXPECT_EQ(line.RecordsLeft(), c.RecordsLeft);
      EXPECT_EQ(result.BadRecords, 1);
      EXPECT_EQ(std::count(sink.Notices.begin(), sink.Notices.end(), TDumpNoticeKind::BadRecord),
                1);
      if (keep || c.RefuseAt >= 0) {
        ASSERT_FALSE(result.Entries.empty());
        const TDumpEntry& bad = result.Entries.front();
        EXPECT_EQ(bad.Flag, TRecordFlag::BadRecord);
        EXPECT_FALSE(bad.Raw.empty());
      }
      if (c.RefuseAt >= 0) continue;
      // Kept before it left, like any record; the others unmarked, with their own days.
      EXPECT_EQ(sink.HeldAtPersist.front(), 5);
      EXPECT_EQ(sink.Cards, (std::vector<std::string>{"", "1002", "1003", "1004", "1005"}));
      EXPECT_EQ(sink.Flags, (std::vector<TRecordFlag>{TRecordFlag::BadRecord, TRecordFlag::None,
                                                      TRecordFlag::None, TRecordFlag::None,
                                                      TRecordFlag::None}));
      ASSERT_EQ(sink.Raws.size(), 5u);
      EXPECT_FALSE(sink.Raws.front().empty());
      EXPECT_EQ(sink.Days.front(), "");
      for (std::size_t i = 1; i < 5; ++i) {
        EXPECT_EQ(sink.Raws[i], "");
        EXPECT_EQ(sink.Days[i], "2024-12-07");
      }
    }
  }
}

// A text clock whose own date does not exist gives its short records no year: they are kept with
// the month and day they carry, marked, never dated by a guess.
TEST_F(RecordDumpTest, RecordsOfAClockWithAnImpossibleDateAreKeptAsSentAndMarked) {
  SimulatedLine line(vp.P, std::string(kFiveRecords) + "; shown-datetime 0000/13/45 10:30",
                     cstKRTalFast);
  MemorySink sink(&line);
  const TDumpResult result = Dump(line, sink, Count(0));
  EXPECT_EQ(result.Stop, TDumpStop::ClockEmpty);
  ASSERT_EQ(result.Entries.size(), 5u);
  for (const TDumpEntry& e : result.Entries) {
    EXPECT_EQ(e.Flag, TRecordFlag::BadDate);
    EXPECT_EQ(e.Record.Date.str(), "0917");
    EXPECT_FALSE(e.Raw.empty());
  }
  EXPECT_EQ(result.Entries[2].Record.KartNo, "1003");
  EXPECT_EQ(result.Entries[2].Record.Time.str(), "08:03");
  EXPECT_EQ(result.BadRecords, 0);
  EXPECT_EQ(line.RecordsLeft(), 0);
}

class RecordDumpPictures : public RecordDumpTest {
 protected:
  std::string Folder() const { return Dir.path().toStdString() + "/pictures"; }
  // Every record, with the pictures asked for and stored below Folder().
  TDumpResult DumpWithPictures(SimulatedLine& ALine, IDumpSink& ASink) {
    const TPictureStore store(Folder());
    TDumpOptions options = Count(0);
    options.WantPictures = true;
    options.Pictures = &store;
    return Dump(ALine, ASink, options);
  }
  QTemporaryDir Dir;
};

TEST_F(RecordDumpPictures, PictureIsStoredBeforeTheRecordIsKept) {
  SimulatedLine line(vp.P,
                     "camera yes; clear-records; record 123 1403/09/17 08:05 picture=700;"
                     "record 124 1403/09/17 09:00",
                     cstKRTalFast);
  MemorySink sink;
  const TDumpResult result = DumpWithPictures(line, sink);
  ASSERT_EQ(result.Entries.size(), 2u);
  const TDumpEntry& first = result.Entries[0];
  EXPECT_EQ(first.Picture, TPictureOutcome::Stored);
  // The short record form carries a two-digit year; the folder has the year of the record's own
  // calendar in full.
  EXPECT_EQ(first.PicturePath, Folder() + "/1403/09/17/123_0805.jpg");
  std::ifstream file(first.PicturePath, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes.size(), 700u);
  // The clock has a camera but took no picture with the second record.
  EXPECT_EQ(result.Entries[1].Picture, TPictureOutcome::None);
  EXPECT_EQ(Leaves(result), "LL");
}

TEST_F(RecordDumpPictures, PictureThatCannotBeStoredKeepsTheRecordOnTheClock) {
  SimulatedLine line(vp.P, "camera yes; clear-records; record 123 1403/09/17 08:05 picture=700",
                     cstKRTalFast);
  // A file where the pictures' folder should be.
  std::ofstream(Folder()) << "in the way";
  MemorySink sink;
  const TDumpResult result = DumpWithPictures(line, sink);
  EXPECT_EQ(result.Stop, TDumpStop::SinkFailed);
  ASSERT_EQ(result.Entries.size(), 1u);
  EXPECT_EQ(result.Entries[0].Picture, TPictureOutcome::StoreFailed);
  EXPECT_EQ(result.Entries[0].Leave, TRecordLeave::Stays);
  EXPECT_NE(result.Error.find(Folder()), std::string::npos) << result.Error;
  EXPECT_TRUE(sink.Cards.empty());
  EXPECT_EQ(line.RecordsLeft(), 1);
}

// A camera whose picture never arrives whole must not hold the records for ever: the record
// leaves without it, and the dump says so.
TEST_F(RecordDumpPictures, FailedTransferLetsTheRecordGoWithoutItsPicture) {
  SimulatedLine line(vp.P,
                     "camera yes; clear-records; record 123 1403/09/17 08:05 picture=700;"
                     "misbehave wrongblock",
                     cstKRTalFast);
  MemorySink sink;
  const TDumpResult result = DumpWithPictures(line, sink);
  ASSERT_EQ(result.Entries.size(), 1u);
  EXPECT_EQ(result.Entries[0].Picture, TPictureOutcome::TransferFailed);
  EXPECT_TRUE(result.Entries[0].PicturePath.empty());
  EXPECT_EQ(result.Entries[0].Leave, TRecordLeave::Left);
  EXPECT_EQ(std::count(sink.Notices.begin(), sink.Notices.end(), TDumpNoticeKind::PictureFailed),
            1);
  EXPECT_EQ(line.RecordsLeft(), 0);
}

}  // namespace
