#include "HwDevExchange/HwDevExchange.h"

#include <vector>

// Frame layout and limits: docs/hwdevcomm-exchange.md.
namespace hwdev {
namespace {

// A decimal number of 1 to 9 digits, nothing else.
std::optional<std::size_t> ReadCount(std::string_view AText) {
  if (AText.empty() || AText.size() > 9) return std::nullopt;
  std::size_t value = 0;
  for (char c : AText) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  return value;
}

std::vector<std::string_view> SplitBlanks(std::string_view AText) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= AText.size()) {
    std::size_t blank = AText.find(' ', start);
    if (blank == std::string_view::npos) blank = AText.size();
    parts.push_back(AText.substr(start, blank - start));
    start = blank + 1;
  }
  return parts;
}

// The header line without its "\n", or Incomplete/Malformed.
TDecodeResult ReadHeader(std::string_view ABuffer, std::string_view& AHeader) {
  const std::size_t limit = ABuffer.size() < kMaxHeaderLength ? ABuffer.size() : kMaxHeaderLength;
  const std::size_t newline = ABuffer.substr(0, limit).find('\n');
  if (newline == std::string_view::npos) {
    if (ABuffer.size() >= kMaxHeaderLength) return TDecodeResult::Malformed;
    // A prefix that can no longer become the magic word is garbage already.
    const std::size_t n = ABuffer.size() < kMagic.size() ? ABuffer.size() : kMagic.size();
    if (ABuffer.substr(0, n) != kMagic.substr(0, n)) return TDecodeResult::Malformed;
    return TDecodeResult::Incomplete;
  }
  AHeader = ABuffer.substr(0, newline);
  return TDecodeResult::Complete;
}

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

std::string EncodeRequest(std::string_view ADeviceInfo, std::string_view ACommand) {
  std::string frame;
  frame.reserve(kMaxHeaderLength + ADeviceInfo.size() + ACommand.size());
  frame += kMagic;
  frame += " EXEC ";
  frame += std::to_string(ADeviceInfo.size());
  frame += ' ';
  frame += std::to_string(ACommand.size());
  frame += '\n';
  frame += ADeviceInfo;
  frame += ACommand;
  return frame;
}

std::string EncodeReply(int ACode, std::string_view AText) {
  std::string frame;
  frame.reserve(kMaxHeaderLength + AText.size());
  frame += kMagic;
  frame += ' ';
  frame += std::to_string(ACode < 0 ? 0 : ACode);
  frame += ' ';
  frame += std::to_string(AText.size());
  frame += '\n';
  frame += AText;
  return frame;
}

TDecodeResult DecodeRequest(std::string_view ABuffer, THwDevRequest& ARequest,
                            std::size_t& AConsumed) {
  std::string_view header;
  const TDecodeResult state = ReadHeader(ABuffer, header);
  if (state != TDecodeResult::Complete) return state;
  const std::vector<std::string_view> parts = SplitBlanks(header);
  if (parts.size() != 4 || parts[0] != kMagic || parts[1] != "EXEC") {
    return TDecodeResult::Malformed;
  }
  const auto infoLength = ReadCount(parts[2]);
  const auto commandLength = ReadCount(parts[3]);
  if (!infoLength || !commandLength || *infoLength > kMaxDeviceInfoLength ||
      *commandLength > kMaxCommandLength) {
    return TDecodeResult::Malformed;
  }
  const std::size_t bodyStart = header.size() + 1;
  const std::size_t total = bodyStart + *infoLength + *commandLength;
  if (ABuffer.size() < total) return TDecodeResult::Incomplete;
  ARequest.DeviceInfo = std::string(ABuffer.substr(bodyStart, *infoLength));
  ARequest.Command = std::string(ABuffer.substr(bodyStart + *infoLength, *commandLength));
  AConsumed = total;
  return TDecodeResult::Complete;
}

TDecodeResult DecodeReply(std::string_view ABuffer, THwDevReply& AReply, std::size_t& AConsumed) {
  std::string_view header;
  const TDecodeResult state = ReadHeader(ABuffer, header);
  if (state != TDecodeResult::Complete) return state;
  const std::vector<std::string_view> parts = SplitBlanks(header);
  if (parts.size() != 3 || parts[0] != kMagic) return TDecodeResult::Malformed;
  const auto code = ReadCount(parts[1]);
  const auto length = ReadCount(parts[2]);
  if (!code || !length || *length > kMaxReplyLength) return TDecodeResult::Malformed;
  const std::size_t bodyStart = header.size() + 1;
  if (ABuffer.size() < bodyStart + *length) return TDecodeResult::Incomplete;
  AReply.Code = static_cast<int>(*code);
  AReply.Text = std::string(ABuffer.substr(bodyStart, *length));
  AConsumed = bodyStart + *length;
  return TDecodeResult::Complete;
}

std::optional<std::string> FindQuotedValue(std::string_view AText, std::string_view AName) {
  if (AName.empty()) return std::nullopt;
  std::size_t from = 0;
  while (from < AText.size()) {
    const std::size_t at = AText.find(AName, from);
    if (at == std::string_view::npos) return std::nullopt;
    from = at + 1;
    if (at > 0 && IsNameChar(AText[at - 1])) continue;
    std::size_t i = at + AName.size();
    while (i < AText.size() && AText[i] == ' ') ++i;
    if (i >= AText.size() || AText[i] != '=') continue;
    ++i;
    while (i < AText.size() && AText[i] == ' ') ++i;
    if (i >= AText.size() || AText[i] != '"') continue;
    const std::size_t close = AText.find('"', i + 1);
    if (close == std::string_view::npos) return std::nullopt;
    return std::string(AText.substr(i + 1, close - i - 1));
  }
  return std::nullopt;
}

}  // namespace hwdev
