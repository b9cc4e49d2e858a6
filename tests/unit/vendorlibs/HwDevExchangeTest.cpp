// The exchange between the HwDevComm library and a terminal (frames, limits, quoted values), and
// the simulated first-kind terminal behind it.
#include <gtest/gtest.h>

#include "HwDevExchange/HwDevExchange.h"
#include "models/MiraTerminalModel.h"

using hwdev::TDecodeResult;
using sim::MiraTerminalModel;
using sim::SimCalendar;

namespace {

TEST(MiraHwDevExchange, RequestAndReplyFramesSurviveDeliveryInPieces) {
  const std::string request =
      hwdev::EncodeRequest("DeviceInfo(dev_id = \"1\" )", "GetDeviceInfo()");
  EXPECT_EQ(request, "HWDEV/1 EXEC 25 15\nDeviceInfo(dev_id = \"1\" )GetDeviceInfo()");
  hwdev::THwDevRequest decoded;
  std::size_t consumed = 0;
  for (std::size_t n = 0; n < request.size(); ++n) {
    ASSERT_EQ(hwdev::DecodeRequest(request.substr(0, n), decoded, consumed),
              TDecodeResult::Incomplete)
        << n;
  }
  ASSERT_EQ(hwdev::DecodeRequest(request + "HWDEV/1", decoded, consumed), TDecodeResult::Complete);
  EXPECT_EQ(consumed, request.size());
  EXPECT_EQ(decoded.DeviceInfo, "DeviceInfo(dev_id = \"1\" )");
  EXPECT_EQ(decoded.Command, "GetDeviceInfo()");

  const std::string body("Return(result=\"success\")\0tail", 29);
  const std::string reply = hwdev::EncodeReply(hwdev::hcDone, body);
  hwdev::THwDevReply answer;
  ASSERT_EQ(hwdev::DecodeReply(reply.substr(0, reply.size() - 1), answer, consumed),
            TDecodeResult::Incomplete);
  ASSERT_EQ(hwdev::DecodeReply(reply, answer, consumed), TDecodeResult::Complete);
  EXPECT_EQ(answer.Code, 0);
  EXPECT_EQ(answer.Text, body);  // the text is carried byte for byte, zeros included
}

TEST(MiraHwDevExchange, RefusesFramesThatBreakTheLayoutOrTheLimits) {
  const char* replies[] = {
      "HWDEV/2 0 1\nx",  // another version
      "HWDEV/1 0 -1\n",  // a sign
      "HWDEV/1 0 +1\nx",
      "HWDEV/1  0 1\nx",         // two blanks
      "HWDEV/1 0 1 2\nx",        // a field too many
      "HWDEV/1 0 1234567890\n",  // ten digits
      "HWDEV/1 0 999999999\n",   // above the reply limit
      "HWDEV/1 x 1\nx",
      "GET / HTTP/1.1",  // garbage, refused before any newline
      "HWDEV/1 0 00000000000000000000000000000000000000000000000000000000000000001\nx",
  };
  hwdev::THwDevReply reply;
  std::size_t consumed = 0;
  for (const char* frame : replies) {
    EXPECT_EQ(hwdev::DecodeReply(frame, reply, consumed), TDecodeResult::Malformed) << frame;
  }
  hwdev::THwDevRequest request;
  EXPECT_EQ(hwdev::DecodeRequest("HWDEV/1 EXEC 65537 1\n", request, consumed),
            TDecodeResult::Malformed);
  EXPECT_EQ(hwdev::DecodeRequest("HWDEV/1 RUN 1 1\nab", request, consumed),
            TDecodeResult::Malformed);
  EXPECT_EQ(hwdev::DecodeRequest(std::string(64, 'H'), request, consumed),
            TDecodeResult::Malformed);
}

TEST(MiraHwDevExchange, FindsQuotedValuesByWholeName) {
  const std::string info =
      "DeviceInfo(dev_id = \"3\" ip_address = \"10.0.0.9\" port_number=\"9922\" x_password = "
      "\"no\" )";
  EXPECT_EQ(hwdev::FindQuotedValue(info, "dev_id"), "3");
  EXPECT_EQ(hwdev::FindQuotedValue(info, "ip_address"), "10.0.0.9");
  EXPECT_EQ(hwdev::FindQuotedValue(info, "port_number"), "9922");
  EXPECT_EQ(hwdev::FindQuotedValue(info, "password"), std::nullopt);  // only the tail of a name
  EXPECT_EQ(hwdev::FindQuotedValue(info, "id"), std::nullopt);
  const std::string range = "GetRecord(start_time= \"1300-01-01 00:00:00\" end_time=\"x\" )";
  EXPECT_EQ(hwdev::FindQuotedValue(range, "start_time"), "1300-01-01 00:00:00");
  EXPECT_EQ(hwdev::FindQuotedValue(range, "time"), std::nullopt);
  EXPECT_EQ(hwdev::FindQuotedValue("a = \"open", "a"), std::nullopt);
  EXPECT_EQ(hwdev::FindQuotedValue("a = b", "a"), std::nullopt);
}

const char* const kDevice1 = "DeviceInfo(dev_id = \"1\" )";

TEST(MiraTerminalModel, AnswersFramesAndRefusesWhatItCannotRead) {
  MiraTerminalModel model;
  const std::string request = hwdev::EncodeRequest(kDevice1, "GetDeviceInfo()");
  // Delivered in two pieces, as TCP may.
  EXPECT_TRUE(model.receive(request.substr(0, 10)).empty());
  const sim::ReplyPlan plan = model.receive(request.substr(10));
  ASSERT_EQ(plan.size(), 1u);
  hwdev::THwDevReply reply;
  std::size_t consumed = 0;
  ASSERT_EQ(hwdev::DecodeReply(plan[0].Bytes, reply, consumed), TDecodeResult::Complete);
  EXPECT_EQ(reply.Code, hwdev::hcDone);
  EXPECT_EQ(reply.Text,
            "Return(result=\"success\" dev_id=\"1\" dev_type=\"HW_HDCP\" edition=\"HDCP-FR 3.2.7\" "
            "serial_no=\"HW2201A00017\" record_count=\"0\" time=\"2024-12-09 10:30:00\")");

  const sim::ReplyPlan garbage = model.receive("hello\n");
  ASSERT_EQ(garbage.size(), 1u);
  ASSERT_EQ(hwdev::DecodeReply(garbage[0].Bytes, reply, consumed), TDecodeResult::Complete);
  EXPECT_EQ(reply.Code, hwdev::hcMalformed);
}

TEST(MiraTerminalModel, RefusesOtherDevicesWrongPasswordsAndUnknownCommands) {
  MiraTerminalModel model;
  EXPECT_EQ(model.execute("DeviceInfo(dev_id = \"2\" )", "GetDeviceInfo()").Code, hwdev::hcRefused);
  EXPECT_EQ(model.execute(kDevice1, "Reboot()").Code, hwdev::hcUnknownCommand);
  model.settings().Password = "pw";
  EXPECT_EQ(model.execute(kDevice1, "GetDeviceInfo()").Code, hwdev::hcRefused);
  EXPECT_EQ(model.execute("DeviceInfo(dev_id = \"1\" password = \"pw\" )", "GetDeviceInfo()").Code,
            hwdev::hcDone);
}

TEST(MiraTerminalModel, GivesTheRecordsOfTheRangeAndSetsOnlyRealTimes) {
  MiraTerminalModel model;
  model.settings().Calendar = SimCalendar::Solar;
  model.addRecord({"1", {1399, 12, 30, 23, 59, 59}, 1, ""});
  model.addRecord({"2", {1403, 1, 1, 0, 0, 0}, 2, "\x01\x02"});
  const hwdev::THwDevReply old = model.execute(
      kDevice1, "GetRecord(start_time= \"1300-01-01 00:00:00\" end_time=\"1399-12-29 23:59:59\" )");
  EXPECT_EQ(old.Text, "Return(result=\"success\" count=\"0\"\n)");
  const hwdev::THwDevReply all = model.execute(
      kDevice1, "GetRecord(start_time= \"1300-01-01 00:00:00\" end_time=\"1499-12-29 23:59:59\" )");
  EXPECT_EQ(all.Text,
            "Return(result=\"success\" count=\"2\"\n"
            "time=\"1399-12-30 23:59:59\" id=\"1\" status=\"1\"\n"
            "time=\"1403-01-01 00:00:00\" id=\"2\" status=\"2\" photo=\"AQI=\"\n)");

  EXPECT_EQ(model.execute(kDevice1, "SetDeviceInfo(time=\"1403-12-31 10:00:00\")").Text,
            "Return(result=\"failed\" reason=\"bad time\")");  // no 31st in month 12
  EXPECT_EQ(model.execute(kDevice1, "SetDeviceInfo(time=\"1403-9-20 7:45:00\")").Text,
            "Return(result=\"success\")");
  EXPECT_EQ(model.dateTime(), (sim::SimDateTime{1403, 9, 20, 7, 45, 0}));
  EXPECT_EQ(model.execute(kDevice1, "DeleteAllRecord()").Text, "Return(result=\"success\")");
  EXPECT_TRUE(model.records().empty());
}

}  // namespace
