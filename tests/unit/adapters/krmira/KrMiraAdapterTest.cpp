// The first-kind terminal adapter against a terminal answered in process (the simulator's model,
// or a scripted reply): device time and calendar, setting the time, the record cycle with its
// deletion rule, record fields and photos, failures, and the file mode.
#include <gtest/gtest.h>

#include "MiraTestSupport.h"
#include "adapters/KRMira/KRMira.h"
#include "calendar/ConvertError.h"
#include "platform/PlatformError.h"

using miratest::ModelHandler;
using miratest::ScriptHandler;
using miratest::TCall;
using miratest::TFakeVendor;
using sim::MiraRecord;
using sim::SimCalendar;
using sim::SimDateTime;

namespace {

const char* const kDelete = "DeleteAllRecord()";

class KrMiraAdapter : public ::testing::Test {
 protected:
  KrMiraAdapter() : Adapter("192.168.1.20", 1, "") {
    Vendor.Handler = ModelHandler(Model);
    Adapter.SetVendor(&Vendor);
  }
  // A terminal that answers every command with AReply (result 0).
  void AnswerAlways(const std::string& AReply) {
    Vendor.Handler = [AReply](const TCall&, std::string& AOut) {
      AOut = AReply;
      return 0;
    };
  }

  sim::MiraTerminalModel Model;
  TFakeVendor Vendor;
  TKrMira Adapter;
};

struct TerminalTimeCase {
  SimCalendar Calendar;
  SimDateTime Time;
  TDateType Expected;
};

TEST_F(KrMiraAdapter, GetDateTimeGivesTheSolarDateAndLearnsTheTerminalsCalendar) {
  const TerminalTimeCase cases[] = {
      {SimCalendar::Gregorian, {2008, 3, 20, 10, 15, 30}, Christian},
      {SimCalendar::Solar, {1387, 1, 1, 10, 15, 30}, Solar},
  };
  for (const TerminalTimeCase& c : cases) {
    Model.settings().Calendar = c.Calendar;
    Model.setDateTime(c.Time);
    TDateStr date;
    TTimeStr time;
    ASSERT_TRUE(Adapter.GetDateTime(date, time));
    EXPECT_EQ(date, "1387/01/01");
    EXPECT_EQ(time, "10:15");
    EXPECT_EQ(Adapter.DeviceDateType(), c.Expected);
  }
}

TEST_F(KrMiraAdapter, EveryCommandCarriesTheDeviceDescriptionOfTheCurrentAddress) {
  EXPECT_EQ(Adapter.GetFirmwareVersion(), Model.settings().Edition);
  Adapter.SetIpAddress("10.1.2.3");
  Adapter.SetAddress(4);
  EXPECT_FALSE(Adapter.TestConnection());  // the terminal is device 1: device 4 is refused
  ASSERT_EQ(Vendor.Calls.size(), 2u);
  EXPECT_EQ(Vendor.Calls[0].Command, "GetDeviceInfo()");
  EXPECT_EQ(Vendor.Calls[0].DeviceInfo, krmira::BuildDeviceInfoText(1, "192.168.1.20", ""));
  EXPECT_EQ(Vendor.Calls[1].DeviceInfo, krmira::BuildDeviceInfoText(4, "10.1.2.3", ""));
}

TEST_F(KrMiraAdapter, SetDateTimeWritesInTheCalendarOfTheLastReading) {
  TDateStr date;
  TTimeStr time;
  // Before any reading the terminal counts as Gregorian.
  EXPECT_TRUE(Adapter.SetDateTime("1387/01/01", "10:15"));
  EXPECT_EQ(Vendor.Calls.back().Command, "SetDeviceInfo(time=\"2008-3-20 10:15:00\")");
  EXPECT_EQ(Model.dateTime(), (SimDateTime{2008, 3, 20, 10, 15, 0}));

  Model.settings().Calendar = SimCalendar::Solar;
  Model.setDateTime({1403, 9, 19, 8, 0, 0});
  ASSERT_TRUE(Adapter.GetDateTime(date, time));
  EXPECT_TRUE(Adapter.SetDateTime("1387/01/01", "10:15"));
  EXPECT_EQ(Vendor.Calls.back().Command, "SetDeviceInfo(time=\"1387-01-01 10:15:00\")");
  EXPECT_EQ(Model.dateTime(), (SimDateTime{1387, 1, 1, 10, 15, 0}));
}

TEST_F(KrMiraAdapter, SetDateTimeReportsARefusalAndAnUnwritableDateRaises) {
  AnswerAlways("Return(result=\"failed\" reason=\"bad time\")");
  EXPECT_FALSE(Adapter.SetDateTime("1387/01/01", "10:15"));
  Vendor.Handler = nullptr;  // library missing
  EXPECT_FALSE(Adapter.SetDateTime("1387/01/01", "10:15"));
  EXPECT_THROW(Adapter.SetDateTime("", "10:15"), EConvertError);
}

TEST_F(KrMiraAdapter, WithoutAnAnswerNothingIsReadAndTestConnectionFails) {
  Vendor.Handler = [](const TCall&, std::string& AReply) {
    AReply = "Return(result=\"success\" edition=\"X\" time=\"2008-03-20 10:15:30\")";
    return 5;  // refused: the reply must not be used
  };
  TDateStr date = "unchanged";
  TTimeStr time = "00:00";
  EXPECT_FALSE(Adapter.TestConnection());
  EXPECT_EQ(Adapter.GetFirmwareVersion(), "");
  EXPECT_FALSE(Adapter.GetDateTime(date, time));
  EXPECT_EQ(date, "unchanged");
  EXPECT_EQ(Adapter.IsEmpty(), -1);
}

TEST_F(KrMiraAdapter, AGarbledTerminalTimeRaisesButTheConnectionStillTestsTrue) {
  AnswerAlways("Return(result=\"success\" edition=\"V1\" time=\"2008-03-xx 10:15:30\")");
  EXPECT_TRUE(Adapter.TestConnection());
  EXPECT_EQ(Adapter.GetFirmwareVersion(), "V1");
  TDateStr date;
  TTimeStr time;
  EXPECT_THROW(Adapter.GetDateTime(date, time), EConvertError);
  // No records are asked for without the terminal's calendar; the reason is kept.
  EXPECT_EQ(Adapter.IsEmpty(), -1);
  EXPECT_EQ(Adapter.LogProblem(),
            "the terminal's time \"2008-03-xx 10:15:30\" is no date and time");
  // A reply without a time value is no answer to the time question.
  AnswerAlways("Return(result=\"success\" edition=\"V1\")");
  EXPECT_FALSE(Adapter.GetDateTime(date, time));
  EXPECT_EQ(Adapter.IsEmpty(), -1);
}

TEST_F(KrMiraAdapter, TestConnectionNeedsANonBlankReplyAndNeverRaises) {
  AnswerAlways(" \r\n");
  EXPECT_FALSE(Adapter.TestConnection());
  Vendor.Handler = [](const TCall&, std::string&) -> int {
    throw std::runtime_error("vendor fault");
  };
  EXPECT_FALSE(Adapter.TestConnection());
}

TEST_F(KrMiraAdapter, RecordCycleHandsOutEachRecordOnceThenClearsTheTerminal) {
  Model.addRecord({"123", {2008, 3, 20, 8, 30, 0}, 1, ""});
  Model.addRecord({"456", {2008, 3, 20, 17, 5, 0}, 2, ""});

  ASSERT_EQ(Adapter.IsEmpty(), 0);
  std::vector<std::string> cards;
  while (Adapter.IsEmpty() == 0) {
    cards.push_back(Adapter.GetRecord().KartNo);
    EXPECT_TRUE(Adapter.NextRecord());
  }
  EXPECT_EQ(cards, (std::vector<std::string>{"123", "456"}));
  // The fetch after the batch brought only repeats: the terminal was cleared.
  EXPECT_EQ(Vendor.Count(kDelete), 1);
  EXPECT_TRUE(Model.records().empty());
  // An empty batch after an empty batch deletes nothing more.
  EXPECT_EQ(Adapter.IsEmpty(), 1);
  EXPECT_EQ(Vendor.Count(kDelete), 1);
}

TEST_F(KrMiraAdapter, RecordsArrivingMeanwhileFormTheNextBatchWithoutRepeats) {
  Model.addRecord({"1", {2008, 3, 20, 8, 0, 0}, 1, ""});
  ASSERT_EQ(Adapter.IsEmpty(), 0);
  EXPECT_EQ(Adapter.GetRecord().KartNo, "1");
  Adapter.NextRecord();
  Model.addRecord({"2", {2008, 3, 20, 9, 0, 0}, 1, ""});
  ASSERT_EQ(Adapter.IsEmpty(), 0);
  EXPECT_EQ(Adapter.GetRecord().KartNo, "2");
  Adapter.NextRecord();
  EXPECT_EQ(Adapter.IsEmpty(), 1);
  EXPECT_EQ(Vendor.Count(kDelete), 1);
}

TEST_F(KrMiraAdapter, ATerminalThatNeverHadRecordsIsNotCleared) {
  EXPECT_EQ(Adapter.IsEmpty(), 1);
  EXPECT_EQ(Adapter.IsEmpty(), 1);
  EXPECT_EQ(Vendor.Count(kDelete), 0);
  EXPECT_EQ(Vendor.Count("GetRecord("), 2);
}

TEST_F(KrMiraAdapter, AFailedFetchNeitherClearsTheTerminalNorHandsOutTheOldBatchAgain) {
  Model.addRecord({"1", {2008, 3, 20, 8, 0, 0}, 1, ""});
  ASSERT_EQ(Adapter.IsEmpty(), 0);
  Adapter.GetRecord();
  Adapter.NextRecord();
  Model.addRecord({"2", {2008, 3, 20, 9, 0, 0}, 1, ""});

  // The record request fails (a reply too large to arrive, say) while the terminal answers
  // everything else.
  auto model = ModelHandler(Model);
  bool failRecords = true;
  Vendor.Handler = [&](const TCall& ACall, std::string& AReply) {
    if (failRecords && ACall.Command.rfind("GetRecord(", 0) == 0) return -5;
    return model(ACall, AReply);
  };
  EXPECT_EQ(Adapter.IsEmpty(), -1);
  EXPECT_EQ(Adapter.IsEmpty(), -1);
  EXPECT_EQ(Vendor.Count(kDelete), 0);
  EXPECT_EQ(Model.records().size(), 2u);

  // Then the terminal answers again: only the new record comes, the first is not repeated.
  failRecords = false;
  ASSERT_EQ(Adapter.IsEmpty(), 0);
  EXPECT_EQ(Adapter.GetRecord().KartNo, "2");
  Adapter.NextRecord();
  EXPECT_EQ(Adapter.IsEmpty(), 1);
}

TEST_F(KrMiraAdapter, ATerminalSilentAfterABatchDoesNotGetTheBatchRepeated) {
  Model.addRecord({"1", {2008, 3, 20, 8, 0, 0}, 1, ""});
  ASSERT_EQ(Adapter.IsEmpty(), 0);
  Adapter.GetRecord();
  Adapter.NextRecord();
  auto model = Vendor.Handler;
  Vendor.Handler = nullptr;
  EXPECT_EQ(Adapter.IsEmpty(), -1);
  Vendor.Handler = model;
  EXPECT_EQ(Adapter.IsEmpty(), 1);  // only the repeat came back: nothing to hand out
  EXPECT_EQ(Adapter.GetRecord().KartNo, "");
  EXPECT_EQ(Vendor.Count(kDelete), 1);
}

TEST_F(KrMiraAdapter, ARecordCarriesItsFieldsTypesDataAndPhoto) {
  Model.settings().Calendar = SimCalendar::Solar;
  Model.setDateTime({1387, 3, 5, 9, 0, 0});
  const std::string photo = sim::MiraTerminalModel::samplePhoto("123");
  Model.addRecord({"123", {1387, 3, 5, 8, 30, 0}, 1, photo});
  Model.settings().DeviceId = 3;
  Adapter.SetAddress(3);

  ASSERT_EQ(Adapter.IsEmpty(), 0);
  const TMiraRecord r = Adapter.GetRecord();
  EXPECT_EQ(r.ComIp, "192.168.1.20");
  EXPECT_EQ(r.ClockNumber, 3);
  EXPECT_EQ(r.KartNo, "123");
  EXPECT_EQ(r.Date, "870305");
  EXPECT_EQ(r.Time, "08:30");
  EXPECT_EQ(r.RecType1, "00");
  EXPECT_EQ(r.RecType2, "03");
  EXPECT_EQ(r.IOType, iotEnter);
  EXPECT_EQ(r.SequenceCode, 'A');
  EXPECT_FALSE(r.FingerPrint);
  EXPECT_EQ(r.Data, std::string(3, '\x01') + "0000000123030508300003A");
  ASSERT_TRUE(r.ImageData);
  EXPECT_EQ(*r.ImageData, photo);
}

TEST_F(KrMiraAdapter, GregorianRecordTimesAreHandedOutAsSolarDates) {
  Model.addRecord({"77", {2024, 12, 9, 23, 59, 59}, 7, ""});
  ASSERT_EQ(Adapter.IsEmpty(), 0);
  const TMiraRecord r = Adapter.GetRecord();
  EXPECT_EQ(r.Date, "030919");
  EXPECT_EQ(r.Time, "23:59");
  EXPECT_EQ(r.IOType, ioMission);
  EXPECT_EQ(r.RecType1, "12");
  EXPECT_EQ(r.RecType2, "00");
  EXPECT_FALSE(r.ImageData);  // sent without a photo
}

const char* const kInfo = "Return(result=\"success\" time=\"2008-03-20 10:15:30\")";

TEST_F(KrMiraAdapter, APhotoThatDoesNotDecodeLeavesTheRecordWithoutImage) {
  Vendor.Handler = ScriptHandler(
      kInfo,
      "Return(result=\"success\"\n"
      "time=\"2008-03-20 08:30:00\" id=\"9\" status=\"x\" photo=\"@@not base64@@\"\n)");
  ASSERT_EQ(Adapter.IsEmpty(), 0);
  const TMiraRecord r = Adapter.GetRecord();
  EXPECT_EQ(r.KartNo, "9");
  EXPECT_EQ(r.SequenceCode, 'A');
  EXPECT_FALSE(r.ImageData);
  EXPECT_EQ(r.IOType, iotNone);  // a status that is no number
  EXPECT_EQ(r.RecType2, "00");
}

// Every record of the reply is handed out: ids whole and as sent (letters too), and a record
// whose time is none or does not exist marked, with the terminal's own text, between the others.
TEST_F(KrMiraAdapter, RecordsWithTimesThatAreNoneAreHandedOutMarkedAmongTheOthers) {
  Vendor.Handler = ScriptHandler(
      kInfo,
      "Return(result=\"success\"\n"
      "time=\"2008-03-20 08:30:00\" id=\"12X4567890123\" status=\"1\"\n"
      "time=\"2008-03-20 25:61:00\" id=\"7\" status=\"2\"\n"
      "time=\"abc\" id=\"8\"\n"
      "time=\"2008-03-20 09:00:00\" id=\"9\"\n)");
  ASSERT_EQ(Adapter.IsEmpty(), 0);
  std::vector<TMiraRecord> records;
  for (int i = 0; i < 4; ++i) {
    records.push_back(Adapter.GetRecord());
    Adapter.NextRecord();
  }
  EXPECT_EQ(records[0].KartNo, "12X4567890123");
  EXPECT_EQ(records[0].Fault, "");
  EXPECT_EQ(records[0].Date, "870101");
  EXPECT_EQ(records[1].KartNo, "7");
  EXPECT_TRUE(records[1].ImpossibleDate);
  EXPECT_EQ(records[1].Fault, "the terminal's time \"2008-03-20 25:61:00\" does not exist");
  EXPECT_EQ(records[1].Date, "2008-03-20");
  EXPECT_EQ(records[1].Time, "25:61");
  EXPECT_EQ(records[1].Data, "time=\"2008-03-20 25:61:00\" id=\"7\" status=\"2\"");
  EXPECT_EQ(records[2].KartNo, "8");
  EXPECT_EQ(records[2].Fault, "the terminal's time \"abc\" is no date and time");
  EXPECT_EQ(records[3].KartNo, "9");
  EXPECT_EQ(records[3].Fault, "");
}

// A terminal whose own time is no time: the request for records, which needs its calendar, is not
// made, and the adapter says why.
TEST_F(KrMiraAdapter, ATimeThatIsNoneIsReportedNotReadAsANumber) {
  Vendor.Handler = ScriptHandler("Return(result=\"success\" time=\"abc\")", "");
  TDateStr date;
  TTimeStr time;
  try {
    Adapter.GetDateTime(date, time);
    ADD_FAILURE() << "a time of abc was read";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "the terminal's time \"abc\" is no date and time");
  }
  EXPECT_EQ(Adapter.IsEmpty(), -1);
  EXPECT_EQ(Adapter.LogProblem(), "the terminal's time \"abc\" is no date and time");
  EXPECT_EQ(Vendor.Count("GetRecord"), 0);
}

TEST_F(KrMiraAdapter, ARecordRequestWithoutSuccessBringsNothing) {
  Vendor.Handler =
      ScriptHandler(kInfo, "Return(result=\"busy\"\ntime=\"2008-03-20 08:30:00\" id=\"9\"\n)");
  EXPECT_EQ(Adapter.IsEmpty(), -1);
  EXPECT_EQ(Adapter.GetRecord().KartNo, "");
}

TEST_F(KrMiraAdapter, WithoutARecordGetRecordGivesTheClearedRecord) {
  const TMiraRecord r = Adapter.GetRecord();
  EXPECT_EQ(r.KartNo, "");
  EXPECT_EQ(r.Date, "");
  EXPECT_EQ(r.Data, "");
  EXPECT_EQ(r.RecType1, "00");
  EXPECT_EQ(r.RecType2, "00");
  EXPECT_EQ(r.SequenceCode, '\0');
  EXPECT_EQ(r.ComIp, "192.168.1.20");
  EXPECT_EQ(r.ClockNumber, 1);
  EXPECT_FALSE(r.ImageData);
  EXPECT_TRUE(Vendor.Calls.empty());
}

TEST_F(KrMiraAdapter, ARecordWithAGarbledTimeIsHandedOutMarked) {
  Vendor.Handler =
      ScriptHandler(kInfo, "Return(result=\"success\"\ntime=\"2008-03-20 8h30\" id=\"1\"\n)");
  ASSERT_EQ(Adapter.IsEmpty(), 0);
  const TMiraRecord r = Adapter.GetRecord();
  EXPECT_EQ(r.KartNo, "1");
  EXPECT_EQ(r.Fault, "the terminal's time \"2008-03-20 8h30\" is no date and time");
  EXPECT_EQ(r.Date, "2008-03-20");
  EXPECT_EQ(r.Time, "8h30");
}

TEST(KrMiraTerminalMode, IgnoresAnInputFile) {
  miratest::TTempFolder folder;
  TKrMira adapter("10.0.0.1", 1, "");
  TFakeVendor vendor;
  adapter.SetVendor(&vendor);
  adapter.SetInputFileName(folder.file("r.txt", "time=\"2008-03-20 08:30:00\" id=\"1\"\n"));
  EXPECT_EQ(adapter.InputFileName(), "");
  EXPECT_EQ(adapter.IsEmpty(), -1);  // the (missing) library was asked, not the file
  EXPECT_EQ(vendor.Calls.size(), 1u);
}

// File mode: a saved record reply replayed from a text file.
class KrMiraFileMode : public ::testing::Test {
 protected:
  KrMiraFileMode() { Adapter.SetVendor(&Vendor); }
  std::vector<std::string> DrainCards() {
    std::vector<std::string> cards;
    while (Adapter.IsEmpty() == 0) {
      cards.push_back(Adapter.GetRecord().KartNo);
      Adapter.NextRecord();
    }
    return cards;
  }
  miratest::TTempFolder Folder;
  TFakeVendor Vendor;
  TKrMira Adapter;
};

TEST_F(KrMiraFileMode, ReplaysTheFileOnceAndNeverTalksToATerminal) {
  Adapter.SetInputFileName(
      Folder.file("records.txt",
                  "time=\"2008-03-20 08:30:00\" id=\"11\" status=\"1\"\r\n"
                  "time=\"1387-01-01 17:00:00\" id=\"12\" status=\"2\"\r\n"
                  "time=\"2008-03-20 08:30:00\" id=\"11\" status=\"1\"\r\n"));  // a repeat, dropped
  EXPECT_TRUE(Adapter.IsInFileMode());
  EXPECT_EQ(DrainCards(), (std::vector<std::string>{"11", "12"}));
  EXPECT_EQ(Adapter.IsEmpty(), 1);  // loaded once per file name: never read again

  TDateStr date;
  TTimeStr time;
  EXPECT_FALSE(Adapter.TestConnection());
  EXPECT_FALSE(Adapter.GetDateTime(date, time));
  EXPECT_FALSE(Adapter.SetDateTime("1387/01/01", "10:00"));
  EXPECT_EQ(Adapter.GetFirmwareVersion(), "");
  EXPECT_TRUE(Vendor.Calls.empty());
}

TEST_F(KrMiraFileMode, ANewFileNameForgetsEveryRecordAndLoadsAgain) {
  const std::string reply = "time=\"2008-03-20 08:30:00\" id=\"5\"\n";
  Adapter.SetInputFileName(Folder.file("a.txt", reply));
  EXPECT_EQ(DrainCards(), (std::vector<std::string>{"5"}));
  // The same record in another file is handed out again: the new name forgot the old ones.
  Adapter.SetInputFileName(Folder.file("b.txt", reply + "time=\"2008-03-20 09:00:00\" id=\"6\"\n"));
  EXPECT_EQ(DrainCards(), (std::vector<std::string>{"5", "6"}));
}

TEST_F(KrMiraFileMode, AnEmptyFileHasNoRecordsAndAMissingFileRaises) {
  Adapter.SetInputFileName(Folder.file("empty.txt", ""));
  EXPECT_EQ(Adapter.IsEmpty(), 1);
  Adapter.SetInputFileName((Folder.path() / "missing.txt").string());
  EXPECT_THROW(Adapter.IsEmpty(), PlatformError);
}

}  // namespace
