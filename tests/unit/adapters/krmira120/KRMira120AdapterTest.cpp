// The KR-Mira120 adapter in terminal mode against a control with set answers: date and time in
// both directions, the record texts and records, the in/out types, the record cycle with its
// clearing rule, and errors raised by the control.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "adapters/KRMira120/KRMira120.h"
#include "adapters/krmira120/ZkTestSupport.h"
#include "calendar/ConvertError.h"
#include "calendar/DateValue.h"

using zktest::FakeZkem;
using zktest::LogEntry;

namespace {

class KrMira120Adapter : public ::testing::Test {
 protected:
  void SetUp() override { MakeAdapter("192.168.10.20", 4370, 7); }

  void MakeAdapter(const std::string& AIp, int APort, int AAddress) {
    auto Control = std::make_unique<FakeZkem>();
    Fake = Control.get();
    Adapter = std::make_unique<TKrMira120>(AIp, APort, AAddress, "", std::move(Control));
  }

  // Hands out every waiting record the way the clock object does.
  std::vector<TMira120Record> DrainBatch() {
    std::vector<TMira120Record> Out;
    while (Adapter->IsEmpty() == 0 && Out.size() < 100) {
      Out.push_back(Adapter->GetRecord());
      Adapter->NextRecord();
    }
    return Out;
  }

  FakeZkem* Fake = nullptr;
  std::unique_ptr<TKrMira120> Adapter;
};

TEST_F(KrMira120Adapter, CreationSetsTheMachineNumberAndEveryCallPassesIt) {
  EXPECT_EQ(Fake->Machine, 7);
  Fake->Time = {2008, 3, 20, 10, 15, 30};
  Fake->Log = {{"1", {2008, 3, 20, 8, 0, 0}, 0}};
  TDateStr Date;
  TTimeStr Time;
  Adapter->GetDateTime(Date, Time);
  Adapter->SetDateTime("87/01/01", "10:15");
  Adapter->GetFirmwareVersion();
  DrainBatch();
  Adapter->IsEmpty();
  EXPECT_EQ(Fake->Clears, 1);
  EXPECT_EQ(Fake->MachineNumbers, (std::set<int>{7}));
}

TEST_F(KrMira120Adapter, ConnectUsesPort4370WhenNoneIsGiven) {
  struct Case {
    int Port;
    int Sent;
  };
  for (const Case& C : std::vector<Case>{{0, 4370}, {-5, 4370}, {5005, 5005}}) {
    MakeAdapter("10.0.0.9", C.Port, 1);
    EXPECT_TRUE(Adapter->Connect());
    EXPECT_EQ(Fake->ConnectPort, C.Sent);
    EXPECT_EQ(Adapter->Port(), C.Sent);
    EXPECT_EQ(Fake->ConnectIp, L"10.0.0.9");
  }
  // The clock object may move the adapter to another address before connecting.
  Adapter->SetIpAddress("10.0.0.77");
  Adapter->Connect();
  EXPECT_EQ(Fake->ConnectIp, L"10.0.0.77");
}

TEST_F(KrMira120Adapter, ConnectReportsAndRemembersTheOutcome) {
  EXPECT_FALSE(Adapter->IsConnected());
  EXPECT_TRUE(Adapter->Connect());
  EXPECT_TRUE(Adapter->IsConnected());
  Fake->ConnectResult = false;
  EXPECT_FALSE(Adapter->Connect());
  EXPECT_FALSE(Adapter->IsConnected());
  Fake->ConnectResult = true;
  Fake->Throws = {"Connect_Net"};
  EXPECT_FALSE(Adapter->Connect());
  EXPECT_FALSE(Adapter->IsConnected());
}

TEST_F(KrMira120Adapter, FirmwareVersion) {
  EXPECT_EQ(Adapter->GetFirmwareVersion(), "Ver 6.60 Apr 28 2015");
  Fake->VersionResult = false;
  EXPECT_EQ(Adapter->GetFirmwareVersion(), "");
  Fake->Throws = {"GetFirmwareVersion"};
  EXPECT_EQ(Adapter->GetFirmwareVersion(), "-1");
}

TEST_F(KrMira120Adapter, DeviceTimeReadsAsSolarDate) {
  struct Case {
    zk::DateTime Device;
    bool Ok;
    const char* Date;
    const char* Time;
  };
  const std::vector<Case> Cases = {
      {{2008, 3, 20, 10, 15, 30}, true, "1387/01/01", "10:15"},
      {{2009, 3, 20, 0, 0, 0}, true, "1387/12/30", "00:00"},
      {{2000, 1, 1, 23, 59, 59}, true, "1378/10/11", "23:59"},
      // The calendar reports solar years in full: 1400 stays 1400 instead of turning into the
      // year 1300 of a century earlier.
      {{2021, 3, 21, 7, 5, 0}, true, "1400/01/01", "07:05"},
      {{2025, 3, 20, 12, 0, 0}, true, "1403/12/30", "12:00"},
      // Nothing came: a date of zeros.
      {{0, 0, 0, 0, 0, 0}, false, "", ""},
  };
  for (const Case& C : Cases) {
    Fake->Time = C.Device;
    TDateStr Date = "untouched";
    TTimeStr Time = "xx:xx";
    EXPECT_EQ(Adapter->GetDateTime(Date, Time), C.Ok) << C.Device.Year << "-" << C.Device.Month;
    if (C.Ok) {
      EXPECT_EQ(Date.str(), C.Date);
      EXPECT_EQ(Time.str(), C.Time);
    } else {
      EXPECT_EQ(Date.str(), "untouched");
    }
  }
  // A day or time that does not exist is an answer that cannot be used, said with its values.
  const std::vector<std::pair<zk::DateTime, const char*>> Impossible = {
      {{2023, 2, 31, 10, 0, 0}, "the terminal's time \"2023-02-31 10:00:00\" does not exist"},
      {{2023, 13, 1, 10, 0, 0}, "the terminal's time \"2023-13-01 10:00:00\" does not exist"},
      {{2024, 12, 9, 25, 61, 0}, "the terminal's time \"2024-12-09 25:61:00\" does not exist"},
  };
  for (const auto& [Device, Message] : Impossible) {
    Fake->Time = Device;
    TDateStr Date = "untouched";
    TTimeStr Time;
    try {
      Adapter->GetDateTime(Date, Time);
      ADD_FAILURE() << Message;
    } catch (const EConvertError& E) {
      EXPECT_STREQ(E.what(), Message);
    }
    EXPECT_EQ(Date.str(), "untouched");
  }
  Fake->Time = {2008, 3, 20, 10, 15, 30};
  Fake->Throws = {"GetDeviceTime"};
  TDateStr Date;
  TTimeStr Time;
  EXPECT_FALSE(Adapter->GetDateTime(Date, Time));
}

TEST_F(KrMira120Adapter, SetDateTimeSendsGregorianTime) {
  struct Case {
    const char* Date;
    const char* Time;
    zk::DateTime Sent;
  };
  const std::vector<Case> Cases = {
      {"87/01/01", "10:15", {2008, 3, 20, 10, 15, 0}},
      {"00/01/01", "00:00", {2021, 3, 21, 0, 0, 0}},  // 00..50 are 1400..1450
      {"50/12/29", "23:59", {2072, 3, 19, 23, 59, 0}},
      {"51/01/01", "08:30", {1972, 3, 21, 8, 30, 0}},  // 51..99 are 1351..1399
      {"99/12/29", "12:00", {2021, 3, 19, 12, 0, 0}},  // 1399 is leap: 12/30 follows
      {"87/06/31", "07:07", {2008, 9, 21, 7, 7, 0}},
  };
  for (const Case& C : Cases) {
    Fake->SetCalls.clear();
    EXPECT_TRUE(Adapter->SetDateTime(C.Date, C.Time)) << C.Date;
    ASSERT_EQ(Fake->SetCalls.size(), 1u) << C.Date;
    EXPECT_EQ(Fake->SetCalls[0], C.Sent) << C.Date;
  }
  EXPECT_EQ(ShortDateFormat(), "YYYY/MM/DD");
  Fake->SetResult = false;
  EXPECT_FALSE(Adapter->SetDateTime("87/01/01", "10:15"));
  Fake->Throws = {"SetDeviceTime2"};
  EXPECT_FALSE(Adapter->SetDateTime("87/01/01", "10:15"));
}

TEST_F(KrMira120Adapter, SetDateTimeRaisesForTextsThatAreNotNumbers) {
  struct Case {
    const char* Date;
    const char* Time;
  };
  const std::vector<Case> Cases = {
      {"1387/01/01", "10:15"},  // characters 4-5 are "7/"
      {"8a/01/01", "10:15"},   {"87/1/01", "10:15"},  {"87/01/", "10:15"}, {"", "10:15"},
      {"87/01/01", "24:00"},   {"87/01/01", "10:60"}, {"87/01/01", ""},
  };
  for (const Case& C : Cases) {
    EXPECT_THROW(Adapter->SetDateTime(C.Date, C.Time), EConvertError) << C.Date << " " << C.Time;
  }
  EXPECT_TRUE(Fake->SetCalls.empty());
}

TEST_F(KrMira120Adapter, RecordTextAndRecord) {
  Fake->Log = {{"123", {2008, 3, 20, 8, 30, 5}, 2}};
  ASSERT_EQ(Adapter->IsEmpty(), 0);
  const TMira120Record R = Adapter->GetRecord();
  EXPECT_EQ(R.ComIp.str(), "192.168.10.20");
  EXPECT_EQ(R.ClockNumber, 7);
  EXPECT_EQ(R.KartNo, "123");
  EXPECT_EQ(R.Date.str(), "1387/01/01");
  EXPECT_EQ(R.Time.str(), "08:30");
  EXPECT_EQ(R.SequenceCode, 'A');
  EXPECT_EQ(R.IOType, ioVacation);
  EXPECT_EQ(R.RecType1.str(), "11");
  EXPECT_EQ(R.RecType2.str(), "00");
  // The type codes inside Data were written before the type was known.
  EXPECT_EQ(R.Data.str(), std::string(3, '\x01') + "0000000123010108300000A");
  EXPECT_FALSE(R.ImageData);
  EXPECT_FALSE(R.FingerPrint);
}

TEST_F(KrMira120Adapter, InOutModeTable) {
  struct Case {
    int Mode;
    TIOType Type;
    const char* RecType1;
  };
  const std::vector<Case> Cases = {{0, iotNone, "00"},   {1, iotNone, "00"}, {2, ioVacation, "11"},
                                   {3, ioMission, "12"}, {4, iotNone, "00"}, {255, iotNone, "00"}};
  for (std::size_t I = 0; I < Cases.size(); ++I) {
    Fake->Log.push_back({std::to_string(100 + I), {2010, 5, 6, 7, 8, 9}, Cases[I].Mode});
  }
  const std::vector<TMira120Record> Records = DrainBatch();
  ASSERT_EQ(Records.size(), Cases.size());
  for (std::size_t I = 0; I < Cases.size(); ++I) {
    EXPECT_EQ(Records[I].IOType, Cases[I].Type) << Cases[I].Mode;
    EXPECT_EQ(Records[I].RecType1.str(), Cases[I].RecType1) << Cases[I].Mode;
    EXPECT_EQ(Records[I].RecType2.str(), "00") << Cases[I].Mode;
    EXPECT_EQ(Records[I].KartNo, std::to_string(100 + I));
  }
}

TEST_F(KrMira120Adapter, EveryEntryOfTheLogIsHandedOutWhole) {
  // Blank ids, repeated punches, ids with the letter X or longer than ten characters: each one is
  // a record of the log, and the log is cleared after them.
  Fake->Log = {{"", {2010, 5, 6, 7, 8, 9}, 0},
               {"   ", {2010, 5, 6, 7, 8, 9}, 0},
               {"55", {2010, 5, 6, 7, 8, 9}, 1},
               {"55", {2010, 5, 6, 7, 8, 9}, 1},
               {"12X4", {2010, 5, 6, 7, 8, 9}, 3},
               {"12345678901234", {2010, 5, 6, 7, 8, 9}, 3}};
  const std::vector<TMira120Record> Records = DrainBatch();
  ASSERT_EQ(Records.size(), 6u);
  const std::vector<std::string> Ids = {"", "   ", "55", "55", "12X4", "12345678901234"};
  for (std::size_t I = 0; I < Ids.size(); ++I) {
    EXPECT_EQ(Records[I].KartNo, Ids[I]) << I;
    EXPECT_EQ(Records[I].Fault.empty(), I >= 2) << I;
  }
  // A blank id is kept as the terminal gave it, Gregorian date and all.
  EXPECT_EQ(Records[1].Data.str(), "    2010/05/06 07:08:09 0");
  EXPECT_EQ(Records[4].RecType1.str(), "12");
  EXPECT_EQ(Records[4].Date.str(), "1389/02/16");
  EXPECT_EQ(Records[5].Data.str(), std::string(3, '\x01') + "12345678901234" + "0216" + "0708" + "0000A");
  EXPECT_EQ(Fake->Clears, 1);
  // Past the batch: the cleared record.
  const TMira120Record R = Adapter->GetRecord();
  EXPECT_TRUE(R.KartNo.empty());
  EXPECT_TRUE(R.Fault.empty());
  EXPECT_EQ(R.SequenceCode, '\0');
  EXPECT_EQ(R.ComIp.str(), "192.168.10.20");
}

TEST_F(KrMira120Adapter, ImpossibleDateIsHandedOutRawAndFlaggedWithoutBlockingTheOthers) {
  // The terminal's time encoding knows a 31st of every month and a 60th minute.
  Fake->Log = {{"8", {2026, 2, 28, 10, 0, 0}, 0},
               {"9", {2026, 2, 31, 10, 0, 0}, 0},
               {"10", {2026, 3, 1, 24, 60, 0}, 0},
               {"11", {2026, 3, 1, 9, 0, 0}, 0}};
  const std::vector<TMira120Record> Records = DrainBatch();
  ASSERT_EQ(Records.size(), 4u);
  EXPECT_TRUE(Records[0].Fault.empty());
  EXPECT_EQ(Records[1].Fault, "impossible date or time");
  // Not "fixed" into another day: the terminal's own text.
  EXPECT_EQ(Records[1].Date.str(), "2026/02/31");
  EXPECT_EQ(Records[1].Data.str(), "9 2026/02/31 10:00:00 0");
  EXPECT_EQ(Records[2].Fault, "impossible date or time");
  EXPECT_EQ(Records[2].Time.str(), "24:60");
  EXPECT_TRUE(Records[3].Fault.empty());
  EXPECT_EQ(Records[3].Date.str(), "1404/12/10");
  EXPECT_EQ(Fake->Clears, 1);
}

TEST_F(KrMira120Adapter, LogIsClearedOnlyWhenTheTerminalCountsWhatWasHandedOut) {
  // A terminal that never had records is not cleared.
  EXPECT_EQ(Adapter->IsEmpty(), 1);
  EXPECT_EQ(Adapter->IsEmpty(), 1);
  EXPECT_EQ(Fake->Clears, 0);

  Fake->Log = {{"1", {2010, 1, 1, 9, 0, 0}, 0}, {"2", {2010, 1, 1, 9, 1, 0}, 0}};
  ASSERT_EQ(Adapter->IsEmpty(), 0);
  const int Reads = Fake->Reads;
  Adapter->GetRecord();
  Adapter->NextRecord();
  // One record still waits: no fetch, no clearing.
  EXPECT_EQ(Adapter->IsEmpty(), 0);
  EXPECT_EQ(Fake->Reads, Reads);
  Adapter->NextRecord();

  // A punch arrives meanwhile, identical to one handed out: the next fetch brings only it.
  Fake->Log.push_back({"2", {2010, 1, 1, 9, 1, 0}, 0});
  ASSERT_EQ(Adapter->IsEmpty(), 0);
  EXPECT_EQ(Adapter->GetRecord().KartNo, "2");
  Adapter->NextRecord();
  EXPECT_EQ(Fake->Clears, 0);

  // Nothing new in the log, but the terminal keeps counting a record more than it sends: the
  // log is not cleared, and the terminal is not empty (what was handed out is still on it).
  Fake->StatusCount = 4;
  EXPECT_EQ(Adapter->IsEmpty(), -1);
  EXPECT_EQ(Adapter->LogProblem(),
            "its attendance log was not cleared: it counts 4 records, 3 were read");
  EXPECT_EQ(Fake->Clears, 0);
  // The count cannot be had: no clearing either.
  Fake->StatusCount = -1;
  Fake->Throws = {"GetDeviceStatus"};
  EXPECT_EQ(Adapter->IsEmpty(), -1);
  EXPECT_EQ(Adapter->LogProblem().rfind("its attendance log was not cleared: its record count", 0),
            0u)
      << Adapter->LogProblem();
  EXPECT_EQ(Fake->Clears, 0);
  Fake->Throws.clear();
  // The terminal refuses the clearing itself.
  Fake->ClearResult = false;
  EXPECT_EQ(Adapter->IsEmpty(), -1);
  EXPECT_EQ(Adapter->LogProblem().rfind("its attendance log was not cleared: it refused", 0), 0u)
      << Adapter->LogProblem();
  EXPECT_EQ(Fake->Log.size(), 3u);
  Fake->ClearResult = true;
  Fake->Clears = 0;

  // Everything handed out, the count agrees: the log goes.
  EXPECT_EQ(Adapter->IsEmpty(), 1);
  EXPECT_EQ(Fake->Clears, 1);
  EXPECT_TRUE(Fake->Log.empty());
  EXPECT_EQ(Adapter->IsEmpty(), 1);
  EXPECT_EQ(Fake->Clears, 1);
  // After the clearing the same punch is a new record again.
  Fake->Log = {{"2", {2010, 1, 1, 9, 1, 0}, 0}};
  EXPECT_EQ(DrainBatch().size(), 1u);
  EXPECT_EQ(Fake->Clears, 2);
}

TEST_F(KrMira120Adapter, APunchStoredDuringTheReadIsHandedOutBeforeTheClearing) {
  Fake->Log = {{"1", {2010, 1, 1, 9, 0, 0}, 0}};
  DrainBatch();
  ASSERT_EQ(Fake->Clears, 1);
  // This terminal stores a punch just after each read of its log.
  Fake->Log = {{"1", {2010, 1, 1, 9, 0, 0}, 0}};
  ASSERT_EQ(Adapter->IsEmpty(), 0);
  Adapter->GetRecord();
  Adapter->NextRecord();
  Fake->StatusCount = 2;
  EXPECT_EQ(Adapter->IsEmpty(), -1);
  Fake->StatusCount = -1;
  Fake->Log.push_back({"7", {2010, 1, 1, 9, 3, 0}, 0});
  ASSERT_EQ(Adapter->IsEmpty(), 0);
  EXPECT_EQ(Adapter->GetRecord().KartNo, "7");
  Adapter->NextRecord();
  EXPECT_EQ(Fake->Clears, 1);
  EXPECT_EQ(Adapter->IsEmpty(), 1);
  EXPECT_EQ(Fake->Clears, 2);
}

TEST_F(KrMira120Adapter, ALogClearedByAnotherProgramIsReadFromItsStart) {
  Fake->Log = {{"1", {2010, 1, 1, 9, 0, 0}, 0}, {"2", {2010, 1, 1, 9, 1, 0}, 0}};
  DrainBatch();
  ASSERT_EQ(Fake->Clears, 1);
  Fake->Log = {{"1", {2010, 1, 1, 9, 0, 0}, 0}, {"2", {2010, 1, 1, 9, 1, 0}, 0}};
  ASSERT_EQ(Adapter->IsEmpty(), 0);
  Adapter->GetRecord();
  Adapter->NextRecord();
  Adapter->GetRecord();
  Adapter->NextRecord();
  // Emptied elsewhere, and one punch stored since: it is new.
  Fake->Log = {{"3", {2010, 1, 1, 9, 5, 0}, 0}};
  ASSERT_EQ(Adapter->IsEmpty(), 0);
  EXPECT_EQ(Adapter->GetRecord().KartNo, "3");
}

TEST_F(KrMira120Adapter, AFailedReadNeverClearsTheTerminal) {
  // Everything fetched has been handed out when the next read fails: what the terminal holds is
  // unknown (here a record not seen yet), so the log must stay.
  struct Case {
    const char* Name;
    std::function<void(FakeZkem&)> Break;
  };
  const std::vector<Case> Cases = {
      {"read refused", [](FakeZkem& F) { F.ReadResult = false; }},
      {"read raises", [](FakeZkem& F) { F.Throws = {"ReadAllGLogData"}; }},
      // Only the old record was read before the control raised: the partial batch is empty.
      {"read breaks off", [](FakeZkem& F) { F.ThrowAfterRecords = 1; }},
  };
  for (const Case& C : Cases) {
    MakeAdapter("192.168.10.20", 4370, 7);
    Fake->Log = {{"1", {2010, 1, 1, 9, 0, 0}, 0}};
    ASSERT_EQ(Adapter->IsEmpty(), 0) << C.Name;
    Adapter->GetRecord();
    Adapter->NextRecord();
    Fake->Log.push_back({"2", {2010, 1, 1, 9, 5, 0}, 0});
    C.Break(*Fake);
    // No answer, not an empty terminal.
    EXPECT_EQ(Adapter->IsEmpty(), -1) << C.Name;
    EXPECT_EQ(Fake->Clears, 0) << C.Name;
    // Once a read goes through, the unseen record comes.
    *Fake = FakeZkem{};
    Fake->Log = {{"1", {2010, 1, 1, 9, 0, 0}, 0}, {"2", {2010, 1, 1, 9, 5, 0}, 0}};
    ASSERT_EQ(Adapter->IsEmpty(), 0) << C.Name;
    EXPECT_EQ(Adapter->GetRecord().KartNo, "2") << C.Name;
  }
}

TEST_F(KrMira120Adapter, ReadBrokenOffKeepsWhatWasGathered) {
  Fake->Log = {{"1", {2010, 1, 1, 9, 0, 0}, 0},
               {"2", {2010, 1, 1, 9, 1, 0}, 0},
               {"3", {2010, 1, 1, 9, 2, 0}, 0}};
  Fake->ThrowAfterRecords = 2;
  const std::vector<TMira120Record> Records = DrainBatch();
  ASSERT_EQ(Records.size(), 2u);
  EXPECT_EQ(Records[0].KartNo, "1");
  EXPECT_EQ(Records[1].KartNo, "2");
  EXPECT_EQ(Fake->Clears, 0);
}

TEST_F(KrMira120Adapter, AControlThatNeverSaysNoMoreStillEndsTheRead) {
  Fake->Log = {{"1", {2010, 1, 1, 9, 0, 0}, 0}};
  Fake->ErrorCodeStuckPositive = true;
  EXPECT_EQ(Adapter->IsEmpty(), 0);
  EXPECT_EQ(Adapter->GetRecord().KartNo, "1");
}

TEST(KrMira120Factory, AdaptersCreatedByClockObjectsTakeTheInstalledControl) {
  SetZkemControlFactory([] {
    auto Control = std::make_unique<FakeZkem>();
    Control->Version = "from the factory";
    return Control;
  });
  TKrMira120 Adapter("10.0.0.1", 4370, 3, "");
  SetZkemControlFactory(nullptr);
  EXPECT_EQ(Adapter.GetFirmwareVersion(), "from the factory");
  // Without a factory the adapter speaks TCP itself: nothing listens on port 1 of loopback.
  TKrMira120 Plain("127.0.0.1", 1, 3, "");
  EXPECT_FALSE(Plain.Connect());
  EXPECT_EQ(Plain.GetFirmwareVersion(), "");
}

TEST(KrMira120Text, PadLeftAndStrictIntegers) {
  EXPECT_EQ(krmira120::PadLeftText("7", '0', 2), "07");
  EXPECT_EQ(krmira120::PadLeftText("123", '0', 2), "123");
  EXPECT_EQ(krmira120::PadLeftText("", '0', 3), "000");
  struct Case {
    const char* Text;
    int Value;
  };
  for (const Case& C : std::vector<Case>{
           {"87", 87}, {"07", 7}, {" 5", 5}, {"-3", -3}, {"+4", 4}, {"$1F", 31}, {"0x10", 16}}) {
    EXPECT_EQ(krmira120::StrToIntStrict(C.Text), C.Value) << C.Text;
  }
  for (const char* Bad : {"", " ", "7/", "/0", "5 ", "-", "$", "1e3", "99999999999"}) {
    EXPECT_THROW(krmira120::StrToIntStrict(Bad), EConvertError) << Bad;
  }
}

}  // namespace
