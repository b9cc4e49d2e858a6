#include "models/HdlcClockModel.h"

#include <algorithm>
#include <string_view>

namespace sim {

HdlcClockModel::HdlcClockModel(std::uint8_t AClockNumber) : ClockNumber(AClockNumber) {
  onCommand(0x02, [this](const std::string&) {
    return std::string(1, RecordCount > 0 ? '\x01' : '\x00');
  });
  onCommand(0x01, [this](const std::string&) { return DeviceDescription; });
  onCommand(0x03, [this](const std::string&) { return dateTimeAnswer(); });
  onCommand(0x04, [this](const std::string& AData) { return setDateTimeAnswer(AData); });
  onCommand('Q', [this](const std::string& AData) -> std::string {
    if (AData.size() < 2) return {};
    if (AData[1] == '\x02') return std::string(1, Calendar == SimCalendar::Solar ? '\x01' : '\x00');
    if (AData[1] == '\x1E') {
      std::string bytes;
      for (int i = 0; i < 4; ++i) bytes += static_cast<char>((SerialNumber >> (8 * i)) & 0xFF);
      return bytes;
    }
    return {};
  });
}

HdlcClockModel::Handler HdlcClockModel::commandHandler(std::uint8_t AFirstByte) const {
  const auto it = FHandlers.find(AFirstByte);
  return it == FHandlers.end() ? Handler() : it->second;
}

void HdlcClockModel::setTimeSource(std::function<std::uint64_t()> ANowMs) {
  DateTime = dateTime();
  FClock.setSource(std::move(ANowMs));
}

void HdlcClockModel::setDateTime(const SimDateTime& ADateTime) {
  DateTime = ADateTime;
  FClock.markSet();
}

SimDateTime HdlcClockModel::dateTime() const { return FClock.read(DateTime, Calendar); }

std::string HdlcClockModel::dateTimeAnswer() const {
  const SimDateTime g = ShownDateTime.value_or(
      simcal::convert(dateTime(), Calendar, SimCalendar::Gregorian));
  std::string data = DateTimePrefix;
  data += static_cast<char>(g.Year & 0xFF);
  data += static_cast<char>((g.Year >> 8) & 0xFF);
  for (int part : {g.Month, g.Day, g.Hour, g.Minute}) data += static_cast<char>(part);
  return data;
}

std::string HdlcClockModel::setDateTimeAnswer(const std::string& AData) {
  // 04 00, year low, year high, month, day, hour, minute, 00.
  if (AData.size() < 8) return std::string(1, '\x01');
  auto byte = [&](std::size_t AIndex) { return static_cast<std::uint8_t>(AData[AIndex]); };
  SimDateTime g;
  g.Year = byte(2) | (byte(3) << 8);
  g.Month = byte(4);
  g.Day = byte(5);
  g.Hour = byte(6);
  g.Minute = byte(7);
  if (!simcal::isValid(SimCalendar::Gregorian, g)) return std::string(1, '\x01');
  setDateTime(simcal::convert(g, SimCalendar::Gregorian, Calendar));
  return std::string(1, '\x00');
}

ReplyPlan HdlcClockModel::receive(const std::string& ABytes) {
  ReplyPlan plan;
  std::string_view rest(ABytes);
  while (!rest.empty()) {
    const std::size_t used = FReceiver.feed(rest);
    rest.remove_prefix(used);
    if (auto packet = FReceiver.takePacket()) {
      for (auto& piece : answer(*packet)) plan.push_back(std::move(piece));
    } else if (used == 0) {
      break;
    }
  }
  return plan;
}

ReplyPlan HdlcClockModel::answer(const THdlcPacket& ARequest) {
  if (ARequest.DestAddress != ClockNumber) return {};
  if (ARequest.Session) {
    ++SessionRequests;
    if (IgnoreSessions) return {};
    if (RefuseSessions > 0) {
      --RefuseSessions;
      SessionOpen = false;
      return frame(false, true, false, true, "", "session");
    }
    if (BusySessions > 0) {
      --BusySessions;
      SessionOpen = false;
      return frame(false, false, true, true, "", "session");
    }
    SessionOpen = true;
    FDataCommandsInSession = 0;
    return frame(true, false, false, true, "", "session");
  }
  if (!SessionOpen) return frame(false, true, false, true, "", ARequest.Data);
  if (CloseSessionAfter >= 0 && FDataCommandsInSession >= CloseSessionAfter) {
    SessionOpen = false;
    return frame(false, true, false, true, "", ARequest.Data);
  }
  ++FDataCommandsInSession;
  Commands.push_back(ARequest.Data);
  if (BusyReplies > 0) {
    --BusyReplies;
    SessionOpen = false;
    return frame(false, false, true, true, "", ARequest.Data);
  }
  if (!ARequest.Data.empty()) {
    const auto frames = FFramesHandlers.find(static_cast<std::uint8_t>(ARequest.Data[0]));
    if (frames != FFramesHandlers.end()) {
      // Each frame starts after the last byte of the one before.
      ReplyPlan plan;
      for (const auto& data : frames->second(ARequest.Data)) {
        ReplyPlan next = frame(true, false, false, false, data, ARequest.Data);
        if (next.empty()) continue;
        std::uint32_t first = next.front().AtMs;
        for (const auto& piece : next) first = std::min(first, piece.AtMs);
        const std::uint32_t after = plan.empty() ? first : plan.back().AtMs + 1;
        const std::uint32_t shift = after > first ? after - first : 0;
        for (auto& piece : next) {
          piece.AtMs += shift;
          plan.push_back(std::move(piece));
        }
      }
      return plan;
    }
  }
  const auto handler =
      ARequest.Data.empty() ? FHandlers.end()
                            : FHandlers.find(static_cast<std::uint8_t>(ARequest.Data[0]));
  if (handler == FHandlers.end()) return frame(false, true, false, false, "", ARequest.Data);
  return frame(true, false, false, false, handler->second(ARequest.Data), ARequest.Data);
}

ReplyPlan HdlcClockModel::frame(bool AAck, bool ANack, bool ABusy, bool ASession,
                                const std::string& AData, const std::string& ACommand) {
  THdlcPacket packet;
  packet.SourceAddress = ClockNumber;
  packet.DestAddress = HdlcComputerAddress;
  packet.Ack = AAck;
  packet.Nack = ANack;
  packet.Busy = ABusy;
  packet.Session = ASession;
  packet.Data = AData;
  std::string bytes = BuildHdlcFrame(packet);
  if (BadCrcReplies > 0) {
    --BadCrcReplies;
    // The byte before the closing flag is the CRC's high byte, or the second byte of its escape.
    bytes[bytes.size() - 2] = static_cast<char>(bytes[bytes.size() - 2] ^ 0x01);
    if (bytes[bytes.size() - 2] == HdlcFlag || bytes[bytes.size() - 2] == HdlcEscape)
      bytes[bytes.size() - 2] = static_cast<char>(bytes[bytes.size() - 2] ^ 0x03);
  }
  if (DoubledFlags) bytes.insert(0, 1, HdlcFlag);
  bytes.insert(0, GarbageBetweenFrames);

  ReplyPlan plan;
  if (ByteGapMs == 0) {
    plan = Shaper.shape(ModelReply{bytes, -1, ACommand}, LatencyMs);
  } else {
    for (std::size_t i = 0; i < bytes.size(); ++i)
      plan.push_back({LatencyMs + static_cast<std::uint32_t>(i) * ByteGapMs, bytes.substr(i, 1)});
  }
  return plan;
}

}  // namespace sim
