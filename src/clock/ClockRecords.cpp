// Reading attendance records and releasing them.
//
// Text protocol: 03h (02h for a Corax, which sends the long form) asks for the oldest record;
// the reply is 01 01 01, the record and a check byte (see RecordDecoding.h). The clock keeps
// answering with the same record until it is acknowledged with 09h, answered 04h (on RS485
// wrapped in a six-byte frame whose fourth byte is the answer).
// HDLC: 20h asks for a block of records, 21h releases the block sent last and asks for the next
// one. The answer is the block (several 14-byte records) or one status byte. The clock object
// hands the block's records out one by one from its buffer; the clock releases them only with
// the next 21h. After every block request the read pointer ("Q" 20h) is asked, which locates
// the pictures of the block's records.
// Face-recognition terminals: their adapters read and release the records.
#include <cstdint>

#include "adapters/KRMira/KRMira.h"
#include "adapters/KRMira120/KRMira120.h"
#include "calendar/VexDateTime.h"
#include "clock/ClockOpsSupport.h"
#include "clock/RecordDecoding.h"
#include "clock/VexClock.h"
#include "link/ByteUtils.h"
#include "platform/Platform.h"
#include "utils/MessageHook.h"

namespace {

const std::string kRecordRequest("\x03", 1);
const std::string kLongRecordRequest("\x02", 1);
constexpr int kRecordReplyLength = 26;
constexpr int kLongRecordReplyLength = 38;
const std::string kAcknowledge("\x09", 1);
const std::string kAccepted("\x04", 1);
const std::string kBlockRequest("\x20", 1);
const std::string kNextBlockRequest("\x21", 1);

// Replies this short are status bytes of a clock that did not send a record.
constexpr std::size_t kStatusReplyMaxLength = 5;
constexpr std::uint32_t kRetryPauseMs = 500;
// Within this time of the last date read, the cached clock date serves the year rules.
constexpr std::uint32_t kDateCacheMs = 100000;

// A text of a terminal's record, moved out of it.
std::string MovedText(std::string& AText) {
  return std::move(AText);
}
template <std::size_t N>
std::string MovedText(TShortString<N>& AText) {
  return AText.take();
}

const char* const kCorruptRecord = "ركورد خراب مي باشد";
const char* const kRecordReadError = "خطا در هنگام خواندن ركورد";

}  // namespace

int TBasicClock::CheckSequence() {
  return 1;
}

int TBasicClock::HdlcAnswerCode(const std::string& AData) {
  return ::HdlcAnswerCode(AData);
}

bool TBasicClock::IsCorruptRecordReply(const std::string& AReply) {
  return ClockType != Lumen && IsReplyChecksumValid(AReply) &&
         AReply.rfind(clockops::kReplyStart, 0) == 0;
}

bool TBasicClock::IsValidRecordReply(const std::string& AReply, int AYear, int AMonth, int ADay) {
  return ::IsValidRecordReply(AReply, ClockType, TRecordClockDate{AYear, AMonth, ADay});
}

bool TBasicClock::DecodeHdlcRecord(const std::string& APiece, TVexRecord& ARecord) {
  const THdlcRecordOutcome outcome =
      DecodeHdlcRecordPiece(APiece, ClockNumber, FDeviceCalendarType, ARecord);
  if (outcome == THdlcRecordOutcome::Rejected) FLastError = ceBadRecord;
  return outcome == THdlcRecordOutcome::Decoded;
}

std::string TBasicClock::RecordOrigin(bool AWithoutPrefix) {
  if (ConnectionType() == TcpIp) return "1";
  const ISerialPort* port = GetComPort();
  const std::string name = port ? port->portName() : std::string();
  return AWithoutPrefix ? clockops::CopyText(name, 4, name.size()) : name;
}

void TBasicClock::TakeTerminalRecord(TVexRecord& ARecord) {
  // The adapter hands out the same record until NextRecord, so nothing is cached here, and its
  // record is a temporary: its texts are moved into ARecord, not copied (a whole log is
  // thousands of records; copying them measurably slowed a whole-log dump).
  auto take = [this, &ARecord](auto&& ATaken) {
    ARecord.Version = rv1;
    ARecord.ComIp = MovedText(ATaken.ComIp);
    ARecord.ClockNumber = ATaken.ClockNumber;
    ARecord.KartNo = MovedText(ATaken.KartNo);
    ARecord.Date = std::move(ATaken.Date);
    ARecord.Time = std::move(ATaken.Time);
    ARecord.Second = ATaken.Second;
    ARecord.RecType1 = MovedText(ATaken.RecType1);
    ARecord.RecType2 = MovedText(ATaken.RecType2);
    ARecord.SequenceCode = ATaken.SequenceCode;
    ARecord.Data = MovedText(ATaken.Data);
    ARecord.ImageData = std::move(ATaken.ImageData);
    ARecord.FingerPrint = ATaken.FingerPrint;
    ARecord.Card = false;
    ARecord.Camera = false;
    ARecord.SpecKartNo.clear();
    ARecord.Fault = std::move(ATaken.Fault);
    ARecord.ImpossibleDate = ATaken.ImpossibleDate;
    FTerminalSequence = ARecord.KartNo.empty() ? '\0' : ARecord.SequenceCode;
  };
  if (ClockType == KRMiraClock)
    take(FKrMira->GetRecord());
  else
    take(FKrMira120->GetRecord());
}

TVexRecord TBasicClock::GetRecord() {
  TVexRecord record;
  GetRecord(record);
  return record;
}

void TBasicClock::GetRecord(TVexRecord& ARecord) {
  if (ClockType == KRMiraClock || ClockType == KRMira120Clock) {
    TakeTerminalRecord(ARecord);
    return;
  }
  if (!CurrentRecord.KartNo.empty()) {
    ARecord = CurrentRecord;
    return;
  }
  CurrentRecord.ClockNumber = ClockNumber;
  CurrentRecord.KartNo.clear();
  CurrentRecord.Date = "";
  CurrentRecord.Time = "";
  CurrentRecord.Second = -1;
  CurrentRecord.SequenceCode = '\0';
  CurrentRecord.Fault.clear();
  CurrentRecord.ImpossibleDate = false;
  CurrentRecord.ImageData.reset();
  CurrentRecord.FingerPrint = false;

  // The short record forms carry no year: the clock's own date supplies it.
  const bool dateFresh = DateTimeReadTime && DateTimeReadTime->elapsed() <= kDateCacheMs;
  const TDateStr clockDate = dateFresh ? CurrentDate : ReadClockDate();
  // A date that does not exist gives no year: the records are then kept as sent, marked.
  TDateParts parts;
  if (StrToDateParts(clockDate, parts, 0) == dfNone ||
      !IsCalendarDate(parts.Year, parts.Month, parts.Day))
    parts = TDateParts{};

  if (!IsConnected()) {
    FLastError = ceClockDisconnected;
  } else if (WasEmpty()) {
    FLastError = ceClockEmpty;
  } else {
    FLastError = ceNoError;
    if (FGetIOImage && MustCheckClockHasCaptureImageCapability) {
      MustCheckClockHasCaptureImageCapability = false;
      CheckCaptureImageCapability();
    }
    if (GetProtocol() == ptHdlc) {
      // HDLC records come from the buffer, never from CurrentRecord.
      ARecord = TVexRecord{};
      ARecord.ClockNumber = ClockNumber;
      FetchHdlcRecords(false, ARecord);
      ARecord.ComIp = RecordOrigin(false);
      return;
    }
    ReadTextRecord(parts.Year, parts.Month, parts.Day);
  }
  if (FLastError == ceClockDisconnected) MustCheckClockHasCaptureImageCapability = true;
  ARecord = CurrentRecord;
}

void TBasicClock::ReadTextRecord(int AYear, int AMonth, int ADay) {
  const bool longForm = ClockType == KRCorax;
  const std::string& request = longForm ? kLongRecordRequest : kRecordRequest;
  const int replyLength = longForm ? kLongRecordReplyLength : kRecordReplyLength;
  const int tries = Tries();
  std::string reply;
  bool accepted = false;
  int attempt = 0;
  while (attempt < tries && !accepted) {
    ++attempt;
    // A reply still incomplete when its try ended is continued by the next try: the rest may
    // be on its way. A complete reply that was refused is not: carried over, it would fill the
    // next try before the clock's fresh answer could be read, and no try could recover.
    const std::string saved = static_cast<int>(reply.size()) < replyLength ? reply : std::string();
    SendCommand(request, replyLength, clockops::kReplyStart, saved, reply);
    if (reply.size() > kStatusReplyMaxLength) {
      const std::string cleaned = CleanRecordReply(reply);
      CurrentRecord.Data = cleaned;
      CurrentRecord.ComIp = RecordOrigin(true);
      if (IsValidRecordReply(cleaned, AYear, AMonth, ADay) &&
          DecodeTextRecord(cleaned, ClockType, TRecordClockDate{AYear, AMonth, ADay},
                           CurrentRecord)) {
        FLastError = ceNoError;
        accepted = true;
        break;
      }
      // A record with an event code that is no decimal number is refused like any other bad
      // record: the line logs it as bad and moves on.
      if (IsCorruptRecordReply(cleaned)) {
        ShowMessageDlg(kCorruptRecord, mtError, mbOK);
        FLastError = ceBadRecord;
      }
    }
    PauseProcessingMessages(kRetryPauseMs);
  }

  if (!accepted && !reply.empty() && attempt >= tries) {
    if (reply.size() <= kStatusReplyMaxLength) {
      FLastError = ceClockDisconnected;
    } else {
      ClearChannel();
      ShowMessageDlg(kRecordReadError, mtError, mbOK);
      FLastError = ceBadRecord;
    }
  }
  if (!accepted) CurrentRecord.KartNo.clear();
}

void TBasicClock::FetchHdlcRecords(bool AFollowUp, TVexRecord& ARecord) {
  if (FRecords.empty()) {
    FHdlcReadPointerOffset = 0;
    const THdlcPacket answer = SendHdlcCommand(AFollowUp ? kNextBlockRequest : kBlockRequest);
    if (answer.IsValid) {
      const std::string& data = answer.Data;
      if (data.size() >= 2) {
        for (auto& piece : SplitHdlcRecordBlock(data)) FRecords.push_back(std::move(piece));
        StatusLastResult = "0";
        NoteStatusRead();
      } else if (data.size() == 1) {
        StatusLastResult = HdlcAnswerCode(data) == 2 ? "1" : "0";
        NoteStatusRead();
      }
    }
    FHdlcReadPointer = ReadImagePointer();
  }
  if (FRecords.empty()) return;
  ARecord.ComIp.clear();
  ARecord.ClockNumber = ClockNumber;
  ARecord.KartNo.clear();
  ARecord.Date = "";
  ARecord.Time = "";
  ARecord.RecType1 = "00";
  ARecord.RecType2 = "00";
  ARecord.SequenceCode = '\0';
  ARecord.Data.clear();
  ARecord.ImageData.reset();
  ARecord.FingerPrint = false;
  if (!DecodeHdlcRecord(FRecords.front(), ARecord)) ARecord.KartNo.clear();
}

void TBasicClock::DropHdlcRecord() {
  if (FRecords.empty()) return;
  FRecords.pop_front();
  ++FHdlcReadPointerOffset;
  if (FRecords.empty()) {
    // The block is used up: 21h lets the clock release it and send the next one.
    TVexRecord scratch;
    FetchHdlcRecords(true, scratch);
  }
}

bool TBasicClock::NextRecord() {
  bool result = false;
  if (ClockType == KRMiraClock) {
    result = FKrMira->NextRecord();
  } else if (ClockType == KRMira120Clock) {
    result = FKrMira120->NextRecord();
  } else if (GetProtocol() == ptHdlc) {
    DropHdlcRecord();
    result = true;
  } else {
    std::string reply;
    SendCommand(kAcknowledge, GetProtocol() == RS485 ? 6 : 1, "", "", reply);
    result = reply == kAccepted;
  }
  if (!CurrentRecord.KartNo.empty()) LastSequenceCode = CurrentRecord.SequenceCode;
  if (FTerminalSequence != '\0') LastSequenceCode = FTerminalSequence;
  CurrentRecord.KartNo.clear();
  FTerminalSequence = '\0';
  return result;
}
