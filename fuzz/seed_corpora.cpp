// Writes seed corpora for the fuzz targets from the simulator's traffic: the clock operations
// run against the simulated clocks of clocksim's scenarios (text RS232, an RS485 bus, HDLC), and
// what the clocks answered is written in each target's input format. Seeds therefore follow the
// models as they change; nothing binary is kept in the repository.
//
//   seed_corpora DIR     writes DIR/<target>/<name> for fuzz_exchange, fuzz_hdlc,
//                        fuzz_text_reply, fuzz_dictionary and fuzz_settings
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ExchangeScript.h"
#include "connections/ClockSet.h"
#include "connections/ConnectionList.h"
#include "inproc/VirtualPlatform.h"
#include "link/HdlcFrame.h"
#include "models/HdlcClockModel.h"
#include "models/Scenario.h"
#include "models/TextClockModel.h"
#include "utils/MessageHook.h"

namespace fs = std::filesystem;

namespace {

fs::path gOut;
int gWritten = 0;

void WriteSeed(const std::string& ATarget, const std::string& AName, const std::string& ABytes) {
  const fs::path dir = gOut / ATarget;
  fs::create_directories(dir);
  std::ofstream(dir / AName, std::ios::binary) << ABytes;
  ++gWritten;
}

struct LineKind {
  const char* Name;
  std::uint8_t LineBits;  // byte 0 of the exchange script
  std::vector<std::string> Statements;
};

const std::vector<LineKind>& LineKinds() {
  static const std::vector<LineKind> kinds = {
      {"rs232",
       0x00,
       {"name KR-Tal 100", "camera yes", "record 1234 1403/09/17 08:01 picture=700",
        "record 99 1403/09/17 17:30 event=1"}},
      {"rs232-lumen", 0x00, {"name LUMEN 2", "record 77 1403/09/17 08:01"}},
      {"rs232-corax", 0x00, {"name KR-Corax", "record 1234567890 1403/09/17 08:01"}},
      {"rs485", 0x01, {"protocol RS485", "clock 1", "record 4321 1403/09/17 08:02"}},
      {"rs485-c12", 0x01 | (2 << 3), {"protocol RS485", "clock 12", "name MX-4100"}},
      {"hdlc",
       0x02,
       {"protocol Hdlc", "name KR-Ember", "prefix xyz", "record 1234 1403/09/17 08:01 picture=600",
        "record 5678 1403/09/17 09:00"}},
      {"hdlc-tal",
       0x02,
       {"protocol Hdlc", "name KR-Tal R2", "calendar gregorian",
        "record 42 2024/12/07 08:01 picture=900", "block 2"}},
  };
  return kinds;
}

sim::Scenario ScenarioOf(const LineKind& AKind) {
  sim::ScenarioParser parser;
  for (const auto& s : AKind.Statements) parser.parse(s, "seed", true);
  return parser.finish();
}

// Runs AOperation on a line of the virtual platform against the simulated clocks of AKind and
// returns the script of what they answered.
fuzzexchange::Script Record(const LineKind& AKind, bool ATcp, fuzzexchange::Operation AOp) {
  sim::ScopedVirtualPlatform vp;
  std::unique_ptr<sim::DeviceModel> model = sim::buildModel(ScenarioOf(AKind));
  fuzzexchange::RecordingClock recorder(*model);
  vp.P.Wire.setModel(&recorder);

  TClockSet line;
  const int protocol = AKind.LineBits & 3;
  line.SetProtocol(protocol == 1 ? RS485 : protocol == 2 ? ptHdlc : RS232);
  if (ATcp) {
    line.ChangeConnectionType(TcpIp);
    line.ChangeSocketAddress("127.0.0.1");
    line.ChangeSocketPort(1001);
  }
  static constexpr TClockNumber kNumbers[] = {1, 2, 12, 32};
  TBasicClock& clock = *line.Clocks().front();
  clock.ClockNumber = kNumbers[(AKind.LineBits >> 3) & 3];
  // Most operations follow a detection in the program; so do they here, unrecorded.
  if (AOp != fuzzexchange::Operation::DetectTal && AOp != fuzzexchange::Operation::DetectEmber) {
    clock.Detect(protocol == 2 ? cstKREmber : cstKRTal);
    recorder.Recorded.clear();
  }
  switch (AOp) {
    case fuzzexchange::Operation::DetectTal:
      clock.Detect(cstKRTal);
      break;
    case fuzzexchange::Operation::DetectEmber:
      clock.Detect(cstKREmber);
      break;
    case fuzzexchange::Operation::DateTime: {
      TDateStr d;
      TTimeStr t;
      clock.MustReadDateTime = true;
      clock.GetDateTime(d, t);
      break;
    }
    case fuzzexchange::Operation::Status:
      clock.IsEmpty();
      break;
    case fuzzexchange::Operation::TextExchange: {
      std::string reply;
      clock.SendCommand(std::string(1, '\x18'), 26, std::string(3, '\x01'), "", reply);
      break;
    }
    case fuzzexchange::Operation::RawExchange: {
      std::string reply;
      clock.SendCommandWithoutDecoding("ACM?\r", 8, reply);
      break;
    }
    case fuzzexchange::Operation::SerialNumber:
      clock.ClockType = KREmber;
      clock.GetSerialNo();
      break;
    case fuzzexchange::Operation::SetDateTime:
      clock.SetDateTime("1403/09/18", "10:30");
      break;
    case fuzzexchange::Operation::Records:
      for (int i = 0; i < 4; ++i) {
        if (clock.GetRecord().KartNo.empty()) break;
        clock.NextRecord();
      }
      break;
    case fuzzexchange::Operation::Picture: {
      clock.SetGetIOImage(true);
      clock.GetRecord();
      std::string picture;
      clock.GetRecordImage(&picture);
      break;
    }
    case fuzzexchange::Operation::Count:
      break;
  }
  fuzzexchange::Script script;
  script.Line = static_cast<std::uint8_t>(AKind.LineBits | (ATcp ? 0x04 : 0));
  script.Op = static_cast<std::uint8_t>(AOp);
  script.Replies = std::move(recorder.Recorded);
  return script;
}

void ExchangeSeeds() {
  for (const auto& kind : LineKinds()) {
    for (int op = 0; op < static_cast<int>(fuzzexchange::Operation::Count); ++op) {
      for (bool tcp : {false, true}) {
        fuzzexchange::Script script = Record(kind, tcp, static_cast<fuzzexchange::Operation>(op));
        const std::string base =
            std::string(kind.Name) + (tcp ? "-tcp" : "") + "-op" + std::to_string(op);
        WriteSeed("fuzz_exchange", base, fuzzexchange::Encode(script));
        // The same answers arriving a byte at a time.
        for (auto& r : script.Replies) r.Timing = 9;
        WriteSeed("fuzz_exchange", base + "-bytewise", fuzzexchange::Encode(script));
      }
    }
  }
}

// Every frame an HDLC clock sends during a detection, a date-time read and a record read, alone
// and as the stream the tool receives.
void HdlcSeeds() {
  const LineKind& kind = LineKinds()[5];
  std::string stream;
  int n = 0;
  for (auto op : {fuzzexchange::Operation::DetectEmber, fuzzexchange::Operation::DateTime,
                  fuzzexchange::Operation::SerialNumber}) {
    for (const auto& r : Record(kind, false, op).Replies) {
      if (r.Bytes.empty()) continue;
      WriteSeed("fuzz_hdlc", "frame" + std::to_string(++n), r.Bytes);
      stream += r.Bytes;
    }
  }
  WriteSeed("fuzz_hdlc", "stream", stream);
  THdlcPacket packet;
  packet.SourceAddress = 5;
  packet.DestAddress = 1;
  packet.Data = std::string("\x7E\x7D\x7E", 3);
  WriteSeed("fuzz_hdlc", "stuffed", BuildHdlcFrame(packet));
}

// The text clocks' replies, with a first byte that asks for the reply start 01 01 01.
void TextReplySeeds() {
  int n = 0;
  for (std::size_t k = 0; k < 5; ++k) {
    const LineKind& kind = LineKinds()[k];
    for (auto op : {fuzzexchange::Operation::DetectTal, fuzzexchange::Operation::DateTime,
                    fuzzexchange::Operation::Status}) {
      for (const auto& r : Record(kind, false, op).Replies) {
        if (r.Bytes.empty()) continue;
        WriteSeed("fuzz_text_reply", "reply" + std::to_string(++n),
                  std::string(1, '\x01') + r.Bytes);
        WriteSeed("fuzz_text_reply", "stray" + std::to_string(n),
                  std::string(1, '\x05') + "\x33\x34" + r.Bytes);
      }
    }
  }
}

void DictionarySeeds() {
  const std::string text =
      "Language=English\r\nBiDiMode=LeftToRight\r\nDateType=Christian\r\n"
      "\xD8\xAA\xD8\xAE\xD9\x84\xDB\x8C\xD9\x87=Dump\r\nline#13#10two=Two lines\nno equals\r";
  WriteSeed("fuzz_dictionary", "utf8", text);
  WriteSeed("fuzz_dictionary", "utf8-bom", "\xEF\xBB\xBF" + text);
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("Language=English\r\nDateType=Solar\r\n")) {
    utf16 += c;
    utf16 += '\0';
  }
  utf16 += std::string("\x2A\x06=\0x\0", 6);  // an Arabic letter, "=", "x"
  WriteSeed("fuzz_dictionary", "utf16le", utf16);
  // Windows-1256: "تخليه=Dump" as the old editors wrote it.
  WriteSeed("fuzz_dictionary", "cp1256", "\xCA\xCE\xE1\xED\xE5=Dump\r\nLanguage=English\r\n");
}

void SettingsSeeds() {
  sim::ScopedVirtualPlatform vp;
  TClockSet line;
  line.ConnectionName = "Line 1";
  line.NewClock(5).Active = false;
  WriteSeed("fuzz_settings", "line", line.BuildProperties());
  WriteSeed("fuzz_settings", "specifications", line.BuildSpecifications());
  TClockSet tcp;
  tcp.ChangeConnectionType(TcpIp);
  tcp.ChangeSocketAddress("192.168.1.20");
  tcp.ChangeSocketPort(4370);
  tcp.SetProtocol(ptHdlc);
  WriteSeed("fuzz_settings", "tcp-line", tcp.BuildProperties());
  TConnectionList list;
  WriteSeed("fuzz_settings", "list", list.BuildProperties());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: seed_corpora DIR\n");
    return 2;
  }
  gOut = argv[1];
  const TScopedMessageHook quiet(
      [](const std::string&, TMsgDlgType, TMsgDlgButtons, std::int32_t) { return int(mrOk); });
  ExchangeSeeds();
  HdlcSeeds();
  TextReplySeeds();
  DictionarySeeds();
  SettingsSeeds();
  std::printf("seed_corpora: %d seeds in %s\n", gWritten, gOut.c_str());
  return 0;
}
