#include "models/TextClockModel.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace sim {

namespace {

const std::string kHead("\x01\x01\x01", 3);
constexpr char kCR = '\x0D';
const std::string kFirmwareRs232("AFV?\r");
const std::string kFirmwareRs485("AFV?^");
// A date-time setting: "T", YYYYMMDD, day of week, HHMM, terminator.
constexpr std::size_t kSetTimeLength = 15;

std::string twoDigits(int AValue) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", ((AValue % 100) + 100) % 100);
  return buf;
}

std::string fourDigits(int AValue) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04d", ((AValue % 10000) + 10000) % 10000);
  return buf;
}

// XOR of every byte except CR bytes: what the receiver computes after taking CR out.
char checkOf(const std::string& AData) {
  unsigned char x = 0;
  for (char ch : AData)
    if (ch != kCR) x ^= static_cast<unsigned char>(ch);
  return static_cast<char>(x);
}

std::string upper(std::string AText) {
  for (auto& ch : AText) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return AText;
}

std::string cardField(const std::string& ACard, std::size_t AWidth) {
  if (ACard.size() >= AWidth) return ACard.substr(ACard.size() - AWidth);
  return std::string(AWidth - ACard.size(), '0') + ACard;
}

bool isControlCommand(unsigned char AByte) {
  switch (AByte) {
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x05:
    case 0x07:
    case 0x09:
    case 0x18:
    case 0x19:
      return true;
    default:
      return false;
  }
}

bool allDigits(const std::string& AText, std::size_t AFrom, std::size_t ACount) {
  if (AFrom + ACount > AText.size()) return false;
  for (std::size_t i = AFrom; i < AFrom + ACount; ++i)
    if (!std::isdigit(static_cast<unsigned char>(AText[i]))) return false;
  return true;
}

int digitsAt(const std::string& AText, std::size_t AFrom, std::size_t ACount) {
  return std::stoi(AText.substr(AFrom, ACount));
}

}  // namespace

TextClockModel::TextClockModel(TextClockSettings ASettings) : FS(std::move(ASettings)) {
  auto records = std::move(FS.Records);
  FS.Records.clear();
  for (auto& r : records) addRecord(std::move(r));
  for (const auto& m : FS.Misbehaviours) FShaper.add(m);
}

TextClockKind TextClockModel::kind() const {
  if (FS.Kind != TextClockKind::Auto) return FS.Kind;
  const std::string name = upper(FS.Name);
  if (name.find("KR-CO") != std::string::npos) return TextClockKind::Corax;
  if (name.find("LUMEN") != std::string::npos) return TextClockKind::Lumen;
  return TextClockKind::Short;
}

char TextClockModel::statusCode() const {
  if (FS.ForcedStatus >= 0 && FS.ForcedStatus <= 3) return static_cast<char>('0' + FS.ForcedStatus);
  return static_cast<char>('0' + (FS.Records.empty() ? 1 : 0) + (FS.Busy ? 2 : 0));
}

void TextClockModel::addRecord(ClockRecord ARecord) {
  // The clock letters its records in turn, "A" to "Z" and round again.
  if (ARecord.Sequence == 0) ARecord.Sequence = FNextSequence;
  FNextSequence = ARecord.Sequence >= 'Z' || ARecord.Sequence < 'A'
                      ? 'A'
                      : static_cast<char>(ARecord.Sequence + 1);
  FS.Records.push_back(std::move(ARecord));
}

void TextClockModel::setTimeSource(std::function<std::uint64_t()> ANowMs) {
  FS.DateTime = dateTime();
  FClock.setSource(std::move(ANowMs));
}

void TextClockModel::setDateTime(const SimDateTime& ADateTime) {
  FS.DateTime = ADateTime;
  FClock.markSet();
}

SimDateTime TextClockModel::dateTime() const { return FClock.read(FS.DateTime, FS.Calendar); }

void TextClockModel::lineSettings(int ABaud, TParity AParity) {
  FLineBaud = ABaud;
  FLineParity = AParity;
}

bool TextClockModel::hearsLine() const {
  if (FS.Baud != 0 && FLineBaud != 0 && FLineBaud != FS.Baud) return false;
  if (FLineParity) {
    // A Lumen listens at 8 bits with even parity, the others at 8 bits without: the other
    // framing turns their bytes into garbage. Over TCP/IP the converter in front of the clock
    // does the framing and no parity is set by the tool, so the clock hears everything.
    const TParity wanted = kind() == TextClockKind::Lumen ? TParity::Even : TParity::None;
    if (*FLineParity != wanted) return false;
  }
  return true;
}

std::string TextClockModel::dataReply(const std::string& AData) {
  return kHead + AData + kCR + checkOf(AData);
}

std::string TextClockModel::wrapRs485(const std::string& APayload) {
  return dataReply(APayload);
}

std::string TextClockModel::identificationReply() const {
  // The byte before the CR is dropped by the receiver; the clock puts a blank there. The reply
  // is filled with blanks after the CR to the 26 bytes the receiver waits for.
  std::string body = FS.Name + ' ' + kCR;
  const std::size_t wanted = 26 - kHead.size() - 1;
  if (body.size() < wanted) body.append(wanted - body.size(), ' ');
  return kHead + body + checkOf(body);
}

std::string TextClockModel::dateTimeReply() const {
  const SimDateTime now = FS.ShownDateTime.value_or(dateTime());
  // A day that does not exist has no day of the week.
  const int weekDay = FS.ShownDateTime ? 1 : simcal::dayOfWeek(FS.Calendar, now);
  const std::string data = fourDigits(now.Year) + twoDigits(now.Month) + twoDigits(now.Day) +
                           std::to_string(weekDay) +
                           twoDigits(now.Hour) + twoDigits(now.Minute);
  return dataReply(data);
}

std::string TextClockModel::recordReply(const ClockRecord& ARecord) const {
  const auto& w = ARecord.When;
  const std::string eventCode = twoDigits(ARecord.Event + (ARecord.Finger ? 4 : 0));
  const std::string secondCode = (ARecord.RecType2 + "  ").substr(0, 2);
  const std::string sequence(1, ARecord.Sequence);
  std::string data;
  switch (kind()) {
    case TextClockKind::Lumen:
      data = cardField(ARecord.Card, 8) + twoDigits(w.Month) + twoDigits(w.Day) +
             twoDigits(w.Hour) + twoDigits(w.Minute) + sequence;
      break;
    case TextClockKind::Corax:
      data = cardField(ARecord.Card, 10) + twoDigits(w.Year) + twoDigits(w.Month) +
             twoDigits(w.Day) + twoDigits(w.Hour) + twoDigits(w.Minute) + eventCode + secondCode +
             "00000000" + sequence;
      break;
    default:
      data = cardField(ARecord.Card, 8) + twoDigits(w.Month) + twoDigits(w.Day) +
             twoDigits(w.Hour) + twoDigits(w.Minute) + eventCode +
             (FS.SecondCode ? secondCode : std::string()) + sequence;
      break;
  }
  return dataReply(data);
}

ModelReply TextClockModel::setDateTimeCommand(const std::string& ACommand) {
  ModelReply r;
  r.Command = ACommand;
  SimDateTime g;
  bool ok = allDigits(ACommand, 1, 13);
  if (ok) {
    g.Year = digitsAt(ACommand, 1, 4);
    g.Month = digitsAt(ACommand, 5, 2);
    g.Day = digitsAt(ACommand, 7, 2);
    g.Hour = digitsAt(ACommand, 10, 2);
    g.Minute = digitsAt(ACommand, 12, 2);
    ok = simcal::isValid(SimCalendar::Gregorian, g);
  }
  if (ok) setDateTime(simcal::convert(g, SimCalendar::Gregorian, FS.Calendar));
  r.Bytes = ok ? "G" : "E";
  return r;
}

ModelReply TextClockModel::answer(const std::string& ACommand, bool ARs485) {
  ModelReply r;
  r.Command = ACommand;
  if (ACommand.empty()) return r;
  if (isPictureCommand(ACommand)) return pictureAnswer(ACommand, ARs485);
  const TextClockKind k = kind();
  bool shortReply = false;  // a one-byte answer, wrapped on RS485
  switch (static_cast<unsigned char>(ACommand[0])) {
    case 0x01:
      r.Bytes = std::string(1, statusCode());
      shortReply = true;
      break;
    case 0x18:
      r.Bytes = identificationReply();
      break;
    case 0x19:
      if (k == TextClockKind::Lumen) r.Bytes = dataReply(FS.Firmware);
      break;
    case 0x05:
      r.Bytes = dateTimeReply();
      r.CheckByteIndex = static_cast<int>(r.Bytes.size()) - 1;
      break;
    case 0x02:
    case 0x03:
      if ((ACommand[0] == 0x02) == (k == TextClockKind::Corax) && !FS.Records.empty()) {
        r.Bytes = FShaper.take(MisbehaviourKind::CorruptRecord, ACommand)
                      ? corruptRecordReply(FS.Records.front())
                      : recordReply(FS.Records.front());
        r.CheckByteIndex = static_cast<int>(r.Bytes.size()) - 1;
      }
      break;
    case 0x09:
      if (FS.Records.empty()) {
        r.Bytes = "\x15";
      } else {
        FS.Records.erase(FS.Records.begin());
        ++FS.RecordPointer;  // the next record's picture
        r.Bytes = "\x04";
      }
      shortReply = true;
      break;
    case 0x07:
      r.Bytes = FS.Ready ? "!" : "?";
      shortReply = true;
      break;
    case 'A':
      if (k != TextClockKind::Lumen && ACommand == (ARs485 ? kFirmwareRs485 : kFirmwareRs232)) {
        if (ARs485)
          r.Bytes = wrapRs485(FS.Firmware);
        else
          r.Bytes = FS.Firmware + kCR;
      }
      break;
    case 'T':
      // Over RS485 the terminator 14h arrives as "T": the bus mapping does not tell them apart.
      if (ACommand.size() == kSetTimeLength &&
          (ACommand.back() == '\x14' || (ARs485 && ACommand.back() == 'T'))) {
        r = setDateTimeCommand(ACommand);
        shortReply = true;
      }
      break;
    default:
      break;
  }
  if (ARs485 && shortReply && !r.Bytes.empty()) r.Bytes = wrapRs485(r.Bytes);
  return r;
}

ReplyPlan TextClockModel::command(const std::string& ACommand, bool ARs485) {
  FCommandLog.push_back(ACommand);
  if (!hearsLine()) return {};
  return FShaper.shape(answer(ACommand, ARs485), FS.LatencyMs);
}

ReplyPlan TextClockModel::receive(const std::string& ABytes) {
  if (!hearsLine()) {
    // Wrong speed or parity: what arrives is noise to the clock.
    FInput.clear();
    return {};
  }
  FInput += ABytes;
  ReplyPlan plan;
  auto take = [&](std::size_t ACount) {
    const std::string cmd = FInput.substr(0, ACount);
    FInput.erase(0, ACount);
    for (auto& piece : command(cmd, false)) plan.push_back(std::move(piece));
  };
  while (!FInput.empty()) {
    const auto first = static_cast<unsigned char>(FInput[0]);
    const int pictureLength = pictureCommandLength(FInput);
    if (pictureLength > 0) {
      take(static_cast<std::size_t>(pictureLength));
      continue;
    }
    if (pictureLength == 0) break;  // the rest of a picture command is still on its way
    if (isControlCommand(first)) {
      take(1);
    } else if (first == 'A') {
      const std::size_t n = std::min(FInput.size(), kFirmwareRs232.size());
      if (FInput.compare(0, n, kFirmwareRs232, 0, n) != 0) {
        FInput.erase(0, 1);
      } else if (n == kFirmwareRs232.size()) {
        take(n);
      } else {
        break;  // the rest of "AFV?" CR is still on its way
      }
    } else if (first == 'T') {
      // Printable bytes up to the terminator 14h; any other control byte ends a broken setting.
      std::size_t i = 1;
      while (i < FInput.size() && i < kSetTimeLength &&
             static_cast<unsigned char>(FInput[i]) >= 0x20)
        ++i;
      if (i < FInput.size() && FInput[i] == '\x14') {
        take(i + 1);
      } else if (i == FInput.size() && i < kSetTimeLength) {
        break;  // incomplete
      } else {
        FInput.erase(0, i);
      }
    } else {
      FInput.erase(0, 1);  // a byte the clock does not know
    }
  }
  return plan;
}

}  // namespace sim
