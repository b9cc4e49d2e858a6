#include "adapters/KRMira120/ZkemClient.h"

#include <algorithm>
#include <cstdint>

#include "platform/Deadline.h"
#include "platform/Platform.h"

std::uint32_t LogTransferCapMs(std::uint32_t ABytes, int AReplyTimeoutMs) {
  const std::uint64_t ms = (std::uint64_t{ABytes} * 1000 + kZkSlowestLogBytesPerSecond - 1) /
                               kZkSlowestLogBytesPerSecond +
                           static_cast<std::uint64_t>(std::max(AReplyTimeoutMs, 0));
  return ms > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(ms);
}

TZkemClient::TZkemClient(TZkemClientSettings ASettings, std::unique_ptr<ITcpStream> AStream)
    : FSettings(ASettings),
      FStream(AStream ? std::move(AStream) : platform::Current().createTcpStream()) {}

TZkemClient::~TZkemClient() {
  Disconnect();
}

bool TZkemClient::Fail(int AErrorCode) {
  FLastError = AErrorCode;
  return false;
}

TDeadline TZkemClient::ReplyDeadline() const {
  return ReplyDeadline(FSettings.ReplyTimeoutMs);
}

TDeadline TZkemClient::ReplyDeadline(int AMs) const {
  return TDeadline(static_cast<std::uint32_t>(std::max(AMs, 0)));
}

void TZkemClient::DropConnection() {
  FStream->close();
  FReceiver.Clear();
  FConnected = false;
}

void TZkemClient::Disconnect() {
  if (FConnected) Send(zk::CMD_EXIT, {});  // the session also ends with the socket
  DropConnection();
  FHaveTarget = false;
}

bool TZkemClient::Connect_Net(const std::wstring& IPAdd, int Port) {
  Disconnect();
  FLog.clear();
  FLogIndex = 0;
  std::string Host;
  for (wchar_t C : IPAdd) {
    if (C <= 0 || C > 0x7E) return Fail(kZkBadParameter);
    Host += static_cast<char>(C);
  }
  if (Host.empty() || Port <= 0 || Port > 65535) return Fail(kZkBadParameter);
  FHost = Host;
  FPort = Port;
  if (!OpenSession()) return false;
  FHaveTarget = true;
  return true;
}

// TCP connect, CMD_CONNECT with session 0; the reply's header carries the new session id. A
// terminal with a comm key answers CMD_ACK_UNAUTH and wants CMD_AUTH with the scrambled key.
bool TZkemClient::OpenSession() {
  DropConnection();
  if (!FStream->open(FHost, FPort, FSettings.ConnectTimeoutMs)) return Fail(kZkNotConnected);
  FSessionId = 0;
  FNextReplyId = 0;
  zk::Frame Reply;
  if (!Request(zk::CMD_CONNECT, {}, Reply)) return false;
  FSessionId = Reply.SessionId;
  if (Reply.Command == zk::CMD_ACK_UNAUTH) {
    if (!Request(zk::CMD_AUTH, zk::MakeCommKey(FSettings.CommKey, FSessionId), Reply)) {
      return false;
    }
    if (Reply.Command != zk::CMD_ACK_OK) {
      DropConnection();
      return Fail(kZkUnauthorized);
    }
  } else if (Reply.Command != zk::CMD_ACK_OK) {
    DropConnection();
    return Fail(kZkRefused);
  }
  FConnected = true;
  FLastError = kZkOk;
  return true;
}

bool TZkemClient::NeedConnection() {
  if (FConnected) return true;
  if (!FHaveTarget) return Fail(kZkNotConnected);
  return OpenSession();
}

bool TZkemClient::Send(std::uint16_t ACommand, const std::string& APayload) {
  FReplyId = FNextReplyId;
  FNextReplyId = zk::NextReplyId(FReplyId);
  if (!FStream->send(zk::BuildFrame(ACommand, FSessionId, FReplyId, APayload))) {
    DropConnection();
    return Fail(kZkNotConnected);
  }
  return true;
}

bool TZkemClient::Request(std::uint16_t ACommand, const std::string& APayload, zk::Frame& AReply) {
  return Send(ACommand, APayload) && ReceiveReply(AReply, ReplyDeadline());
}

// Frames that answer an earlier request (a late reply, the closing ACK_OK of a chunk) and
// event frames are passed over; the deadline holds for the whole wait, so a peer that keeps
// sending such frames cannot hold the call. Reply checksums are not checked, as with the
// terminals' other clients.
bool TZkemClient::ReceiveReply(zk::Frame& AFrame, const TDeadline& ADeadline) {
  for (;;) {
    zk::Frame F;
    const zk::FrameReceiver::Status Status = FReceiver.Next(F);
    if (Status == zk::FrameReceiver::Status::FrameReady) {
      if (F.ReplyId == FReplyId && F.Command != zk::CMD_REG_EVENT) {
        AFrame = std::move(F);
        return true;
      }
      continue;
    }
    if (Status == zk::FrameReceiver::Status::Corrupt) {
      // Not a frame stream: nothing after this point can be trusted to be in step.
      DropConnection();
      return Fail(kZkBadReply);
    }
    if (ADeadline.expired()) {
      DropConnection();
      return Fail(kZkNotConnected);
    }
    const std::string Bytes = FStream->receive(static_cast<int>(ADeadline.remaining()));
    if (Bytes.empty() && !FStream->isOpen()) {
      DropConnection();
      return Fail(kZkNotConnected);
    }
    FReceiver.Feed(Bytes);
  }
}

bool TZkemClient::GetFirmwareVersion(int /*dwMachineNumber*/, std::string& strVersion) {
  if (!NeedConnection()) return false;
  zk::Frame Reply;
  if (!Request(zk::CMD_GET_VERSION, {}, Reply)) return false;
  if (Reply.Command != zk::CMD_ACK_OK) return Fail(kZkRefused);
  strVersion = Reply.Payload.substr(0, Reply.Payload.find('\0'));
  FLastError = kZkOk;
  return true;
}

bool TZkemClient::GetDeviceTime(int /*dwMachineNumber*/, int& dwYear, int& dwMonth, int& dwDay,
                                int& dwHour, int& dwMinute, int& dwSecond) {
  dwYear = dwMonth = dwDay = dwHour = dwMinute = dwSecond = 0;
  if (!NeedConnection()) return false;
  zk::Frame Reply;
  if (!Request(zk::CMD_GET_TIME, {}, Reply)) return false;
  if (Reply.Command != zk::CMD_ACK_OK) return Fail(kZkRefused);
  std::uint32_t Encoded = 0;
  if (!zk::ReadU32(Reply.Payload, 0, Encoded)) return Fail(kZkBadReply);
  const zk::DateTime T = zk::DecodeTime(Encoded);
  dwYear = T.Year;
  dwMonth = T.Month;
  dwDay = T.Day;
  dwHour = T.Hour;
  dwMinute = T.Minute;
  dwSecond = T.Second;
  FLastError = kZkOk;
  return true;
}

bool TZkemClient::SetDeviceTime2(int /*dwMachineNumber*/, int dwYear, int dwMonth, int dwDay,
                                 int dwHour, int dwMinute, int dwSecond) {
  // The terminal keeps only year % 100 of 2000..2099: any other year would come back as a
  // different one, so it is refused here instead of being written wrong.
  const std::optional<std::uint32_t> Encoded =
      zk::EncodeTime({dwYear, dwMonth, dwDay, dwHour, dwMinute, dwSecond});
  if (!Encoded) return Fail(kZkBadParameter);
  if (!NeedConnection()) return false;
  std::string Payload;
  zk::PutU32(Payload, *Encoded);
  zk::Frame Reply;
  if (!Request(zk::CMD_SET_TIME, Payload, Reply)) return false;
  if (Reply.Command != zk::CMD_ACK_OK) return Fail(kZkRefused);
  FLastError = kZkOk;
  return true;
}

bool TZkemClient::ReadAllGLogData(int /*dwMachineNumber*/) {
  FLog.clear();
  FLogIndex = 0;
  if (!NeedConnection()) return false;
  const int PrepareMs = PrepareTimeoutMs();
  // The count's wait may have ended the connection.
  if (!NeedConnection()) return false;
  std::string Buffer;
  if (!ReadAttendanceBuffer(Buffer, PrepareMs)) return false;
  std::vector<zk::AttRecord> Records;
  if (zk::ParseAttendanceBuffer(Buffer, Records) != zk::BufferError::None) {
    return Fail(kZkBadReply);
  }
  FLog = std::move(Records);
  FLastError = kZkOk;
  return true;
}

// The buffered read of the attendance table. A small buffer comes at once in a CMD_DATA reply;
// for a large one the terminal announces its size S (the whole buffer, its 4-byte total
// included) and the client fetches it in chunks of at most 65472 bytes, then frees the
// terminal's transfer buffer.
int TZkemClient::PrepareTimeoutMs() {
  // A terminal that does not say how many records it holds gets the ordinary wait.
  int Records = 0;
  if (!GetDeviceStatus(FMachineNumber, kZkStatusRecordCount, Records)) Records = 0;
  const long long Extra =
      static_cast<long long>(Records) * FSettings.PrepareMsPer10000Records / 10000;
  return static_cast<int>(std::min<long long>(FSettings.ReplyTimeoutMs + Extra,
                                              std::max(FSettings.PrepareTimeoutCapMs,
                                                       FSettings.ReplyTimeoutMs)));
}

bool TZkemClient::ReadAttendanceBuffer(std::string& ABuffer, int APrepareMs) {
  zk::Frame Reply;
  if (!Send(zk::CMD_PREPARE_BUFFER, zk::AttendanceReadRequest()) ||
      !ReceiveReply(Reply, ReplyDeadline(APrepareMs)))
    return false;
  if (Reply.Command == zk::CMD_DATA) {
    ABuffer = std::move(Reply.Payload);
    return true;
  }
  if (Reply.Command == zk::CMD_ACK_UNAUTH) return Fail(kZkUnauthorized);
  if (Reply.Command != zk::CMD_ACK_OK && Reply.Command != zk::CMD_PREPARE_DATA) {
    return Fail(kZkRefused);
  }
  std::uint32_t Size = 0;
  bool Ok = zk::ReadU32(Reply.Payload, 1, Size) && Size <= zk::kMaxBufferSize;
  if (!Ok) Fail(kZkBadReply);
  ABuffer.clear();
  // The whole buffer must come within the time its size allows: a terminal that trickles it
  // (one byte a frame, frames far apart) would otherwise hold the read for hours.
  const TDeadline Transfer(LogTransferCapMs(Size, FSettings.ReplyTimeoutMs));
  // A terminal that hands out short chunks gets asked for the rest, but only so many times.
  std::uint32_t ChunksLeft = 4 * (Size / zk::kChunkSize + 1);
  while (Ok && ABuffer.size() < Size) {
    if (ChunksLeft-- == 0) {
      Ok = Fail(kZkBadReply);
      break;
    }
    const std::uint32_t Start = static_cast<std::uint32_t>(ABuffer.size());
    Ok = ReadChunk(Start, std::min(zk::kChunkSize, Size - Start), ABuffer, Transfer);
  }
  // An announced size of 0 is an empty log.
  if (Ok && Size == 0) ABuffer.assign(4, '\0');
  // Free the transfer buffer also after a failed read, while the connection stands.
  if (FConnected) {
    const int Error = FLastError;
    zk::Frame FreeReply;
    Request(zk::CMD_FREE_DATA, {}, FreeReply);
    FLastError = Error;
  }
  return Ok;
}

// One chunk: the terminal answers CMD_PREPARE_DATA with the chunk's length, then CMD_DATA frames
// until that many bytes have come, then CMD_ACK_OK (left to be passed over later). A single bare
// CMD_DATA frame is taken as the whole answer, as some terminals send it. A chunk shorter than
// asked for is kept; the caller asks for the rest.
bool TZkemClient::ReadChunk(std::uint32_t AStart, std::uint32_t ALength, std::string& ABuffer,
                            const TDeadline& ATransfer) {
  std::string Payload;
  zk::PutU32(Payload, AStart);
  zk::PutU32(Payload, ALength);
  if (!Send(zk::CMD_READ_BUFFER, Payload)) return false;
  bool Announced = false;
  std::uint32_t Expected = 0;
  std::string Chunk;
  for (;;) {
    zk::Frame F;
    const TDeadline Reply(std::min(ReplyDeadline().timeout(), ATransfer.remaining()));
    if (!ReceiveReply(F, Reply)) return ATransfer.expired() ? Fail(kZkTooSlow) : false;
    switch (F.Command) {
      case zk::CMD_PREPARE_DATA:
        if (Announced || !zk::ReadU32(F.Payload, 0, Expected) || Expected == 0 ||
            Expected > ALength) {
          return Fail(kZkBadReply);
        }
        Announced = true;
        break;
      case zk::CMD_DATA:
        if (!Announced) {
          if (F.Payload.empty() || F.Payload.size() > ALength) return Fail(kZkBadReply);
          ABuffer += F.Payload;
          return true;
        }
        if (F.Payload.size() > Expected - Chunk.size()) return Fail(kZkBadReply);
        Chunk += F.Payload;
        if (Chunk.size() == Expected) {
          ABuffer += Chunk;
          return true;
        }
        break;
      case zk::CMD_ACK_OK:
        return Fail(kZkBadReply);  // the chunk ended before its bytes came
      case zk::CMD_ACK_UNAUTH:
        return Fail(kZkUnauthorized);
      default:
        return Fail(kZkRefused);
    }
  }
}

bool TZkemClient::GetLastError(int& dwErrorCode) {
  dwErrorCode = FLastError;
  return true;
}

bool TZkemClient::SSR_GetGeneralLogData(int /*dwMachineNumber*/, std::string& dwEnrollNumber,
                                        int& dwVerifyMode, int& dwInOutMode, int& dwYear,
                                        int& dwMonth, int& dwDay, int& dwHour, int& dwMinute,
                                        int& dwSecond, int& dwWorkCode) {
  if (FLogIndex >= FLog.size()) return Fail(kZkNoData);
  const zk::AttRecord& R = FLog[FLogIndex++];
  dwEnrollNumber = R.UserId;
  dwVerifyMode = R.VerifyMode;
  dwInOutMode = R.InOutMode;
  dwYear = R.Time.Year;
  dwMonth = R.Time.Month;
  dwDay = R.Time.Day;
  dwHour = R.Time.Hour;
  dwMinute = R.Time.Minute;
  dwSecond = R.Time.Second;
  dwWorkCode = static_cast<int>(R.WorkCode);
  FLastError = kZkOk;
  return true;
}

bool TZkemClient::ClearGLog(int /*dwMachineNumber*/) {
  if (!NeedConnection()) return false;
  zk::Frame Reply;
  if (!Request(zk::CMD_CLEAR_ATTLOG, {}, Reply)) return false;
  if (Reply.Command != zk::CMD_ACK_OK) return Fail(kZkRefused);
  FLog.clear();
  FLogIndex = 0;
  FLastError = kZkOk;
  return true;
}

// The sizes reply is a row of 32-bit counters; the ninth is the number of attendance records.
bool TZkemClient::GetDeviceStatus(int /*dwMachineNumber*/, int dwStatus, int& dwValue) {
  constexpr std::size_t kRecordCountOffset = 8 * 4;
  if (dwStatus != kZkStatusRecordCount) return Fail(kZkBadParameter);
  if (!NeedConnection()) return false;
  zk::Frame Reply;
  if (!Request(zk::CMD_GET_FREE_SIZES, {}, Reply)) return false;
  if (Reply.Command != zk::CMD_ACK_OK) return Fail(kZkRefused);
  std::uint32_t Count = 0;
  if (!zk::ReadU32(Reply.Payload, kRecordCountOffset, Count) || Count > INT32_MAX) {
    return Fail(kZkBadReply);
  }
  dwValue = static_cast<int>(Count);
  FLastError = kZkOk;
  return true;
}
