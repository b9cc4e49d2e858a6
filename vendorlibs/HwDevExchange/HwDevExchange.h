#pragma once
// The exchange between the project's own HwDevComm library and a face-recognition terminal (or
// the simulator standing in for one). The full description, with examples, is in
// docs/hwdevcomm-exchange.md; this file and that document must change together.
//
// In short: one TCP connection per command. The library sends one request frame and reads one
// reply frame, then closes the connection.
//   request: "HWDEV/1 EXEC " <D> " " <C> "\n" <D bytes device-description text> <C bytes command>
//   reply:   "HWDEV/1 " <code> " " <R> "\n" <R bytes reply text>
// Lengths and the code are decimal numbers without sign or leading blanks. Code 0 means the
// command was carried out; any other code is a refusal (see THwDevCode).
//
// The codec is shared by the library (vendorlibs/HwDevComm) and the simulator (sim/models), so
// both ends agree byte for byte. Everything it reads comes from the other end of a socket and is
// checked against the limits below before it is used.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace hwdev {

inline constexpr std::string_view kMagic = "HWDEV/1";
// The header line, "\n" included, is never longer than this.
inline constexpr std::size_t kMaxHeaderLength = 64;
inline constexpr std::size_t kMaxDeviceInfoLength = 64 * 1024;
inline constexpr std::size_t kMaxCommandLength = 1024 * 1024;
// Room for a record reply with a photo per record; the buffer grows only as bytes arrive.
inline constexpr std::size_t kMaxReplyLength = 256 * 1024 * 1024;

// The code of a reply frame.
enum THwDevCode : int {
  hcDone = 0,            // carried out; the reply text is the terminal's answer
  hcRefused = 1,         // wrong password or device id
  hcUnknownCommand = 2,  // the terminal does not know the command
  hcMalformed = 3,       // the request frame could not be read
};

enum class TDecodeResult {
  Incomplete,  // more bytes are needed
  Complete,    // one frame decoded; AConsumed bytes belong to it
  Malformed,   // the bytes are not a frame of this exchange
};

struct THwDevRequest {
  std::string DeviceInfo;
  std::string Command;
};

struct THwDevReply {
  int Code = hcDone;
  std::string Text;
};

std::string EncodeRequest(std::string_view ADeviceInfo, std::string_view ACommand);
std::string EncodeReply(int ACode, std::string_view AText);

// Decode one frame from the start of ABuffer.
TDecodeResult DecodeRequest(std::string_view ABuffer, THwDevRequest& ARequest,
                            std::size_t& AConsumed);
TDecodeResult DecodeReply(std::string_view ABuffer, THwDevReply& AReply, std::size_t& AConsumed);

// The value of `name = "value"` in a device-description or command text: the name as a whole
// word (not the tail of a longer name), blanks allowed on both sides of "=", the value between
// double quotes. None when the name is absent or its value is not quoted and closed.
std::optional<std::string> FindQuotedValue(std::string_view AText, std::string_view AName);

}  // namespace hwdev
