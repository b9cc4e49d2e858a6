// libFuzzer target: the replies of a first-kind face-recognition terminal.
//
// The input is taken as what comes back from a terminal: a reply frame of the HwDevComm exchange
// (decoded as the library does), and the reply text itself, read by the adapter as device
// information and as a record reply, record by record. Conversion errors are the adapter's way
// of refusing a garbled date-time; anything else escaping, or a memory fault, is a finding.
//
// Built and run with the other fuzz targets by scripts/fuzz.sh.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <string>

#include "HwDevExchange/HwDevExchange.h"
#include "adapters/KRMira/KRMira.h"
#include "calendar/ConvertError.h"

namespace {

// Answers every command with the fuzz input; decodes photos as the project's library does.
class TReplayVendor : public IHwDevVendor {
 public:
  explicit TReplayVendor(const std::string& AReply) : FReply(AReply) {}
  int Execute(const std::string&, const std::string&, std::string& AReply) override {
    AReply = FReply;
    return 0;
  }
  bool Base64Decode(const std::string& AText, std::string& ABytes) override {
    auto result = QByteArray::fromBase64Encoding(
        QByteArray(AText.data(), static_cast<qsizetype>(AText.size())),
        QByteArray::AbortOnBase64DecodingErrors);
    if (!result) return false;
    ABytes.assign(result.decoded.constData(), static_cast<std::size_t>(result.decoded.size()));
    return true;
  }

 private:
  std::string FReply;
};

void ReadFrames(const std::string& AInput) {
  hwdev::THwDevReply reply;
  hwdev::THwDevRequest request;
  std::size_t consumed = 0;
  if (hwdev::DecodeReply(AInput, reply, consumed) == hwdev::TDecodeResult::Complete &&
      consumed > AInput.size()) {
    __builtin_trap();
  }
  if (hwdev::DecodeRequest(AInput, request, consumed) == hwdev::TDecodeResult::Complete &&
      consumed > AInput.size()) {
    __builtin_trap();
  }
  (void)hwdev::FindQuotedValue(AInput, "ip_address");
  (void)hwdev::FindQuotedValue(AInput, "time");
}

void ReadAsTerminal(const std::string& AInput) {
  TReplayVendor vendor(AInput);
  TKrMira adapter("192.168.1.20", 1, "");
  adapter.SetVendor(&vendor);
  (void)adapter.TestConnection();
  (void)adapter.GetFirmwareVersion();
  TDateStr date;
  TTimeStr time;
  try {
    (void)adapter.GetDateTime(date, time);
    (void)adapter.SetDateTime("1387/01/01", "10:15");
  } catch (const EConvertError&) {
  }
  // Each record in turn; a garbled record raises and the next is tried, as a caller would. A
  // garbled device time makes every later IsEmpty raise as well: stop there.
  for (int step = 0; step < 256; ++step) {
    try {
      if (adapter.IsEmpty() != 0) break;
    } catch (const EConvertError&) {
      break;
    }
    try {
      const TMiraRecord record = adapter.GetRecord();
      if (record.Data.size() > 50 || record.KartNo.size() > 10) __builtin_trap();
    } catch (const EConvertError&) {
    }
    adapter.NextRecord();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  const std::string input(reinterpret_cast<const char*>(AData), ASize);
  ReadFrames(input);
  ReadAsTerminal(input);
  return 0;
}
