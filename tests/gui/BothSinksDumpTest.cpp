// The window and the command line dump alike: each front end's sink runs through the one dump
// engine against the same simulated clocks (a text clock, an RS485 bus, an HDLC clock with
// pictures, both kinds of face terminal), and both keep and release the same records and store
// the same pictures under the same names.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTreeWidget>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "DumpListSink.h"
#include "adapters/KRMira/HwDevLibrary.h"
#include "cli/DumpSink.h"
#include "connections/PictureStore.h"
#include "connections/RecordDump.h"
#include "models/MiraTerminalServer.h"
#include "models/ZkTerminalModel.h"
#include "models/ZkTerminalServer.h"
#include "support/MiraLoopback.h"
#include "support/SimulatedLine.h"
#include "utils/MessageHook.h"

namespace {

// A clock with records, built afresh for each front end.
class ClockUnderTest {
 public:
  virtual ~ClockUnderTest() = default;
  virtual TClockSet& Line() = 0;
  virtual int RecordsLeft() = 0;
  TBasicClock& Clock() { return *Line().Clocks().front(); }
};

class ScenarioClock : public ClockUnderTest {
 public:
  ScenarioClock(sim::VirtualPlatform& APlatform, const std::string& AStatements,
                TClockSearchType ASearch)
      : FLine(APlatform, AStatements, ASearch) {}
  TClockSet& Line() override { return FLine.Line; }
  int RecordsLeft() override { return FLine.RecordsLeft(); }

 private:
  testsupport::SimulatedLine FLine;
};

// The first kind of face terminal, over loopback TCP through its vendor library; its records
// bring their photos along.
class MiraClock : public ClockUnderTest {
 public:
  MiraClock() {
    FServer.withModel([](sim::MiraTerminalModel& AModel) {
      AModel.addRecord({"15", {2024, 12, 9, 8, 0, 0}, 1, "photo of 15"});
      AModel.addRecord({"16", {2024, 12, 9, 8, 5, 0}, 2, ""});
      AModel.addRecord({"15", {2024, 12, 9, 8, 0, 30}, 1, "another photo of 15"});
    });
    if (testsupport::ConnectLineToOwnLoopback(FLine, FServer).empty())
      throw std::runtime_error("no loopback address free for the terminal");
    FLine.DetectClocks(cstKRMira);
  }
  TClockSet& Line() override { return FLine; }
  int RecordsLeft() override {
    return FServer.withModel(
        [](sim::MiraTerminalModel& AModel) { return static_cast<int>(AModel.records().size()); });
  }

 private:
  sim::MiraTerminalServer FServer;
  TClockSet FLine;
};

// The second kind of face terminal, over loopback TCP on its own port.
class Mira120Clock : public ClockUnderTest {
 public:
  Mira120Clock() {
    FModel.setDeviceTime({2024, 12, 9, 10, 0, 0});
    FModel.addRecord({1, "1001", 1, {2024, 12, 9, 8, 0, 0}, 0, 0});
    FModel.addRecord({2, "1002", 1, {2024, 12, 9, 8, 5, 0}, 1, 0});
    if (!FServer.start()) throw std::runtime_error("the terminal cannot listen");
    FLine.ChangeConnectionType(TcpIp);
    FLine.ChangeSocketAddress("127.0.0.1");
    FLine.ChangeSocketPort(FServer.port());
    FLine.DetectClocks(cstKRMira120);
  }
  TClockSet& Line() override { return FLine; }
  int RecordsLeft() override {
    return FServer.withModel(
        [](sim::ZkTerminalModel& AModel) { return static_cast<int>(AModel.records().size()); });
  }

 private:
  sim::ZkTerminalModel FModel;
  sim::ZkTerminalServer FServer{FModel};
  TClockSet FLine;
};

// What one dump did, comparable between front ends: per record its card, whether it left the
// clock (Left, Pending, Stays) and its picture's name below the picture folder; then the records
// the clock still holds.
std::string Outcome(const TDumpResult& AResult, const std::string& APictureFolder, int ALeft) {
  std::string out;
  for (const TDumpEntry& e : AResult.Entries) {
    out += e.Record.KartNo;
    out += e.Leave == TRecordLeave::Left ? " L" : e.Leave == TRecordLeave::Pending ? " P" : " S";
    if (!e.PicturePath.empty()) out += " " + e.PicturePath.substr(APictureFolder.size() + 1);
    out += "; ";
  }
  return out + "left " + std::to_string(ALeft);
}

std::vector<std::string> CsvCards(const std::string& APath) {
  std::ifstream file(APath);
  std::vector<std::string> cards;
  std::string row;
  std::getline(file, row);  // the header
  while (std::getline(file, row)) {
    const auto first = row.find(',');
    cards.push_back(row.substr(first + 1, row.find(',', first + 1) - first - 1));
  }
  return cards;
}

std::vector<std::string> ListedCards(const QTreeWidget& AList) {
  std::vector<std::string> cards;
  for (int i = 0; i < AList.topLevelItemCount(); ++i)
    cards.push_back(AList.topLevelItem(i)->text(1).toStdString());
  return cards;
}

std::vector<std::string> KeptCards(const TDumpResult& AResult) {
  std::vector<std::string> cards;
  for (const TDumpEntry& e : AResult.Entries) cards.push_back(e.Record.KartNo);
  return cards;
}

struct Case {
  const char* Name;
  std::function<std::unique_ptr<ClockUnderTest>(sim::VirtualPlatform&)> Make;
  int Count;
  const char* Expected;
};

std::unique_ptr<ClockUnderTest> Scenario(sim::VirtualPlatform& APlatform, const char* AStatements,
                                         TClockSearchType ASearch) {
  return std::make_unique<ScenarioClock>(APlatform, AStatements, ASearch);
}

const char* const kText =
    "clear-records; record 1001 1403/09/17 08:01; record 1002 1403/09/17 08:02;"
    "record 1003 1403/09/17 08:03";
const char* const kBus =
    "protocol rs485; clock 1; record 2001 1403/09/17 09:01; record 2002 1403/09/17 09:02";
// Three records a block; pictures with the first and the fourth record, two of them taken in
// the same minute by the same card.
const char* const kHdlc =
    "protocol hdlc; clear-records; record 3001 1403/09/17 10:01 picture=700;"
    "record 3002 1403/09/17 10:02; record 3003 1403/09/17 10:03;"
    "record 3001 1403/09/17 10:01 picture=300; record 3005 1403/09/17 10:05";

class BothSinksDump : public ::testing::Test {
 protected:
  BothSinksDump()
      : hook([](const std::string&, TMsgDlgType, TMsgDlgButtons, std::int32_t) {
          return static_cast<int>(mrOk);
        }) {}
  std::string Folder(const char* AName) const { return Dir.path().toStdString() + "/" + AName; }

  QTemporaryDir Dir;
  sim::ScopedVirtualPlatform vp;
  TScopedMessageHook hook;
};

TEST_F(BothSinksDump, WindowAndCommandLineKeepReleaseAndNameAlike) {
  const Case cases[] = {
      {"text clock, two of three",
       [](sim::VirtualPlatform& P) { return Scenario(P, kText, cstKRTalFast); }, 2,
       "1001 L; 1002 L; left 1"},
      {"RS485 bus", [](sim::VirtualPlatform& P) { return Scenario(P, kBus, cstKRTal); }, 0,
       "2001 L; 2002 L; left 0"},
      // The first block leaves when the next is asked for; the fourth record waits for its own.
      // Record dates come as YYMMDD; the folders have the year of the record's calendar in full.
      {"HDLC with pictures", [](sim::VirtualPlatform& P) { return Scenario(P, kHdlc, cstKRTalR2); },
       4,
       "3001 L 1403/09/17/3001_1001.jpg; 3002 L; 3003 L; 3001 P 1403/09/17/3001_1001_1.jpg; "
       "left 2"},
      {"first kind of face terminal", [](sim::VirtualPlatform&) {
         return std::unique_ptr<ClockUnderTest>(std::make_unique<MiraClock>());
       },
       0, "15 L 1403/09/19/15_0800.jpg; 16 L; 15 L 1403/09/19/15_0800_1.jpg; left 0"},
      {"second kind of face terminal", [](sim::VirtualPlatform&) {
         return std::unique_ptr<ClockUnderTest>(std::make_unique<Mira120Clock>());
       },
       0, "1001 L; 1002 L; left 0"},
  };
  ASSERT_TRUE(HwDevLibrariesLoaded()) << "the HwDevComm libraries are not in "
                                      << HwDevLibraryFolder();
  int run = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TDumpOptions options;
    options.Count = c.Count;
    options.WantPictures = true;

    // The window: its list, and the pictures below its folder.
    auto windowClock = c.Make(vp.P);
    const std::string windowPictures = Folder("window") + std::to_string(run);
    const TPictureStore windowStore(windowPictures);
    QTreeWidget list;
    list.setColumnCount(4);
    TDumpListSink windowSink(list, [&] { return windowClock->Clock().Date().str(); }, "1403");
    options.Pictures = &windowStore;
    const TDumpResult windowResult =
        TRecordDump(windowClock->Line(), windowClock->Clock(), windowSink, options).Run();
    const std::string windowOutcome =
        Outcome(windowResult, windowPictures, windowClock->RecordsLeft());
    windowClock.reset();

    // The command line: its CSV file and JSON, and the pictures below --images.
    auto cliClock = c.Make(vp.P);
    const std::string cliPictures = Folder("cli") + std::to_string(run);
    const TPictureStore cliStore(cliPictures);
    const std::string csvPath = Folder("records") + std::to_string(run) + ".csv";
    TRecordCsvFile csv;
    std::string error;
    ASSERT_TRUE(csv.Open(csvPath, true, error)) << error;
    std::ostringstream out, err;
    TCliDumpSink cliSink(&csv, csvPath, true, out, err);
    options.Pictures = &cliStore;
    const TDumpResult cliResult =
        TRecordDump(cliClock->Line(), cliClock->Clock(), cliSink, options).Run();
    const std::string cliOutcome = Outcome(cliResult, cliPictures, cliClock->RecordsLeft());
    cliClock.reset();
    ++run;

    EXPECT_EQ(windowOutcome, c.Expected);
    EXPECT_EQ(cliOutcome, windowOutcome);
    // Each sink shows exactly the records the engine kept.
    EXPECT_EQ(ListedCards(list), KeptCards(windowResult));
    EXPECT_EQ(CsvCards(csvPath), KeptCards(cliResult));
    EXPECT_TRUE(err.str().empty()) << err.str();
  }
}

}  // namespace
