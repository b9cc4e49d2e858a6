// Detection: whether a clock answers at this clock number, and which model it is.
//
// A card clock is first asked for its status; when it answers, its identification (text
// protocol: 18h, answered by 01 01 01, the name, one byte, CR, ...; HDLC: the device description
// "model;Ver ...;Rec ...;CAM;") names the model, and the firmware text follows. A clock that
// stays silent on a text line may be a Lumen, which listens only at even parity: it is probed
// once more at that parity. The face-recognition terminals are probed through their adapters, on
// TCP/IP lines only.
#include <cstdint>
#include <vector>

#include "adapters/KRMira/KRMira.h"
#include "adapters/KRMira120/KRMira120.h"
#include "calendar/ConvertError.h"
#include "clock/ClockFamilies.h"
#include "clock/ClockOpsSupport.h"
#include "clock/VexClock.h"
#include "link/ByteUtils.h"
#include "platform/Platform.h"
#include "utils/TextFields.h"

using clockops::Contains;
using clockops::kReplyStart;
using clockops::UpperText;

namespace {
const std::string kIdentify("\x18", 1);
const std::string kLumenFirmware("\x19", 1);
const std::string kFirmwareRs232("AFV?\r");
const std::string kFirmwareRs485("AFV?^");
const std::string kDeviceDescription("\x01", 1);
const std::string kSerialNumber("Q\x1E", 2);
constexpr int kIdentifyLength = 26;
constexpr int kFirmwareLength = 30;

// The text between the three start bytes and the last two bytes of a firmware reply.
std::string FirmwareBetweenFrame(const std::string& AReply) {
  if (AReply.size() < 5) return {};
  return AReply.substr(3, AReply.size() - 5);
}

// The fields of a device description: each is the text before the next ";", and text after the
// last ";" is a final field. An empty description has no field.
std::vector<std::string> SplitDescription(const std::string& AData) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (start < AData.size()) {
    const std::size_t end = AData.find(';', start);
    if (end == std::string::npos) {
      fields.push_back(AData.substr(start));
      break;
    }
    fields.push_back(AData.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}
}  // namespace

bool TBasicClock::Detect(TClockSearchType AClockSearchType) {
  const TClockFamily& family = ClockFamily(AClockSearchType);
  if (!family.FaceTerminal) return DetectCardClock(AClockSearchType);
  // The face terminals answer only over TCP/IP, through their adapters.
  if (ConnectionType() != TcpIp) {
    ClockName = "Unknown";
    ClockType = CTUnknown;
    return false;
  }
  InDetectClocks = true;
  const clockops::TScopeExit finish([&] { InDetectClocks = false; });
  return family.ProbeType == KRMiraClock ? DetectKrMira() : DetectKrMira120();
}

bool TBasicClock::DetectKrMira() {
  // A probe of its own, at the line's address, device id 1, no password.
  TKrMira probe(LineIpAddress(), 1, "");
  if (!probe.TestConnection()) {
    ClockName = "Unknown";
    ClockType = CTUnknown;
    return false;
  }
  ClockName = "KR-Mira";
  ClockType = KRMiraClock;
  FirmwareVer = probe.GetFirmwareVersion();
  try {
    probe.GetDateTime(MiraClockDateStr, MiraClockTimeStr);
  } catch (const EConvertError&) {
    // The terminal answered, but its time is no date and time: it is found all the same, with
    // no date and time to show.
    MiraClockDateStr = "";
    MiraClockTimeStr = "";
  }
  return true;
}

bool TBasicClock::DetectKrMira120() {
  platform::Clock().processMessages();
  SyncKrMira120Address();
  if (!FKrMira120->Connect()) {
    ClockName = "Unknown";
    ClockType = CTUnknown;
    return false;
  }
  platform::Clock().processMessages();
  ClockName = "KR-Mira120";
  ClockType = KRMira120Clock;
  FirmwareVer = FKrMira120->GetFirmwareVersion();
  return true;
}

bool TBasicClock::DetectCardClock(TClockSearchType AClockSearchType) {
  bool found = false;
  SetLineParity(TParity::None);
  InDetectClocks = true;
  const clockops::TScopeExit finish([&] {
    if (!found) {
      try {
        SetLineParity(TParity::None);
      } catch (...) {
        // The port keeps whatever parity it had; the clock is not found either way.
      }
      ClockName = "Unknown";
      ClockType = CTUnknown;
    }
    InDetectClocks = false;
  });

  const bool hdlc = GetProtocol() == ptHdlc;
  ClockType = hdlc ? ClockFamily(AClockSearchType).ProbeType : MX4100;

  if (IsConnected()) {
    std::string identification;
    bool named = true;
    if (hdlc) {
      ReadDeviceInfo();
      ClockName = FHdlcDevModel;
      identification = FHdlcDevModel;
    } else {
      SendCommand(kIdentify, kIdentifyLength, kReplyStart, "", identification);
      named = TakeClockName(identification);
    }
    if (named) {
      ClassifyClockName(identification);
      if (ClockType != CTUnknown) ReadFirmwareText(false);
      found = true;
    }
  }

  if (!found && !hdlc) {
    SetLineParity(TParity::Even);
    ClockType = Lumen;
    if (IsConnected()) {
      std::string identification;
      SendCommand(kIdentify, kIdentifyLength, kReplyStart, "", identification);
      if (TakeClockName(identification)) {
        ClassifyClockName(identification);
        if (ClockType != CTUnknown) ReadFirmwareText(true);
        found = true;
      }
    }
  }
  return found;
}

void TBasicClock::ReadFirmwareText(bool ALumen) {
  // Asked at least once, so that a clock found again does not keep an earlier clock's text.
  const int tries = Tries();
  int attempt = 0;
  do {
    ++attempt;
    if (GetProtocol() == ptHdlc) {
      FirmwareVer = FHdlcDevVer;
      continue;
    }
    std::string reply;
    if (ALumen) {
      SendCommand(kLumenFirmware, kFirmwareLength, "", "", reply);
      FirmwareVer = FirmwareBetweenFrame(reply);
      continue;
    }
    SendCommand(GetProtocol() == RS485 ? kFirmwareRs485 : kFirmwareRs232, kFirmwareLength, "", "",
                reply);
    if (!reply.empty() && reply[0] == '\x01')
      FirmwareVer = FirmwareBetweenFrame(reply);
    else if (!reply.empty())
      FirmwareVer = reply.substr(0, reply.size() - 1);  // the closing CR goes
    else
      FirmwareVer.clear();
  } while (attempt < tries && FirmwareVer.size() <= 1);
}

bool TBasicClock::TakeClockName(std::string& AReply) {
  if (TrimBlanks(AReply).empty() || AReply.compare(0, kReplyStart.size(), kReplyStart) != 0)
    return false;
  AReply.erase(0, kReplyStart.size());
  const std::size_t cr = AReply.find('\r');
  if (cr == std::string::npos) return false;
  // The byte before the CR is not part of the name.
  ClockName = cr >= 1 ? AReply.substr(0, cr - 1) : std::string();
  return true;
}

void TBasicClock::ClassifyClockName(std::string& AText) {
  AText = UpperText(AText);
  if (Contains(AText, "KR-CO"))
    ClockType = KRCorax;
  else if (Contains(AText, "LUMEN"))
    ClockType = Lumen;
  else if (Contains(AText, "KR-") || Contains(AText, "KRTAL"))
    ClockType = KRTal;
  else if (Contains(AText, "MX-"))
    ClockType = MX4100;
  if (Contains(AText, "KR-OPTICA") || Contains(AText, "OPTICA")) ClockType = KROpticaClock;
  if (Contains(AText, "KR-EMBER") || Contains(AText, "EMBER")) ClockType = KREmber;
}

void TBasicClock::ReadDeviceInfo() {
  FHdlcDevModel.clear();
  FHdlcDevVer.clear();
  FHdlcDevMem.clear();
  FHdlcDevCam.clear();
  const THdlcPacket answer = SendHdlcCommand(kDeviceDescription);
  if (!answer.IsValid) return;
  const std::vector<std::string> fields = SplitDescription(answer.Data);
  if (!fields.empty()) FHdlcDevModel = fields.front();
  const std::string model = UpperText(FHdlcDevModel);
  if (Contains(model, "KR-EMBER") || Contains(model, "EMBER")) ClockType = KREmber;
  for (std::size_t i = 1; i < fields.size(); ++i) {
    if (Contains(fields[i], "Ver"))
      FHdlcDevVer = fields[i];
    else if (Contains(fields[i], "Rec"))
      FHdlcDevMem = fields[i];
    else if (Contains(fields[i], "CAM"))
      FHdlcDevCam = fields[i];
  }
}

std::string TBasicClock::GetSerialNo() {
  if (GetProtocol() != ptHdlc) return {};
  // Only an Ember is asked; another HDLC clock's number is read from the last answer it gave.
  const THdlcPacket answer =
      ClockType == KREmber ? SendHdlcCommand(kSerialNumber) : LastHdlcPacket();
  if (!answer.IsValid) return {};
  try {
    // Unsigned: eight bytes with the top bit set are a large serial number, not a negative one.
    return std::to_string(static_cast<std::uint64_t>(BytesToInt64(answer.Data)));
  } catch (const EConvertError&) {
    return {};  // no data, or more than fits in 64 bits: no serial number
  }
}
