#pragma once
// A face-recognition terminal of the second kind (KR-Mira120) as it answers on TCP port 4370:
// sessions with an optional comm key, firmware version, get and set time, the attendance log by
// the small and the large-data path, clearing the log. The log may hold any number of records.
//
// It is a byte-stream model: receive() takes what the client sent (frames may come split or
// merged) and returns the reply bytes at once. The server that carries it calls
// connectionOpened() / connectionClosed() around each TCP connection and closes the connection
// when closeRequested() turns true (after CMD_EXIT).
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "adapters/KRMira120/ZkProtocol.h"
#include "models/DeviceModel.h"

namespace sim {

class ZkTerminalModel : public DeviceModel {
 public:
  ZkTerminalModel();

  // Each reply frame is a piece of the plan of its own: the server writes it on its own.
  ReplyPlan receive(const std::string& ABytes) override;
  // The same, the replies of each request apart, in order: the terminal takes one request at a
  // time. Each plan's times count from when the terminal takes its request.
  std::vector<ReplyPlan> receiveRequests(const std::string& ABytes);
  // Connections are told apart by an id the server gives; each has its own session. receive()
  // and closeRequested() concern the connection last selected.
  void connectionOpened(int AConnection = 0);
  void connectionClosed(int AConnection = 0);
  void selectConnection(int AConnection);
  bool closeRequested() const { return Current().CloseRequested; }

  // ---- the terminal ----
  void setFirmwareVersion(const std::string& AValue) { FFirmware = AValue; }
  const std::string& firmwareVersion() const { return FFirmware; }
  // The clock runs on from the time set (unless stopped with setTimeRunning(false)).
  void setDeviceTime(const zk::DateTime& ATime);
  zk::DateTime deviceTime() const;
  void setTimeRunning(bool AValue);
  // A terminal with a comm key answers CMD_CONNECT with CMD_ACK_UNAUTH until CMD_AUTH succeeds.
  void setCommKey(std::optional<std::uint32_t> AKey) { FCommKey = AKey; }
  void addRecord(const zk::AttRecord& ARecord) { FLog.push_back(ARecord); }
  const std::vector<zk::AttRecord>& records() const { return FLog; }
  void clearLog() { FLog.clear(); }
  // ATime moved by ASeconds (may be negative).
  static zk::DateTime addSeconds(const zk::DateTime& ATime, long long ASeconds);

  // ---- how it answers ----
  // Attendance buffers of at most this many bytes (4-byte total included) come in one CMD_DATA
  // reply; larger ones by the large-data path.
  void setSmallBufferLimit(std::size_t AValue) { FSmallBufferLimit = AValue; }
  // At most this many bytes per CMD_DATA frame of a chunk (0: the whole chunk in one frame).
  void setDataFrameLimit(std::size_t AValue) { FDataFrameLimit = AValue; }
  // Each CMD_DATA frame of a chunk comes this long after the frame before it (a terminal that
  // trickles its log).
  void setDataFrameGapMs(std::uint32_t AValue) { FDataFrameGapMs = AValue; }
  // Every clearing of the log is answered with an error and the log kept.
  void setRefuseClear(bool AValue) { FRefuseClear = AValue; }
  // The code that announces a large buffer: CMD_ACK_OK (default) or CMD_PREPARE_DATA.
  void setLargeBufferReply(std::uint16_t ACommand) { FLargeBufferReply = ACommand; }
  // The ARead-th read of the log from now on (1 = the next) stores ARecord just after the log was
  // sent: a punch made while a client reads, which the log sent did not hold.
  void storeDuringRead(int ARead, const zk::AttRecord& ARecord) {
    FDuringRead.push_back({FLogReads + ARead, ARecord});
  }
  // The session id issued to the next connection that has none.
  void setNextSessionId(std::uint16_t AValue) { FNextSessionId = AValue; }

  // ---- what came in ----
  // The command of every well-formed request, in order of arrival.
  const std::vector<std::uint16_t>& commands() const { return FCommands; }
  void clearCommands() { FCommands.clear(); }
  // Requests dropped for a wrong checksum (the terminal does not answer them).
  int badChecksumFrames() const { return FBadChecksumFrames; }
  std::uint16_t sessionId() const { return Current().SessionId; }
  bool authenticated() const { return Current().Authenticated; }
  // Reads of the log so far.
  int logReads() const { return FLogReads; }

 private:
  // The reply frames, each with the time it is due after the request.
  using Frames = ReplyPlan;
  void handle(const zk::Frame& ARequest, Frames& AOut);
  void reply(Frames& AOut, const zk::Frame& ARequest, std::uint16_t ACommand,
             const std::string& APayload = {}) const;
  void readChunk(const zk::Frame& ARequest, Frames& AOut);

  std::string FFirmware = "Ver 6.60 Apr 28 2015";
  zk::DateTime FTimeBase;
  std::chrono::steady_clock::time_point FTimeSetAt;
  bool FTimeRunning = true;
  std::optional<std::uint32_t> FCommKey;
  std::vector<zk::AttRecord> FLog;

  std::size_t FSmallBufferLimit = 1024;
  std::size_t FDataFrameLimit = 0;
  std::uint32_t FDataFrameGapMs = 0;
  bool FRefuseClear = false;
  std::uint16_t FLargeBufferReply = zk::CMD_ACK_OK;
  std::uint16_t FNextSessionId = 0x8DF3;

  // What belongs to one connection.
  struct Session {
    zk::FrameReceiver Receiver;
    std::uint16_t SessionId = 0;  // 0: no session on this connection
    bool Authenticated = false;
    bool CloseRequested = false;
    std::optional<std::string> PreparedBuffer;  // the buffer of the large-data path being read
  };
  std::map<int, Session> FSessions;
  int FCurrent = 0;
  Session& Current() { return FSessions[FCurrent]; }
  const Session& Current() const { return const_cast<ZkTerminalModel*>(this)->FSessions[FCurrent]; }
  int FLogReads = 0;
  std::vector<std::pair<int, zk::AttRecord>> FDuringRead;

  std::vector<std::uint16_t> FCommands;
  int FBadChecksumFrames = 0;
};

}  // namespace sim
