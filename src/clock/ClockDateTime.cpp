// The clock's date and time: reading with a 10-second cache, setting, and the calendar an HDLC
// clock keeps.
//
// Text protocol: 05h asks for the date and time; the reply is 01 01 01, YYYYMMDD, one byte (the
// day of week, not read), HHMM, CR and a check byte, the XOR of everything between the start and
// the check byte once the CR is taken out. Setting on RS232 first asks 07h and goes on only when
// the clock answers "!"; then "T", YYYYMMDD (Gregorian), the day of week (1 = Sunday), HHMM and
// 14h, answered "G" when the clock took it. RS485 sends the "T" command alone.
// HDLC: 03 00 asks; the answer is an optional "XYZ" (only an Ember sends it), an optional "XY",
// the year (two bytes, low first), month, day, hour, minute, Gregorian. 04 00 with the same six
// fields and a 00 sets; the clock accepts with a first answer byte 00. "Q" 02h asks for the
// calendar: first answer byte 00 is Gregorian, anything else solar. The face-recognition terminals
// keep their own clocks, read and set through their adapters.
#include <cstdint>

#include "adapters/KRMira/KRMira.h"
#include "adapters/KRMira120/KRMira120.h"
#include "calendar/ConvertError.h"
#include "calendar/DateValue.h"
#include "calendar/VexDateTime.h"
#include "clock/ClockError.h"
#include "clock/ClockOpsSupport.h"
#include "clock/VexClock.h"
#include "link/ByteUtils.h"
#include "platform/Platform.h"
#include "utils/Dictionary.h"
#include "utils/MessageHook.h"
#include "utils/TextFields.h"

using clockops::CopyText;
using clockops::DigitsAt;
using clockops::kReplyStart;

bool ShowUpgradeNotice = true;

namespace {
const std::string kDateTimeRequest("\x05", 1);
const std::string kReadyRequest("\x07", 1);
const std::string kHdlcDateTimeRequest("\x03\x00", 2);
const std::string kHdlcCalendarRequest("Q\x02", 2);
constexpr int kDateTimeReplyLength = 18;
// Within this time of a good read the cached date and time are handed out.
constexpr std::uint32_t kCacheMs = 10000;
constexpr std::uint32_t kBadReplyPauseMs = 500;
// After a setting the clock needs a moment before it is asked again.
constexpr std::uint32_t kAfterSettingPauseMs = 1000;

const char* const kUpgradeNotice = "لطفا جهت ارتقاء برنامه ساعت ها با شرکت تماس حاصل فرماييد";
const char* const kDateSettingFailed = "خطا در تنظيم تاريخ";
const char* const kTimeSettingFailed = "خطا در تنظيم ساعت";

// Firmware 2.60 counts the solar years from 1394 on six too high.
constexpr int kCorrectionFirstYear = 1394;
constexpr int kCorrectionLastYear = 1500;
constexpr int kCorrectionYears = 6;
const char* const kFaultyFirmware = "VER 2.60";

std::uint8_t Byte(const std::string& S, std::size_t I) {
  return static_cast<std::uint8_t>(S[I]);
}

std::string ImpossibleDateTimeText(const std::string& ADate, const std::string& ATime) {
  return "its date and time \"" + ADate + " " + ATime + "\" do not exist";
}
}  // namespace

bool TBasicClock::GetDateTime(TDateStr& ADate, TTimeStr& ATime) {
  if (InSetDateTime) return false;
  FDateTimeProblem.clear();
  if (ClockType == KRMiraClock || ClockType == KRMira120Clock) {
    // A terminal that answers with a time that is none says so by raising.
    try {
      if (ClockType == KRMiraClock) {
        SyncKrMiraAddress();
        return FKrMira->GetDateTime(ADate, ATime);
      }
      return FKrMira120->IsConnected() && FKrMira120->GetDateTime(ADate, ATime);
    } catch (const EConvertError& e) {
      FDateTimeProblem = e.what();
      return false;
    }
  }

  bool result = false;
  // Nothing read yet: the first call always asks.
  const bool stale =
      !DateTimeReadTime || DateTimeReadTime->elapsed() > kCacheMs || MustReadDateTime;
  if (stale) {
    bool refused = false;
    result = ReadDateTimeFromClock(refused);
    if (refused) return false;
    if (result) DateTimeReadTime.emplace(kCacheMs);
  }
  ADate = CurrentDate;
  ATime = CurrentTime;
  // Only a date just read from the clock is corrected: the cache already holds corrected dates
  // (and dates the user set), which must not lose six years at every read.
  if (result) CorrectFirmwareYear(ADate);
  return result;
}

bool TBasicClock::ReadDateTimeFromClock(bool& ARefused) {
  ARefused = false;
  const int tries = Tries();
  for (int attempt = 0; attempt < tries; ++attempt) {
    std::string reply;
    if (GetProtocol() == ptHdlc) {
      ReadCalendarType();
      const THdlcPacket answer = SendHdlcCommand(kHdlcDateTimeRequest);
      if (answer.IsValid) reply = answer.Data;
      if (!reply.empty()) {
        if (reply.rfind("XYZ", 0) == 0) {
          if (ClockType != KREmber) {
            ARefused = true;
            return false;
          }
          reply.erase(0, 3);
        }
        if (reply.rfind("XY", 0) == 0) reply.erase(0, 2);
        // An answer too short for its six fields is a failed try, like no answer.
        if (reply.size() >= 6) {
          const int year = Byte(reply, 1) * 256 + Byte(reply, 0);
          if (!IsCalendarDate(year, Byte(reply, 2), Byte(reply, 3)) ||
              !IsDayTime(Byte(reply, 4), Byte(reply, 5)))
            return ImpossibleDateTime(std::to_string(year) + "/" + PadNumber(Byte(reply, 2), 2) +
                                          "/" + PadNumber(Byte(reply, 3), 2),
                                      PadNumber(Byte(reply, 4), 2) + ":" +
                                          PadNumber(Byte(reply, 5), 2));
          const TDictionary& dictionary = MainDictionary();
          CurrentDate =
              DateStrToLongDate(std::to_string(year) + "/" + PadNumber(Byte(reply, 2), 2) + "/" +
                                    PadNumber(Byte(reply, 3), 2),
                                0);
          if (dictionary.DateType() == Solar) CurrentDate = ChristianToSolarDateStr(CurrentDate);
          CurrentTime = PadNumber(Byte(reply, 4), 2) + ":" + PadNumber(Byte(reply, 5), 2);
          MustReadDateTime = false;
          return true;
        }
        reply.clear();
      }
    } else {
      SendCommand(kDateTimeRequest, kDateTimeReplyLength, kReplyStart, "", reply);
    }

    if (reply.size() >= 16 && DigitsAt(reply, 4, 4) && DigitsAt(reply, 8, 2) &&
        DigitsAt(reply, 10, 2) && DigitsAt(reply, 13, 2) && DigitsAt(reply, 15, 2)) {
      const std::size_t cr = reply.find('\r');
      if (cr != std::string::npos) reply.erase(cr, 1);
      if (IsReplyChecksumValid(reply)) {
        const std::string date =
            CopyText(reply, 4, 4) + "/" + CopyText(reply, 8, 2) + "/" + CopyText(reply, 10, 2);
        const std::string time = CopyText(reply, 13, 2) + ":" + CopyText(reply, 15, 2);
        auto number = [&](std::size_t AFrom, std::size_t ACount) {
          return std::stoi(CopyText(reply, AFrom, ACount));
        };
        if (!IsCalendarDate(number(4, 4), number(8, 2), number(10, 2)) ||
            !IsDayTime(number(13, 2), number(15, 2)))
          return ImpossibleDateTime(date, time);
        CurrentDate = date;
        CurrentTime = time;
        MustReadDateTime = false;
        return true;
      }
      continue;  // a wrong check byte: asked again at once
    }
    PauseProcessingMessages(kBadReplyPauseMs);
  }
  return false;
}

bool TBasicClock::ImpossibleDateTime(const std::string& ADate, const std::string& ATime) {
  // Well formed, but no day and time of any calendar: an answer, not a date to go by. Asking
  // again brings the same; nothing of it is kept.
  FDateTimeProblem = ImpossibleDateTimeText(ADate, ATime);
  CurrentDate = "";
  CurrentTime = "";
  DateTimeReadTime.reset();
  return false;
}

void TBasicClock::CorrectFirmwareYear(TDateStr& ADate) {
  if (TrimBlanks(ADate).empty()) return;
  const std::string yearText = ADate.str().substr(0, 4);
  // A date that does not begin with a four-digit year is no solar date of these years.
  if (yearText.size() != 4 || !IsDigits(yearText)) return;
  const int year = std::stoi(yearText);
  if (year < kCorrectionFirstYear || year > kCorrectionLastYear) return;
  if (TrimBlanks(FirmwareVer).empty()) Detect(cstKRTalFast);
  if (clockops::UpperText(TrimBlanks(FirmwareVer)) != kFaultyFirmware) return;
  std::string date = ADate;
  const std::size_t at = date.find(yearText);
  if (at != std::string::npos)
    date.replace(at, yearText.size(), std::to_string(year - kCorrectionYears));
  ADate = date;
  CurrentDate = ADate;
  if (ShowUpgradeNotice) {
    ShowUpgradeNotice = false;
    ShowMessageDlg(kUpgradeNotice, mtWarning, mbOK);
  }
}

bool TBasicClock::SetDateTime(const TDateStr& ADate, const TTimeStr& ATime) {
  const TFlagGuard settingUnderWay(InSetDateTime);
  if (ClockType == KRMiraClock) {
    SyncKrMiraAddress();
    return FKrMira->SetDateTime(ADate, ATime);
  }
  if (ClockType == KRMira120Clock)
    return FKrMira120->IsConnected() && FKrMira120->SetDateTime(ADate, ATime);

  bool result = false;
  // A solar date (any year below 1500) goes to the clock as its Gregorian day.
  std::string date = ADate;
  TDateParts parts;
  StrToDateParts(DateStrToYYYYMMDD(ADate, 0), parts, 0);
  if (parts.Year < 1500) date = SolarToChristianDateStr(ADate);
  std::string time = ATime;
  if (time.find(':') != std::string::npos && time.size() >= 3) time.erase(2, 1);

  // A date that is no real day, or a time that is not HHMM, is not sent: the clock would take
  // whatever the bytes happen to say.
  TDateParts day;
  bool valid = StrToDateParts(date, day, 0) != dfNone && time.size() == 4 && IsDigits(time) &&
               std::stoi(time.substr(0, 2)) <= 23 && std::stoi(time.substr(2, 2)) <= 59;
  int dayOfWeek = 0;
  if (valid) {
    try {
      dayOfWeek = DayOfWeek(EncodeDate(day.Year, day.Month, day.Day));
    } catch (const EConvertError&) {
      valid = false;
    }
  }

  if (valid) {
    const int hour = std::stoi(time.substr(0, 2));
    const int minute = std::stoi(time.substr(2, 2));
    const TProtocol protocol = GetProtocol();
    std::string hdlcSetting("\x04\x00", 2);
    hdlcSetting += static_cast<char>(day.Year & 0xFF);
    hdlcSetting += static_cast<char>((day.Year >> 8) & 0xFF);
    hdlcSetting += static_cast<char>(day.Month);
    hdlcSetting += static_cast<char>(day.Day);
    hdlcSetting += static_cast<char>(hour);
    hdlcSetting += static_cast<char>(minute);
    hdlcSetting += '\0';
    const int replyLength = protocol == RS485 ? 6 : 1;
    const std::string setting =
        "T" + DateStrToYYYYMMDD(date, 0) + std::to_string(dayOfWeek) + time + "\x14";

    const int tries = Tries();
    for (int attempt = 0; attempt < tries && !result; ++attempt) {
      std::string reply;
      if (protocol == ptHdlc) {
        const THdlcPacket answer = SendHdlcCommand(hdlcSetting);
        result = answer.IsValid && !answer.Data.empty() && answer.Data[0] == '\0';
      } else {
        if (protocol == RS232) {
          SendCommand(kReadyRequest, 1, "", "", reply);
          if (reply.rfind('!', 0) != 0) continue;  // not ready: no setting in this try
        }
        SendCommand(setting, replyLength, "", "", reply);
        result = reply.rfind('G', 0) == 0;
      }
    }
    // The cached date and time are no longer the clock's.
    if (result) DateTimeReadTime.reset();
  }
  PauseProcessingMessages(kAfterSettingPauseMs);
  MustReadDateTime = true;
  return result;
}

void TBasicClock::ReadCalendarType() {
  FDeviceCalendarType = Christian;
  const THdlcPacket answer = SendHdlcCommand(kHdlcCalendarRequest);
  if (answer.IsValid && !answer.Data.empty())
    FDeviceCalendarType = answer.Data[0] != '\0' ? Solar : Christian;
}

TDateStr TBasicClock::ReadClockDate() {
  TDateStr date;
  TTimeStr time;
  GetDateTime(date, time);
  return date;
}

TTimeStr TBasicClock::ReadClockTime() {
  TDateStr date;
  TTimeStr time;
  GetDateTime(date, time);
  return time;
}

void TBasicClock::WriteClockDate(const TDateStr& AValue) {
  const TTimeStr time = ReadClockTime();
  if (!SetDateTime(AValue, time)) throw EClockError(kDateSettingFailed);
  CurrentDate = AValue;
  DateTimeReadTime.emplace(kCacheMs);
}

void TBasicClock::WriteClockTime(const TTimeStr& AValue) {
  const TDateStr date = ReadClockDate();
  if (!SetDateTime(date, AValue)) throw EClockError(kTimeSettingFailed);
  CurrentTime = AValue;
  DateTimeReadTime.emplace(kCacheMs);
}
