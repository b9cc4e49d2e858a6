// The KR-Mira120 adapter replaying attendance log files: small fixture files in a temporary
// folder, with the line ends, repeats and stops that such exports contain.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "adapters/KRMira120/KRMira120.h"
#include "adapters/krmira120/ZkTestSupport.h"

namespace {

struct Expected {
  const char* KartNo;
  const char* Date;
  const char* Time;
  TIOType Type;
};

std::vector<TMira120Record> Drain(TKrMira120& AAdapter) {
  std::vector<TMira120Record> Out;
  while (AAdapter.IsEmpty() == 0 && Out.size() < 100) {
    Out.push_back(AAdapter.GetRecord());
    AAdapter.NextRecord();
  }
  return Out;
}

void ExpectRecords(const std::vector<TMira120Record>& ARecords,
                   const std::vector<Expected>& AExpected, const std::string& AWhat) {
  ASSERT_EQ(ARecords.size(), AExpected.size()) << AWhat;
  for (std::size_t I = 0; I < ARecords.size(); ++I) {
    EXPECT_EQ(ARecords[I].KartNo, AExpected[I].KartNo) << AWhat << " #" << I;
    EXPECT_EQ(ARecords[I].Date.str(), AExpected[I].Date) << AWhat << " #" << I;
    EXPECT_EQ(ARecords[I].Time.str(), AExpected[I].Time) << AWhat << " #" << I;
    EXPECT_EQ(ARecords[I].IOType, AExpected[I].Type) << AWhat << " #" << I;
    EXPECT_EQ(ARecords[I].SequenceCode, 'A') << AWhat << " #" << I;
  }
}

class KrMira120FileMode : public ::testing::Test {
 protected:
  zktest::TempDir Dir;
  TKrMira120 Adapter;
};

TEST_F(KrMira120FileMode, LinesBecomeRecords) {
  struct Case {
    const char* Name;
    std::string Content;
    std::vector<Expected> Records;
  };
  const std::string A = "       123\t2008-03-20 08:30:05\t1\t2\t1\t0";
  const std::string B = "45\t2008-03-21 17:00:00\t15\t3";
  const std::string C = "9\t2021-03-21 06:00:59\t1\t1\t0";
  const std::vector<Expected> ABC = {{"123", "1387/01/01", "08:30", ioVacation},
                                     {"45", "1387/01/02", "17:00", ioMission},
                                     {"9", "1400/01/01", "06:00", iotNone}};
  const std::vector<Case> Cases = {
      {"CR LF", A + "\r\n" + B + "\r\n" + C + "\r\n", ABC},
      {"LF, no end at the last line", A + "\n" + B + "\n" + C, ABC},
      {"CR", A + "\r" + B + "\r" + C + "\r", ABC},
      {"a repeated line is one record", A + "\n" + B + "\n" + A + "\n" + C + "\n", ABC},
      {"a blank line ends the file", A + "\n" + B + "\n\n" + C + "\n", {ABC[0], ABC[1]}},
      {"a line of blanks ends the file", A + "\n \t \n" + C + "\n", {ABC[0]}},
      {"fewer than four fields end the file", A + "\n45\t2008-03-21 17:00:00\t15\n" + C, {ABC[0]}},
      // An empty last field is not counted.
      {"an empty fourth field ends the file",
       A + "\n45\t2008-03-21 17:00:00\t15\t\n" + C,
       {ABC[0]}},
      {"an empty file", "", {}},
  };
  for (const Case& K : Cases) {
    Adapter.SetInputFileName(Dir.Write("log.txt", K.Content));
    ExpectRecords(Drain(Adapter), K.Records, K.Name);
  }
}

TEST_F(KrMira120FileMode, RecordAsBuiltFromTheLine) {
  Adapter.SetInputFileName(Dir.Write("one.txt", "77\t2008-03-20 08:30:05\t1\t2\n"));
  ASSERT_EQ(Adapter.IsEmpty(), 0);
  const TMira120Record R = Adapter.GetRecord();
  EXPECT_TRUE(R.ComIp.empty());
  EXPECT_EQ(R.RecType1.str(), "11");
  EXPECT_EQ(R.Data.str(), std::string(3, '\x01') + "0000000077010108300000A");
}

TEST_F(KrMira120FileMode, FileIsReadOncePerName) {
  const std::string Path = Dir.Write("log.txt", "1\t2010-01-01 10:00:00\t1\t0\n");
  Adapter.SetInputFileName(Path);
  EXPECT_EQ(Drain(Adapter).size(), 1u);
  // Lines added later are not seen until the name is set again; nothing is ever cleared.
  Dir.Write("log.txt", "1\t2010-01-01 10:00:00\t1\t0\n2\t2010-01-01 11:00:00\t1\t0\n");
  EXPECT_EQ(Adapter.IsEmpty(), 1);
  EXPECT_FALSE(Adapter.DeleteAllRecord());
  // Setting the name again forgets the records seen: the whole file comes again.
  Adapter.SetInputFileName(Path);
  EXPECT_EQ(Drain(Adapter).size(), 2u);
}

TEST_F(KrMira120FileMode, UnreadableFileGivesNoRecords) {
  Adapter.SetInputFileName(Dir.PathOf("missing.txt"));
  EXPECT_EQ(Adapter.IsEmpty(), 1);
  EXPECT_TRUE(Adapter.GetRecord().KartNo.empty());
  Adapter.SetInputFileName(Dir.PathOf(""));  // the folder itself
  EXPECT_EQ(Adapter.IsEmpty(), 1);
}

TEST_F(KrMira120FileMode, TerminalOperationsAreRefused) {
  EXPECT_TRUE(Adapter.IsInFileMode());
  EXPECT_FALSE(Adapter.Connect());
  EXPECT_FALSE(Adapter.IsConnected());
  EXPECT_EQ(Adapter.GetFirmwareVersion(), "");
  TDateStr Date = "keep";
  TTimeStr Time = "keep";
  EXPECT_FALSE(Adapter.GetDateTime(Date, Time));
  EXPECT_EQ(Date.str(), "keep");
  // Not even an unreadable date gets as far as being read.
  EXPECT_FALSE(Adapter.SetDateTime("xx", "yy"));
  EXPECT_FALSE(Adapter.DeleteAllRecord());
}

TEST(KrMira120FileModeSetting, TerminalModeIgnoresTheInputFile) {
  zktest::TempDir Dir;
  auto Control = std::make_unique<zktest::FakeZkem>();
  zktest::FakeZkem* Fake = Control.get();
  Fake->Log = {{"5", {2010, 1, 1, 10, 0, 0}, 0}};
  TKrMira120 Adapter("10.1.1.1", 4370, 1, "", std::move(Control));
  Adapter.SetInputFileName(Dir.Write("log.txt", "1\t2010-01-01 10:00:00\t1\t0\n"));
  ASSERT_EQ(Adapter.IsEmpty(), 0);
  EXPECT_EQ(Adapter.GetRecord().KartNo, "5");
}

}  // namespace
