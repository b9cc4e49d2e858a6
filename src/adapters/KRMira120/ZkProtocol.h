#pragma once
// The binary protocol that the second kind of face-recognition terminal speaks on TCP port 4370:
// framing, checksum, the terminal's time encoding, the attendance buffer and its records, and the
// comm-key scrambling. Used by the terminal client (ZkemClient) and by the simulator's terminal.
//
// A TCP frame is an 8-byte prefix (magic 50 50 82 7D, then the u32 length of the body) followed
// by the body: an 8-byte header (u16 command, u16 checksum, u16 session id, u16 reply id) and the
// payload. Every integer is little-endian. Everything read from the wire goes through the
// bounds-checked readers below; no parser here trusts a length it was given.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zk {

// Command and reply codes.
constexpr std::uint16_t CMD_ATTLOG_RRQ = 13;
constexpr std::uint16_t CMD_CLEAR_ATTLOG = 15;
constexpr std::uint16_t CMD_GET_FREE_SIZES = 50;
constexpr std::uint16_t CMD_GET_TIME = 201;
constexpr std::uint16_t CMD_SET_TIME = 202;
constexpr std::uint16_t CMD_REG_EVENT = 500;
constexpr std::uint16_t CMD_CONNECT = 1000;
constexpr std::uint16_t CMD_EXIT = 1001;
constexpr std::uint16_t CMD_ENABLEDEVICE = 1002;
constexpr std::uint16_t CMD_DISABLEDEVICE = 1003;
constexpr std::uint16_t CMD_REFRESHDATA = 1013;
constexpr std::uint16_t CMD_GET_VERSION = 1100;
constexpr std::uint16_t CMD_AUTH = 1102;
constexpr std::uint16_t CMD_PREPARE_DATA = 1500;
constexpr std::uint16_t CMD_DATA = 1501;
constexpr std::uint16_t CMD_FREE_DATA = 1502;
constexpr std::uint16_t CMD_PREPARE_BUFFER = 1503;  // buffered read of a whole table
constexpr std::uint16_t CMD_READ_BUFFER = 1504;     // one chunk of a prepared buffer
constexpr std::uint16_t CMD_ACK_OK = 2000;
constexpr std::uint16_t CMD_ACK_ERROR = 2001;
constexpr std::uint16_t CMD_ACK_DATA = 2002;
constexpr std::uint16_t CMD_ACK_UNAUTH = 2005;
constexpr std::uint16_t CMD_ACK_UNKNOWN = 0xFFFF;

constexpr int kDefaultPort = 4370;
constexpr std::size_t kPrefixSize = 8;
constexpr std::size_t kHeaderSize = 8;
// The largest body accepted from the wire. A chunk of the large-data path is 65472 bytes; only
// the small-data path of an unusual terminal could send more in one frame.
constexpr std::uint32_t kMaxBodySize = 4u * 1024u * 1024u;
// The chunk size of the large-data path on TCP (65472 + 8 still fits a 16-bit length).
constexpr std::uint32_t kChunkSize = 65472;
// The largest attendance buffer a terminal may announce (about 1.6 million 40-byte records).
constexpr std::uint32_t kMaxBufferSize = 64u * 1024u * 1024u;
// The "ticks" byte of the comm-key scrambling, as the terminals' own clients send it.
constexpr std::uint8_t kCommKeyTicks = 50;
// The payload of the buffered-read request for the attendance log: 01, inner command 13, fct 0,
// ext 0.
std::string AttendanceReadRequest();

// ---- little-endian helpers; the readers fail instead of reading past the end ----
void PutU16(std::string& AOut, std::uint16_t AValue);
void PutU32(std::string& AOut, std::uint32_t AValue);
bool ReadU16(const std::string& AData, std::size_t AOffset, std::uint16_t& AValue);
bool ReadU32(const std::string& AData, std::size_t AOffset, std::uint32_t& AValue);

// ---- frames ----
struct Frame {
  std::uint16_t Command = 0;
  std::uint16_t Checksum = 0;
  std::uint16_t SessionId = 0;
  std::uint16_t ReplyId = 0;
  std::string Payload;
};

// Ones' complement of the 16-bit ones' complement sum of the body read as little-endian words
// (an odd last byte is a word with high byte 0), with the body's checksum field counted as 0.
std::uint16_t Checksum(const std::string& ABody);
std::string BuildBody(std::uint16_t ACommand, std::uint16_t ASessionId, std::uint16_t AReplyId,
                      const std::string& APayload);
// Prefix and body, checksum filled in.
std::string BuildFrame(std::uint16_t ACommand, std::uint16_t ASessionId, std::uint16_t AReplyId,
                       const std::string& APayload = {});
// Splits a body into header and payload; false when it is shorter than the header.
bool ParseBody(const std::string& ABody, Frame& AFrame);
bool IsChecksumValid(const std::string& ABody);
// The reply id that follows AReplyId (0..65534, then 0 again).
std::uint16_t NextReplyId(std::uint16_t AReplyId);

// Cuts frames out of a TCP byte stream, which may split or merge them.
class FrameReceiver {
 public:
  enum class Status { NeedMore, FrameReady, Corrupt };

  void Feed(const std::string& ABytes);
  // Takes the next whole frame. Corrupt: the bytes at the head are no frame (wrong magic, or a
  // length below the header or above kMaxBodySize); they stay until Resync or Clear.
  Status Next(Frame& AFrame, bool* AChecksumValid = nullptr);
  // Drops bytes up to the next magic after the head, for a peer that can recover.
  void Resync();
  void Clear();
  std::size_t Buffered() const { return FBuffer.size() - FStart; }

 private:
  void Compact();
  std::string FBuffer;
  std::size_t FStart = 0;
};

// ---- the terminal's time: every month counted as 31 days, only year % 100 stored ----
struct DateTime {
  int Year = 0;
  int Month = 0;
  int Day = 0;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  bool operator==(const DateTime&) const = default;
};
// Empty for a year outside 2000..2099 or a field out of its range (day 1..31, no check against
// the month's real length, as on the terminal).
std::optional<std::uint32_t> EncodeTime(const DateTime& ATime);
DateTime DecodeTime(std::uint32_t AValue);

// ---- the attendance buffer: u32 total (record bytes), then the records back to back ----
struct AttRecord {
  std::uint16_t Uid = 0;
  std::string UserId;
  std::uint8_t VerifyMode = 0;
  DateTime Time;
  std::uint8_t InOutMode = 0;
  std::uint32_t WorkCode = 0;
  bool operator==(const AttRecord&) const = default;
};

enum class BufferError { None, TooShort, TotalBeyondData, UnknownRecordSize };
// Reads every record. The record size is 40 bytes (TCP firmware) when the total is a multiple of
// 40, else 16, else 8; a total that fits none of them, or claims more bytes than the buffer holds,
// is an error and yields no records. Bytes after the total are ignored.
BufferError ParseAttendanceBuffer(const std::string& ABuffer, std::vector<AttRecord>& ARecords);
// The 40-byte form: u16 uid, char[24] user id (NUL-padded, cut to 24), u8 verify mode,
// u32 encoded time (unaligned), u8 in/out mode, 8 reserved bytes. A time that cannot be encoded is
// written as 0.
std::string EncodeRecord40(const AttRecord& ARecord);
std::string BuildAttendanceBuffer(const std::vector<AttRecord>& ARecords);

// ---- comm key ----
// The 4-byte CMD_AUTH payload for a numeric comm key and the session id the terminal issued.
std::string MakeCommKey(std::uint32_t AKey, std::uint16_t ASessionId,
                        std::uint8_t ATicks = kCommKeyTicks);

}  // namespace zk
