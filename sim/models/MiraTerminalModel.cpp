#include "models/MiraTerminalModel.h"

#include <QByteArray>
#include <cstdio>

namespace sim {

namespace {

std::string Result(const std::string& AValues) {
  return "Return(" + AValues + ")";
}

std::string Failed(const std::string& AReason) {
  return Result("result=\"failed\" reason=\"" + AReason + "\"");
}

std::string CommandName(const std::string& ACommand) {
  const std::size_t open = ACommand.find('(');
  std::string name = ACommand.substr(0, open);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  while (!name.empty() && name.front() == ' ') name.erase(0, 1);
  return name;
}

// Seconds of a date-time in its calendar, for comparisons.
std::int64_t Moment(SimCalendar ACalendar, const SimDateTime& ADateTime) {
  return simcal::toDays(ACalendar, ADateTime.Year, ADateTime.Month, ADateTime.Day) * 86400 +
         ADateTime.Hour * 3600 + ADateTime.Minute * 60 + ADateTime.Second;
}

std::string Base64(const std::string& ABytes) {
  const QByteArray encoded =
      QByteArray(ABytes.data(), static_cast<qsizetype>(ABytes.size())).toBase64();
  return std::string(encoded.constData(), static_cast<std::size_t>(encoded.size()));
}

void PutLittleEndian(std::string& AOut, std::uint32_t AValue, int ABytes) {
  for (int i = 0; i < ABytes; ++i) AOut += static_cast<char>((AValue >> (8 * i)) & 0xFF);
}

}  // namespace

MiraTerminalModel::MiraTerminalModel(MiraTerminalSettings ASettings) : FS(std::move(ASettings)) {
  for (const Misbehaviour& rule : FS.Misbehaviours) FShaper.add(rule);
}

void MiraTerminalModel::setDateTime(const SimDateTime& ADateTime) {
  FS.DateTime = ADateTime;
  FClock.markSet();
}

SimDateTime MiraTerminalModel::dateTime() const { return FClock.read(FS.DateTime, FS.Calendar); }

void MiraTerminalModel::setTimeSource(std::function<std::uint64_t()> ANowMs) {
  FS.DateTime = dateTime();
  FClock.setSource(std::move(ANowMs));
}

std::string MiraTerminalModel::formatTime(const SimDateTime& ADateTime) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", ADateTime.Year, ADateTime.Month,
                ADateTime.Day, ADateTime.Hour, ADateTime.Minute, ADateTime.Second);
  return text;
}

bool MiraTerminalModel::parseTime(const std::string& AText, SimDateTime& ADateTime) {
  int parts[6] = {};
  const char separators[6] = {'-', '-', ' ', ':', ':', '\0'};
  std::size_t i = 0;
  for (int part = 0; part < 6; ++part) {
    int digits = 0;
    int value = 0;
    while (i < AText.size() && AText[i] >= '0' && AText[i] <= '9' && digits < 5) {
      value = value * 10 + (AText[i] - '0');
      ++digits;
      ++i;
    }
    if (digits == 0) return false;
    parts[part] = value;
    if (part == 5) break;
    if (i >= AText.size()) return false;
    const char separator = AText[i] == '/' && part < 2 ? '-' : AText[i];
    if (separator != separators[part]) return false;
    ++i;
  }
  if (i != AText.size()) return false;
  ADateTime = SimDateTime{parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]};
  return true;
}

std::string MiraTerminalModel::samplePhoto(const std::string& AId) {
  std::uint32_t hash = 2166136261u;
  for (char c : AId) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  constexpr int kSide = 8;
  constexpr std::uint32_t kPixelBytes = kSide * kSide * 3;  // rows of 24 bytes need no padding
  std::string bmp = "BM";
  PutLittleEndian(bmp, 54 + kPixelBytes, 4);
  PutLittleEndian(bmp, 0, 4);
  PutLittleEndian(bmp, 54, 4);
  PutLittleEndian(bmp, 40, 4);
  PutLittleEndian(bmp, kSide, 4);
  PutLittleEndian(bmp, kSide, 4);
  PutLittleEndian(bmp, 1, 2);
  PutLittleEndian(bmp, 24, 2);
  PutLittleEndian(bmp, 0, 4);
  PutLittleEndian(bmp, kPixelBytes, 4);
  PutLittleEndian(bmp, 2835, 4);
  PutLittleEndian(bmp, 2835, 4);
  PutLittleEndian(bmp, 0, 4);
  PutLittleEndian(bmp, 0, 4);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const bool face = (x - 3) * (x - 3) + (y - 4) * (y - 4) <= 6;
      bmp += static_cast<char>(face ? 0xC0 : (hash & 0xFF));
      bmp += static_cast<char>(face ? 0xD0 : ((hash >> 8) & 0xFF));
      bmp += static_cast<char>(face ? 0xF0 : ((hash >> 16) & 0xFF));
    }
  }
  return bmp;
}

ReplyPlan MiraTerminalModel::receive(const std::string& ABytes) {
  FInput += ABytes;
  ReplyPlan plan;
  for (;;) {
    hwdev::THwDevRequest request;
    std::size_t consumed = 0;
    const hwdev::TDecodeResult state = hwdev::DecodeRequest(FInput, request, consumed);
    if (state == hwdev::TDecodeResult::Incomplete) break;
    ModelReply reply;
    if (state == hwdev::TDecodeResult::Malformed) {
      FInput.clear();
      reply.Bytes = hwdev::EncodeReply(hwdev::hcMalformed, Failed("malformed request"));
    } else {
      FInput.erase(0, consumed);
      const hwdev::THwDevReply answer = execute(request.DeviceInfo, request.Command);
      reply.Bytes = hwdev::EncodeReply(answer.Code, answer.Text);
      reply.Command = CommandName(request.Command);
    }
    for (TimedBytes& piece : FShaper.shape(reply, FS.LatencyMs)) plan.push_back(std::move(piece));
  }
  return plan;
}

void MiraTerminalModel::disconnected() {
  FInput.clear();
}

hwdev::THwDevReply MiraTerminalModel::execute(const std::string& ADeviceInfo,
                                              const std::string& ACommand) {
  FCommandLog.push_back(ACommand);
  const auto deviceId = hwdev::FindQuotedValue(ADeviceInfo, "dev_id");
  if (!deviceId || *deviceId != std::to_string(FS.DeviceId)) {
    return {hwdev::hcRefused, Failed("no such device")};
  }
  if (!FS.Password.empty() &&
      hwdev::FindQuotedValue(ADeviceInfo, "password").value_or("") != FS.Password) {
    return {hwdev::hcRefused, Failed("wrong password")};
  }
  const std::string name = CommandName(ACommand);
  if (name == "GetDeviceInfo") return {hwdev::hcDone, deviceInfoReply()};
  if (name == "SetDeviceInfo") return setDeviceInfo(ACommand);
  if (name == "GetRecord") return getRecord(ACommand);
  if (name == "DeleteAllRecord") {
    FS.Records.clear();
    return {hwdev::hcDone, Result("result=\"success\"")};
  }
  return {hwdev::hcUnknownCommand, Failed("unknown command")};
}

std::string MiraTerminalModel::deviceInfoReply() const {
  return Result("result=\"success\" dev_id=\"" + std::to_string(FS.DeviceId) +
                "\" dev_type=\"HW_HDCP\" edition=\"" + FS.Edition + "\" serial_no=\"" +
                FS.SerialNumber + "\" record_count=\"" + std::to_string(FS.Records.size()) +
                "\" time=\"" + FS.ShownTime.value_or(formatTime(dateTime())) + "\"");
}

hwdev::THwDevReply MiraTerminalModel::setDeviceInfo(const std::string& ACommand) {
  const auto value = hwdev::FindQuotedValue(ACommand, "time");
  SimDateTime when;
  if (!value || !parseTime(*value, when) || !simcal::isValid(FS.Calendar, when)) {
    return {hwdev::hcDone, Failed("bad time")};
  }
  setDateTime(when);
  return {hwdev::hcDone, Result("result=\"success\"")};
}

hwdev::THwDevReply MiraTerminalModel::getRecord(const std::string& ACommand) const {
  const auto startText = hwdev::FindQuotedValue(ACommand, "start_time");
  const auto endText = hwdev::FindQuotedValue(ACommand, "end_time");
  SimDateTime start;
  SimDateTime end;
  if (!startText || !endText || !parseTime(*startText, start) || !parseTime(*endText, end) ||
      !simcal::isValid(FS.Calendar, start) || !simcal::isValid(FS.Calendar, end)) {
    return {hwdev::hcDone, Failed("bad time range")};
  }
  const std::int64_t from = Moment(FS.Calendar, start);
  const std::int64_t to = Moment(FS.Calendar, end);
  std::string lines;
  std::size_t count = 0;
  for (const MiraRecord& record : FS.Records) {
    const std::int64_t at = Moment(FS.Calendar, record.When);
    if (at < from || at > to) continue;
    ++count;
    const auto shown = FS.ShownRecordTimes.find(record.Id);
    const std::string time =
        shown == FS.ShownRecordTimes.end() ? formatTime(record.When) : shown->second;
    lines += "\ntime=\"" + time + "\" id=\"" + record.Id + "\" status=\"" +
             std::to_string(record.Status) + "\"";
    if (!record.Photo.empty()) lines += " photo=\"" + Base64(record.Photo) + "\"";
  }
  // Every record ends with a line break; the reply's last character is the closing ")".
  return {hwdev::hcDone,
          "Return(result=\"success\" count=\"" + std::to_string(count) + "\"" + lines + "\n)"};
}

}  // namespace sim
