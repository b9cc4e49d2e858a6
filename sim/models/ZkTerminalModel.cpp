#include "models/ZkTerminalModel.h"

#include <algorithm>
#include <ctime>

namespace sim {

namespace {

zk::DateTime LocalNow() {
  const std::time_t Now = std::time(nullptr);
  std::tm Tm{};
  localtime_r(&Now, &Tm);
  return {Tm.tm_year + 1900, Tm.tm_mon + 1, Tm.tm_mday, Tm.tm_hour, Tm.tm_min, Tm.tm_sec};
}

// ATime moved on by ASeconds. A day beyond its month (the terminal's encoding allows day 31 in
// any month) runs on into the next month.
zk::DateTime AddSeconds(const zk::DateTime& ATime, long long ASeconds) {
  using namespace std::chrono;
  const year_month_day Ymd{year{ATime.Year}, month{static_cast<unsigned>(ATime.Month)},
                           day{static_cast<unsigned>(ATime.Day)}};
  if (!Ymd.year().ok() || !Ymd.month().ok() || ATime.Day < 1 || ATime.Day > 31) return ATime;
  const sys_seconds At = sys_days{Ymd} + hours{ATime.Hour} + minutes{ATime.Minute} +
                         seconds{ATime.Second} + seconds{ASeconds};
  const sys_days Day = floor<days>(At);
  const year_month_day Date{Day};
  const hh_mm_ss<seconds> Clock{At - Day};
  return {static_cast<int>(Date.year()),
          static_cast<int>(static_cast<unsigned>(Date.month())),
          static_cast<int>(static_cast<unsigned>(Date.day())),
          static_cast<int>(Clock.hours().count()),
          static_cast<int>(Clock.minutes().count()),
          static_cast<int>(Clock.seconds().count())};
}

}  // namespace

ZkTerminalModel::ZkTerminalModel() {
  setDeviceTime(LocalNow());
}

void ZkTerminalModel::setDeviceTime(const zk::DateTime& ATime) {
  FTimeBase = ATime;
  FTimeSetAt = std::chrono::steady_clock::now();
}

zk::DateTime ZkTerminalModel::deviceTime() const {
  if (!FTimeRunning) return FTimeBase;
  const auto Elapsed = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::steady_clock::now() - FTimeSetAt);
  return AddSeconds(FTimeBase, Elapsed.count());
}

void ZkTerminalModel::setTimeRunning(bool AValue) {
  setDeviceTime(deviceTime());
  FTimeRunning = AValue;
}

void ZkTerminalModel::connectionOpened(int AConnection) {
  FSessions[AConnection] = Session{};
  FCurrent = AConnection;
}

void ZkTerminalModel::connectionClosed(int AConnection) {
  FSessions.erase(AConnection);
}

void ZkTerminalModel::selectConnection(int AConnection) {
  FCurrent = AConnection;
}

zk::DateTime ZkTerminalModel::addSeconds(const zk::DateTime& ATime, long long ASeconds) {
  return AddSeconds(ATime, ASeconds);
}

ReplyPlan ZkTerminalModel::receive(const std::string& ABytes) {
  // One request after the other: each one's replies due when those before it are.
  ReplyPlan Out;
  for (ReplyPlan& Request : receiveRequests(ABytes)) {
    const std::uint32_t Start = Out.empty() ? 0 : Out.back().AtMs;
    for (TimedBytes& Piece : Request) {
      Piece.AtMs += Start;
      Out.push_back(std::move(Piece));
    }
  }
  return Out;
}

std::vector<ReplyPlan> ZkTerminalModel::receiveRequests(const std::string& ABytes) {
  Current().Receiver.Feed(ABytes);
  std::vector<ReplyPlan> Out;
  for (;;) {
    zk::Frame Request;
    bool ChecksumValid = false;
    const zk::FrameReceiver::Status Status = Current().Receiver.Next(Request, &ChecksumValid);
    if (Status == zk::FrameReceiver::Status::NeedMore) break;
    if (Status == zk::FrameReceiver::Status::Corrupt) {
      Current().Receiver.Resync();
      continue;
    }
    if (!ChecksumValid) {
      ++FBadChecksumFrames;
      continue;
    }
    FCommands.push_back(Request.Command);
    if (Current().CloseRequested) continue;  // nothing more after CMD_EXIT
    Frames Replies;
    handle(Request, Replies);
    if (!Replies.empty()) Out.push_back(std::move(Replies));
  }
  return Out;
}

void ZkTerminalModel::reply(Frames& AOut, const zk::Frame& ARequest, std::uint16_t ACommand,
                            const std::string& APayload) const {
  const std::uint32_t At = AOut.empty() ? 0 : AOut.back().AtMs;
  AOut.push_back({At, zk::BuildFrame(ACommand, Current().SessionId, ARequest.ReplyId, APayload)});
}

void ZkTerminalModel::handle(const zk::Frame& ARequest, Frames& AOut) {
  switch (ARequest.Command) {
    case zk::CMD_CONNECT:
      // A second CMD_CONNECT on the same connection keeps the session.
      if (Current().SessionId == 0) {
        Current().SessionId = FNextSessionId;
        FNextSessionId = static_cast<std::uint16_t>(FNextSessionId + 1);
        if (FNextSessionId == 0) FNextSessionId = 1;
        Current().Authenticated = !FCommKey.has_value();
      }
      reply(AOut, ARequest, Current().Authenticated ? zk::CMD_ACK_OK : zk::CMD_ACK_UNAUTH);
      return;
    case zk::CMD_AUTH: {
      if (Current().SessionId == 0) return reply(AOut, ARequest, zk::CMD_ACK_UNAUTH);
      if (FCommKey) {
        // The client's ticks byte stands in the clear at offset 2.
        const bool Match = ARequest.Payload.size() >= 4 &&
                           ARequest.Payload.substr(0, 4) ==
                               zk::MakeCommKey(*FCommKey, Current().SessionId,
                                               static_cast<std::uint8_t>(ARequest.Payload[2]));
        Current().Authenticated = Current().Authenticated || Match;
        if (!Match) return reply(AOut, ARequest, zk::CMD_ACK_UNAUTH);
      }
      return reply(AOut, ARequest, zk::CMD_ACK_OK);
    }
    case zk::CMD_EXIT:
      reply(AOut, ARequest, zk::CMD_ACK_OK);
      Current().CloseRequested = true;
      return;
    default:
      break;
  }
  if (Current().SessionId == 0 || !Current().Authenticated) return reply(AOut, ARequest, zk::CMD_ACK_UNAUTH);

  switch (ARequest.Command) {
    case zk::CMD_GET_VERSION:
      return reply(AOut, ARequest, zk::CMD_ACK_OK, FFirmware + '\0');
    case zk::CMD_GET_TIME: {
      const std::optional<std::uint32_t> Encoded = zk::EncodeTime(deviceTime());
      if (!Encoded) return reply(AOut, ARequest, zk::CMD_ACK_ERROR);
      std::string Payload;
      zk::PutU32(Payload, *Encoded);
      return reply(AOut, ARequest, zk::CMD_ACK_OK, Payload);
    }
    case zk::CMD_SET_TIME: {
      // Some clients send the value followed by zeros; the first 4 bytes count.
      std::uint32_t Encoded = 0;
      if (!zk::ReadU32(ARequest.Payload, 0, Encoded)) {
        return reply(AOut, ARequest, zk::CMD_ACK_ERROR);
      }
      setDeviceTime(zk::DecodeTime(Encoded));
      return reply(AOut, ARequest, zk::CMD_ACK_OK);
    }
    case zk::CMD_CLEAR_ATTLOG:
      if (FRefuseClear) return reply(AOut, ARequest, zk::CMD_ACK_ERROR);
      FLog.clear();
      return reply(AOut, ARequest, zk::CMD_ACK_OK);
    case zk::CMD_GET_FREE_SIZES: {
      std::string Payload;
      for (int Field = 0; Field < 23; ++Field) {
        zk::PutU32(Payload, Field == 8 ? static_cast<std::uint32_t>(FLog.size()) : 0);
      }
      return reply(AOut, ARequest, zk::CMD_ACK_OK, Payload);
    }
    case zk::CMD_ENABLEDEVICE:
    case zk::CMD_DISABLEDEVICE:
    case zk::CMD_REFRESHDATA:
      return reply(AOut, ARequest, zk::CMD_ACK_OK);
    case zk::CMD_PREPARE_BUFFER: {
      std::uint16_t Inner = 0;
      if (!zk::ReadU16(ARequest.Payload, 1, Inner) || Inner != zk::CMD_ATTLOG_RRQ) {
        return reply(AOut, ARequest, zk::CMD_ACK_UNKNOWN);
      }
      std::string Buffer = zk::BuildAttendanceBuffer(FLog);
      ++FLogReads;
      for (const auto& [Read, Record] : FDuringRead) {
        if (Read == FLogReads) FLog.push_back(Record);
      }
      if (Buffer.size() <= FSmallBufferLimit) {
        Current().PreparedBuffer.reset();
        return reply(AOut, ARequest, zk::CMD_DATA, Buffer);
      }
      const std::uint32_t Size = static_cast<std::uint32_t>(Buffer.size());
      std::string Payload(1, '\0');
      zk::PutU32(Payload, Size);
      zk::PutU32(Payload, Size);
      zk::PutU32(Payload, 0);
      Current().PreparedBuffer = std::move(Buffer);
      return reply(AOut, ARequest, FLargeBufferReply, Payload);
    }
    case zk::CMD_READ_BUFFER:
      return readChunk(ARequest, AOut);
    case zk::CMD_FREE_DATA:
      Current().PreparedBuffer.reset();
      return reply(AOut, ARequest, zk::CMD_ACK_OK);
    default:
      return reply(AOut, ARequest, zk::CMD_ACK_UNKNOWN);
  }
}

// One chunk of the prepared buffer: CMD_PREPARE_DATA with its length, the bytes in CMD_DATA
// frames, then CMD_ACK_OK, all with the request's reply id.
void ZkTerminalModel::readChunk(const zk::Frame& ARequest, Frames& AOut) {
  std::uint32_t Start = 0, Length = 0;
  if (!Current().PreparedBuffer || !zk::ReadU32(ARequest.Payload, 0, Start) ||
      !zk::ReadU32(ARequest.Payload, 4, Length) || Length == 0 ||
      Start >= Current().PreparedBuffer->size() || Length > Current().PreparedBuffer->size() - Start) {
    return reply(AOut, ARequest, zk::CMD_ACK_ERROR);
  }
  std::string Announce;
  zk::PutU32(Announce, Length);
  zk::PutU32(Announce, 0);
  reply(AOut, ARequest, zk::CMD_PREPARE_DATA, Announce);
  const std::size_t Step = FDataFrameLimit == 0 ? Length : FDataFrameLimit;
  for (std::size_t Offset = 0; Offset < Length; Offset += Step) {
    const std::size_t Piece = std::min<std::size_t>(Step, Length - Offset);
    reply(AOut, ARequest, zk::CMD_DATA, Current().PreparedBuffer->substr(Start + Offset, Piece));
    AOut.back().AtMs += FDataFrameGapMs;
  }
  reply(AOut, ARequest, zk::CMD_ACK_OK);
}

}  // namespace sim
