#include "adapters/KRMira120/ZkProtocol.h"

#include <cstring>

namespace zk {

namespace {

const char kMagic[4] = {'\x50', '\x50', '\x82', '\x7D'};
constexpr std::size_t kRecord40Size = 40;
constexpr std::size_t kUserIdSize = 24;

std::uint8_t Byte(const std::string& AData, std::size_t AOffset) {
  return static_cast<std::uint8_t>(AData[AOffset]);
}

// Text up to the first NUL of a fixed-size field.
std::string FieldText(const std::string& AData, std::size_t AOffset, std::size_t ASize) {
  const std::string Field = AData.substr(AOffset, ASize);
  return Field.substr(0, Field.find('\0'));
}

std::uint32_t BitReverse(std::uint32_t AValue) {
  std::uint32_t Result = 0;
  for (int Bit = 0; Bit < 32; ++Bit) {
    Result = (Result << 1) | (AValue & 1u);
    AValue >>= 1;
  }
  return Result;
}

}  // namespace

std::string AttendanceReadRequest() {
  std::string Payload;
  Payload += '\x01';
  PutU16(Payload, CMD_ATTLOG_RRQ);
  PutU32(Payload, 0);  // fct
  PutU32(Payload, 0);  // ext
  return Payload;
}

void PutU16(std::string& AOut, std::uint16_t AValue) {
  AOut += static_cast<char>(AValue & 0xFF);
  AOut += static_cast<char>(AValue >> 8);
}

void PutU32(std::string& AOut, std::uint32_t AValue) {
  for (int Shift = 0; Shift < 32; Shift += 8) AOut += static_cast<char>((AValue >> Shift) & 0xFF);
}

bool ReadU16(const std::string& AData, std::size_t AOffset, std::uint16_t& AValue) {
  if (AOffset > AData.size() || AData.size() - AOffset < 2) return false;
  AValue = static_cast<std::uint16_t>(Byte(AData, AOffset) | (Byte(AData, AOffset + 1) << 8));
  return true;
}

bool ReadU32(const std::string& AData, std::size_t AOffset, std::uint32_t& AValue) {
  if (AOffset > AData.size() || AData.size() - AOffset < 4) return false;
  AValue = 0;
  for (int I = 3; I >= 0; --I) AValue = (AValue << 8) | Byte(AData, AOffset + I);
  return true;
}

std::uint16_t Checksum(const std::string& ABody) {
  std::uint32_t Sum = 0;
  for (std::size_t I = 0; I < ABody.size(); I += 2) {
    if (I == 2) continue;  // the checksum field itself counts as 0
    std::uint32_t Word = Byte(ABody, I);
    if (I + 1 < ABody.size()) Word |= static_cast<std::uint32_t>(Byte(ABody, I + 1)) << 8;
    Sum += Word;
    // Fold as we go so that no body length can overflow the accumulator.
    if (Sum > 0xFFFF) Sum = (Sum & 0xFFFF) + (Sum >> 16);
  }
  while (Sum > 0xFFFF) Sum = (Sum & 0xFFFF) + (Sum >> 16);
  return static_cast<std::uint16_t>(~Sum & 0xFFFF);
}

std::string BuildBody(std::uint16_t ACommand, std::uint16_t ASessionId, std::uint16_t AReplyId,
                      const std::string& APayload) {
  std::string Body;
  Body.reserve(kHeaderSize + APayload.size());
  PutU16(Body, ACommand);
  PutU16(Body, 0);
  PutU16(Body, ASessionId);
  PutU16(Body, AReplyId);
  Body += APayload;
  const std::uint16_t Sum = Checksum(Body);
  Body[2] = static_cast<char>(Sum & 0xFF);
  Body[3] = static_cast<char>(Sum >> 8);
  return Body;
}

std::string BuildFrame(std::uint16_t ACommand, std::uint16_t ASessionId, std::uint16_t AReplyId,
                       const std::string& APayload) {
  const std::string Body = BuildBody(ACommand, ASessionId, AReplyId, APayload);
  std::string Out(kMagic, sizeof kMagic);
  PutU32(Out, static_cast<std::uint32_t>(Body.size()));
  return Out + Body;
}

bool ParseBody(const std::string& ABody, Frame& AFrame) {
  if (ABody.size() < kHeaderSize) return false;
  ReadU16(ABody, 0, AFrame.Command);
  ReadU16(ABody, 2, AFrame.Checksum);
  ReadU16(ABody, 4, AFrame.SessionId);
  ReadU16(ABody, 6, AFrame.ReplyId);
  AFrame.Payload = ABody.substr(kHeaderSize);
  return true;
}

bool IsChecksumValid(const std::string& ABody) {
  std::uint16_t Stored = 0;
  return ReadU16(ABody, 2, Stored) && Stored == Checksum(ABody);
}

std::uint16_t NextReplyId(std::uint16_t AReplyId) {
  return AReplyId >= 65534 ? 0 : static_cast<std::uint16_t>(AReplyId + 1);
}

// ---- FrameReceiver ----

void FrameReceiver::Feed(const std::string& ABytes) {
  Compact();
  FBuffer += ABytes;
}

FrameReceiver::Status FrameReceiver::Next(Frame& AFrame, bool* AChecksumValid) {
  const std::size_t Available = Buffered();
  // A head that already differs from the magic is no frame, however few bytes have come.
  const std::size_t MagicBytes = Available < sizeof kMagic ? Available : sizeof kMagic;
  if (std::memcmp(FBuffer.data() + FStart, kMagic, MagicBytes) != 0) return Status::Corrupt;
  if (Available < kPrefixSize) return Status::NeedMore;
  std::uint32_t Length = 0;
  ReadU32(FBuffer, FStart + 4, Length);
  if (Length < kHeaderSize || Length > kMaxBodySize) return Status::Corrupt;
  if (Available - kPrefixSize < Length) return Status::NeedMore;
  const std::string Body = FBuffer.substr(FStart + kPrefixSize, Length);
  FStart += kPrefixSize + Length;
  ParseBody(Body, AFrame);
  if (AChecksumValid) *AChecksumValid = IsChecksumValid(Body);
  return Status::FrameReady;
}

void FrameReceiver::Resync() {
  if (Buffered() == 0) return;
  const std::size_t Found = FBuffer.find(std::string(kMagic, sizeof kMagic), FStart + 1);
  if (Found != std::string::npos) {
    FStart = Found;
    return;
  }
  // Keep a tail that may be the start of a magic split over two reads.
  std::size_t Keep = 0;
  for (std::size_t Tail = sizeof kMagic - 1; Tail > 0 && Keep == 0; --Tail) {
    if (Buffered() > Tail &&
        std::memcmp(FBuffer.data() + FBuffer.size() - Tail, kMagic, Tail) == 0) {
      Keep = Tail;
    }
  }
  FStart = FBuffer.size() - Keep;
}

void FrameReceiver::Clear() {
  FBuffer.clear();
  FStart = 0;
}

void FrameReceiver::Compact() {
  if (FStart == 0) return;
  if (FStart == FBuffer.size() || FStart > 65536) {
    FBuffer.erase(0, FStart);
    FStart = 0;
  }
}

// ---- time ----

std::optional<std::uint32_t> EncodeTime(const DateTime& ATime) {
  if (ATime.Year < 2000 || ATime.Year > 2099 || ATime.Month < 1 || ATime.Month > 12 ||
      ATime.Day < 1 || ATime.Day > 31 || ATime.Hour < 0 || ATime.Hour > 23 || ATime.Minute < 0 ||
      ATime.Minute > 59 || ATime.Second < 0 || ATime.Second > 59) {
    return std::nullopt;
  }
  const std::uint32_t Days = static_cast<std::uint32_t>((ATime.Year % 100) * 372 +
                                                        (ATime.Month - 1) * 31 + (ATime.Day - 1));
  return Days * 86400u +
         static_cast<std::uint32_t>(ATime.Hour * 3600 + ATime.Minute * 60 + ATime.Second);
}

DateTime DecodeTime(std::uint32_t AValue) {
  DateTime T;
  T.Second = static_cast<int>(AValue % 60);
  AValue /= 60;
  T.Minute = static_cast<int>(AValue % 60);
  AValue /= 60;
  T.Hour = static_cast<int>(AValue % 24);
  AValue /= 24;
  T.Day = static_cast<int>(AValue % 31) + 1;
  AValue /= 31;
  T.Month = static_cast<int>(AValue % 12) + 1;
  AValue /= 12;
  T.Year = 2000 + static_cast<int>(AValue);
  return T;
}

// ---- attendance buffer ----

BufferError ParseAttendanceBuffer(const std::string& ABuffer, std::vector<AttRecord>& ARecords) {
  ARecords.clear();
  std::uint32_t Total = 0;
  if (!ReadU32(ABuffer, 0, Total)) return BufferError::TooShort;
  if (Total > ABuffer.size() - 4) return BufferError::TotalBeyondData;
  std::size_t RecordSize = 0;
  if (Total % 40 == 0) {
    RecordSize = 40;
  } else if (Total % 16 == 0) {
    RecordSize = 16;
  } else if (Total % 8 == 0) {
    RecordSize = 8;
  } else {
    return BufferError::UnknownRecordSize;
  }
  const std::size_t Count = Total / RecordSize;
  ARecords.reserve(Count);
  for (std::size_t I = 0; I < Count; ++I) {
    const std::string Raw = ABuffer.substr(4 + I * RecordSize, RecordSize);
    AttRecord R;
    std::uint32_t Encoded = 0;
    if (RecordSize == kRecord40Size) {
      ReadU16(Raw, 0, R.Uid);
      R.UserId = FieldText(Raw, 2, kUserIdSize);
      R.VerifyMode = Byte(Raw, 26);
      ReadU32(Raw, 27, Encoded);
      R.InOutMode = Byte(Raw, 31);
    } else if (RecordSize == 16) {
      std::uint32_t UserId = 0;
      ReadU32(Raw, 0, UserId);
      R.UserId = std::to_string(UserId);
      ReadU32(Raw, 4, Encoded);
      R.VerifyMode = Byte(Raw, 8);
      R.InOutMode = Byte(Raw, 9);
      ReadU32(Raw, 12, R.WorkCode);
    } else {
      ReadU16(Raw, 0, R.Uid);
      R.UserId = std::to_string(R.Uid);
      R.VerifyMode = Byte(Raw, 2);
      ReadU32(Raw, 3, Encoded);
      R.InOutMode = Byte(Raw, 7);
    }
    R.Time = DecodeTime(Encoded);
    ARecords.push_back(std::move(R));
  }
  return BufferError::None;
}

std::string EncodeRecord40(const AttRecord& ARecord) {
  std::string Out;
  Out.reserve(kRecord40Size);
  PutU16(Out, ARecord.Uid);
  std::string UserId = ARecord.UserId.substr(0, kUserIdSize);
  UserId.resize(kUserIdSize, '\0');
  Out += UserId;
  Out += static_cast<char>(ARecord.VerifyMode);
  PutU32(Out, EncodeTime(ARecord.Time).value_or(0));
  Out += static_cast<char>(ARecord.InOutMode);
  Out += std::string("\0\0\0\0\xFF\0\0\0", 8);
  return Out;
}

std::string BuildAttendanceBuffer(const std::vector<AttRecord>& ARecords) {
  std::string Out;
  Out.reserve(4 + ARecords.size() * kRecord40Size);
  PutU32(Out, static_cast<std::uint32_t>(ARecords.size() * kRecord40Size));
  for (const AttRecord& R : ARecords) Out += EncodeRecord40(R);
  return Out;
}

// ---- comm key ----

std::string MakeCommKey(std::uint32_t AKey, std::uint16_t ASessionId, std::uint8_t ATicks) {
  const std::uint32_t K = BitReverse(AKey) + ASessionId;
  const std::uint8_t Mask[4] = {'Z', 'K', 'S', 'O'};
  std::uint8_t C[4];
  for (int I = 0; I < 4; ++I) C[I] = static_cast<std::uint8_t>(((K >> (8 * I)) & 0xFF) ^ Mask[I]);
  // The 16-bit halves swap (c2 c3 c0 c1); c0 is then dropped for the ticks byte.
  std::string Out;
  Out += static_cast<char>(C[2] ^ ATicks);
  Out += static_cast<char>(C[3] ^ ATicks);
  Out += static_cast<char>(ATicks);
  Out += static_cast<char>(C[1] ^ ATicks);
  return Out;
}

}  // namespace zk
