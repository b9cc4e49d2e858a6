#pragma once
// The link layer of one line: every byte between the clock objects of a line and their clocks
// passes here. The line owns it and gives it what it needs through ILinkLine; a clock object
// calls it with a TLinkStation that names the clock and carries the clock's HDLC session.
//
// Failures are reported by what comes back (an empty reply, a packet that is not valid), never
// by an exception, except where a comment says otherwise.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "link/HdlcFrame.h"
#include "link/LinkLine.h"
#include "link/LinkStation.h"

class ISerialPort;
class ITcpClient;
class TDeadline;

class TClockLink {
 public:
  // ALine may be nullptr: such a link has no channel, and reads as a cable line on RS232.
  explicit TClockLink(ILinkLine* ALine);
  TClockLink(const TClockLink&) = delete;
  TClockLink& operator=(const TClockLink&) = delete;

  // ---- The line, as asked afresh on every call ----
  TConnectionType ConnectionType() const;
  TProtocol Protocol() const;
  ISerialPort* ComPort() const;
  ITcpClient* TcpIpPort() const;
  bool ModemConnected() const;
  // False when the line has no component for its connection type.
  bool HasChannel() const;
  // The reply timeout of the connection type, in milliseconds.
  int ReplyTimeout() const;
  // The timeout of a text reply while clocks are detected: 1000 ms on a modem line, else 300 ms.
  int DetectionTimeout() const;
  // The line's speed in bit/s: the serial port's; the slowest line speed (kSlowestLineBits) for
  // a TCP/IP line or a custom speed, whose real speed is not known here.
  int LineBitsPerSecond() const;
  // Milliseconds ABytes take at the line's speed (LineBytesMs).
  std::uint32_t LineTransferMs(std::uint64_t ABytes) const;
  // The longest one HDLC reception with the timeout ATimeoutMs may take, however its bytes
  // trickle in: the timeout plus the longest legal frame at the line's speed.
  std::uint32_t HdlcPacketCapMs(std::uint32_t ATimeoutMs) const;
  // How often an operation sends its command, for this line and a clock of AClockType.
  int Tries(TClockType AClockType) const;
  // False when an exchange must not start: no component, a modem dialogue, a dead modem line.
  bool CanExchange() const;

  // ---- Byte channel ----
  // Prepares the channel (opens the port or connects the socket), makes sure of the station's
  // HDLC session, and writes ACommand encoded for the protocol. Errors of the port propagate.
  void WriteCommand(const TLinkStation& AStation, const std::string& ACommand);
  // At most ACount bytes that have already arrived; never waits. Errors of the port propagate.
  void ReadChannel(int ACount, std::string& AData);
  // Discards the input that has arrived and not been read.
  void ClearChannel();

  // ---- Command exchange ----
  // One question to the clock: writes ACommand, collects, cleans and decodes the reply. '' on
  // failure. AReplyLength completes a text reply; AReplyStart is what it must begin with ('' for
  // anything); ASavedReply is what had arrived of it already. On an HDLC line ACommand is a
  // whole frame and the reply is the data of the answer. Raises only for HDLC receive errors
  // other than a closed session.
  std::string SendCommand(const TLinkStation& AStation, const std::string& ACommand,
                          int AReplyLength, const std::string& AReplyStart,
                          const std::string& ASavedReply);
  // The HDLC exchange: AData goes to the station in a command frame, with the session and tries
  // of SendCommand. Returns the answer with its flags; IsValid is false when no usable answer
  // came (silence, a busy clock, a closed session, no channel, a failed write).
  THdlcPacket SendHdlcCommand(const TLinkStation& AStation, std::string_view AData);
  // Writes AData to the station in a command frame (WriteCommand), for the transfers that
  // receive their answers themselves (ReceiveHdlcPacket).
  void WriteHdlcCommand(const TLinkStation& AStation, std::string_view AData);
  // Raw bytes until ACount, the one-byte answer "I", or the reply timeout.
  std::string GetResultWithoutDecoding(int ACount);
  // Writes ACommand, then collects its raw reply as GetResultWithoutDecoding.
  std::string SendCommandWithoutDecoding(const TLinkStation& AStation, const std::string& ACommand,
                                         int ACount);
  // RS485: the bus frame for the station; RS232 and HDLC: ACommand unchanged.
  std::string EncodeCommand(const TLinkStation& AStation, const std::string& ACommand) const;
  // Text protocols: a reply of six bytes yields its fourth; anything else passes unchanged.
  std::string DecodeReply(const std::string& AReply) const;

  // ---- HDLC session (opened on demand before a data frame goes out) ----
  // On an HDLC line, opens the station's session when it is not open.
  void CheckHdlcSession(const TLinkStation& AStation);
  // Asks the clock for a session, with the station's tries (once for a quick probe).
  void OpenHdlcSession(const TLinkStation& AStation);
  // Receives one frame; IsValid tells whether one came. Raises HardwareSessionClosedException
  // when the clock says it closed the session (not while the session is being opened).
  THdlcPacket ReceiveHdlcPacket(const TLinkStation& AStation);

  // ---- Modem dialogue (a Hayes modem on the line's serial port) ----
  // Dials the line's phone number; AResult is one of the outcome messages, '' without a number.
  // The station's session guards the AT commands as it guards every write.
  void Dial(const TLinkStation& AStation, std::string& AResult);
  // Back to command mode and hang up. False when the line has no serial port.
  bool HangUp(const TLinkStation& AStation);
  // Makes a dial or hang-up under way give up at its next pass.
  void CancelDial() { FDialCanceled = true; }
  std::string PhoneNumber() const;
  // Lets the line breathe, then sleeps whatever remains of AMinimumMs.
  void Breathe(std::uint16_t AMinimumMs);
  // The speed the modem reported with its last connection.
  const std::string& ConnectSpeed() const { return FConnectSpeed; }
  // A dialogue owns the serial port: commands go out unchanged and every reply wait stops.
  bool InWorkWithModem() const { return FInWorkWithModem; }

 private:
  void ReportTraffic(TTrafficDirection ADirection, const std::string& AData);
  // The pause between empty polls, spent waiting on the port where there is one.
  void IdleWait(int AMs);
  // The common reply wait, until ADeadline. AWant gives the byte count to ask for; AOnData
  // handles an arrival and returns true when the wait is over. AOnData may restart the deadline.
  void RunReplyWait(TDeadline& ADeadline, const std::function<int()>& AWant,
                    const std::function<bool(const std::string&)>& AOnData);
  // The exchange behind SendCommand and SendHdlcCommand; APacket receives the HDLC answer.
  std::string Exchange(const TLinkStation& AStation, const std::string& ACommand,
                       int AReplyLength, const std::string& AReplyStart,
                       const std::string& ASavedReply, THdlcPacket& APacket);
  // One HDLC reply of an exchange: the packet, invalid when there is no usable answer.
  THdlcPacket ReceiveHdlcReply(const TLinkStation& AStation, bool ALastTry);
  std::string ReceiveTextReply(const TLinkStation& AStation, int AReplyLength,
                               const std::string& AReplyStart, const std::string& ASavedReply);
  // The modem's answer to a dialogue command, collected upper-cased until one of AWords, a
  // cancel, or the minute; true when the dial was canceled.
  bool CollectModemAnswer(std::string& AText, std::initializer_list<const char*> AWords);

  ILinkLine* FLine;
  // Bytes taken from the socket and not yet handed out (TCP/IP lines). The bytes before
  // FTcpReadOffset have been handed out already: the buffer is consumed from the front without
  // moving what follows on every read, so that a long stream read a byte at a time costs time in
  // proportion to its length.
  std::string FTcpReadBuffer;
  std::size_t FTcpReadOffset = 0;
  bool FInWorkWithModem = false;
  bool FDialCanceled = false;
  std::string FConnectSpeed;
};
