#pragma once
// The terminal control spoken directly over the terminals' TCP protocol (port 4370), without the
// maker's COM control: connect (with an optional comm key), firmware version, device time, the
// whole attendance log by the small or the large-data path, and clearing the log.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "adapters/KRMira120/ZkProtocol.h"
#include "adapters/KRMira120/ZkemControl.h"
#include "platform/TcpStream.h"

class TDeadline;

// The slowest a terminal may send its log: 8000 bytes a second (a 64 kbit/s line). A whole-log
// read must end within the reply timeout plus the log's size at that speed.
inline constexpr std::uint32_t kZkSlowestLogBytesPerSecond = 8000;

struct TZkemClientSettings {
  // The terminal's comm key; sent only when the terminal asks for one (0 = none configured).
  std::uint32_t CommKey = 0;
  int ConnectTimeoutMs = 3000;
  // How long one reply frame may take to come.
  int ReplyTimeoutMs = 5000;
  // A terminal prepares its attendance log before it answers the read: the wait for that answer
  // grows by this much per 10,000 records it says it holds, up to PrepareTimeoutCapMs.
  int PrepareMsPer10000Records = 2000;
  int PrepareTimeoutCapMs = 120000;
};

// The longest reading a log buffer of ABytes may take with the reply timeout AReplyTimeoutMs.
std::uint32_t LogTransferCapMs(std::uint32_t ABytes, int AReplyTimeoutMs);

class TZkemClient : public IZkemControl {
 public:
  // AStream: the connection to the terminals; by default a blocking TCP stream of the installed
  // platform.
  explicit TZkemClient(TZkemClientSettings ASettings = {},
                       std::unique_ptr<ITcpStream> AStream = nullptr);
  ~TZkemClient() override;
  TZkemClient(const TZkemClient&) = delete;
  TZkemClient& operator=(const TZkemClient&) = delete;

  int MachineNumber() const override { return FMachineNumber; }
  void SetMachineNumber(int AValue) override { FMachineNumber = AValue; }

  bool Connect_Net(const std::wstring& IPAdd, int Port) override;
  bool GetFirmwareVersion(int dwMachineNumber, std::string& strVersion) override;
  bool GetDeviceTime(int dwMachineNumber, int& dwYear, int& dwMonth, int& dwDay, int& dwHour,
                     int& dwMinute, int& dwSecond) override;
  bool SetDeviceTime2(int dwMachineNumber, int dwYear, int dwMonth, int dwDay, int dwHour,
                      int dwMinute, int dwSecond) override;
  // Asks the terminal's record count first: the wait for the prepared log grows with it.
  bool ReadAllGLogData(int dwMachineNumber) override;
  bool GetLastError(int& dwErrorCode) override;
  bool SSR_GetGeneralLogData(int dwMachineNumber, std::string& dwEnrollNumber, int& dwVerifyMode,
                             int& dwInOutMode, int& dwYear, int& dwMonth, int& dwDay, int& dwHour,
                             int& dwMinute, int& dwSecond, int& dwWorkCode) override;
  bool ClearGLog(int dwMachineNumber) override;
  // Only kZkStatusRecordCount is known: the records counter of the terminal's sizes reply.
  bool GetDeviceStatus(int dwMachineNumber, int dwStatus, int& dwValue) override;

  // Ends the session (CMD_EXIT) and closes the connection.
  void Disconnect();
  bool IsConnected() const { return FConnected; }
  std::uint16_t SessionId() const { return FSessionId; }

 private:
  // Sends one request and waits for the reply frame that carries its reply id.
  bool Request(std::uint16_t ACommand, const std::string& APayload, zk::Frame& AReply);
  bool Send(std::uint16_t ACommand, const std::string& APayload);
  // The next frame that answers the last request; false on timeout, a closed stream or a stream
  // that is not frames (the connection is dropped then).
  bool ReceiveReply(zk::Frame& AFrame, const TDeadline& ADeadline);
  // APrepareMs: how long the terminal may take to answer the read request.
  bool ReadAttendanceBuffer(std::string& ABuffer, int APrepareMs);
  // The wait for the read request's answer, from the records the terminal says it holds.
  int PrepareTimeoutMs();
  // One chunk of the buffer; every wait ends by ATransfer, the deadline of the whole buffer.
  bool ReadChunk(std::uint32_t AStart, std::uint32_t ALength, std::string& ABuffer,
                 const TDeadline& ATransfer);
  bool Fail(int AErrorCode);
  bool OpenSession();
  bool NeedConnection();
  void DropConnection();
  TDeadline ReplyDeadline() const;
  TDeadline ReplyDeadline(int AMs) const;

  TZkemClientSettings FSettings;
  std::unique_ptr<ITcpStream> FStream;
  zk::FrameReceiver FReceiver;
  int FMachineNumber = 1;
  bool FConnected = false;
  std::uint16_t FSessionId = 0;
  std::uint16_t FReplyId = 0;      // reply id of the last request sent
  std::uint16_t FNextReplyId = 0;  // CMD_CONNECT goes out with 0, every later request with +1
  // Where the last successful Connect_Net went: a call that finds the connection lost connects
  // there again once, since the adapter above only connects when it thinks it is not connected.
  std::string FHost;
  int FPort = 0;
  bool FHaveTarget = false;
  int FLastError = kZkOk;
  std::vector<zk::AttRecord> FLog;
  std::size_t FLogIndex = 0;
};
