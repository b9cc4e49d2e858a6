// The project's own HwDevComm library: the single entry point HwDev_Execute carries one text
// command to a face-recognition terminal over TCP and returns the terminal's reply text.
//
// The exchange with the terminal (frames, codes, limits) is described in
// docs/hwdevcomm-exchange.md and coded in vendorlibs/HwDevExchange.
#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <QTcpSocket>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "HwDevExchange/HwDevExchange.h"

#if defined(_WIN32)
#define HWDEV_EXPORT extern "C" __declspec(dllexport)
#define HWDEV_CALL __stdcall
#else
#define HWDEV_EXPORT extern "C" __attribute__((visibility("default")))
#define HWDEV_CALL
#endif

namespace {

// HwDev_Execute's results besides 0 (carried out) and the terminal's own refusal codes (> 0).
enum : int {
  kBadArguments = -1,    // a null pointer or a negative length
  kBadDeviceInfo = -2,   // no usable ip_address or port_number in the device description
  kNoConnection = -3,    // the terminal could not be reached in time
  kSendFailed = -4,      // the request could not be written
  kNoReply = -5,         // the reply did not arrive whole in time
  kMalformedReply = -6,  // the bytes that came back are not a reply frame
};

constexpr int kConnectTimeoutMs = 5000;
// The longest wait for the next piece of a reply, and for the whole reply.
constexpr int kReplyTimeoutMs = 15000;
constexpr int kTotalTimeoutMs = 120000;

int EnvMs(const char* AName, int ADefault) {
  const char* text = std::getenv(AName);
  if (text == nullptr || *text == '\0') return ADefault;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value <= 0 || value > 600000) return ADefault;
  return static_cast<int>(value);
}

// The reply handed out by the last call on this thread; valid until the next call.
thread_local std::string LastReply;

}  // namespace

HWDEV_EXPORT int HWDEV_CALL HwDev_Execute(const char* ADeviceInfo, int ADeviceInfoLength,
                                          const char* ACommand, int ACommandLength, char** AReply,
                                          int* AReplyLength, void* /*AReserved*/) {
  if (ADeviceInfo == nullptr || ACommand == nullptr || AReply == nullptr ||
      AReplyLength == nullptr || ADeviceInfoLength < 0 || ACommandLength < 0) {
    return kBadArguments;
  }
  *AReply = nullptr;
  *AReplyLength = 0;
  const std::string_view deviceInfo(ADeviceInfo, static_cast<std::size_t>(ADeviceInfoLength));
  const std::string_view command(ACommand, static_cast<std::size_t>(ACommandLength));
  if (deviceInfo.size() > hwdev::kMaxDeviceInfoLength ||
      command.size() > hwdev::kMaxCommandLength) {
    return kBadArguments;
  }

  const auto address = hwdev::FindQuotedValue(deviceInfo, "ip_address");
  const auto portText = hwdev::FindQuotedValue(deviceInfo, "port_number");
  if (!address || address->empty() || !portText) return kBadDeviceInfo;
  bool portOk = false;
  const int port = QString::fromStdString(*portText).toInt(&portOk);
  if (!portOk || port <= 0 || port > 65535) return kBadDeviceInfo;

  QTcpSocket socket;
  socket.connectToHost(QString::fromStdString(*address), static_cast<quint16>(port));
  if (!socket.waitForConnected(EnvMs("HWDEVCOMM_CONNECT_TIMEOUT_MS", kConnectTimeoutMs))) {
    return kNoConnection;
  }
  const std::string request = hwdev::EncodeRequest(deviceInfo, command);
  if (socket.write(request.data(), static_cast<qint64>(request.size())) !=
      static_cast<qint64>(request.size())) {
    return kSendFailed;
  }
  const int replyTimeout = EnvMs("HWDEVCOMM_REPLY_TIMEOUT_MS", kReplyTimeoutMs);
  while (socket.bytesToWrite() > 0) {
    if (!socket.waitForBytesWritten(replyTimeout)) return kSendFailed;
  }

  const QDeadlineTimer deadline(EnvMs("HWDEVCOMM_TOTAL_TIMEOUT_MS", kTotalTimeoutMs));
  std::string received;
  hwdev::THwDevReply reply;
  for (;;) {
    std::size_t consumed = 0;
    const hwdev::TDecodeResult state = hwdev::DecodeReply(received, reply, consumed);
    if (state == hwdev::TDecodeResult::Complete) break;
    if (state == hwdev::TDecodeResult::Malformed) return kMalformedReply;
    if (deadline.hasExpired()) return kNoReply;
    const int wait = static_cast<int>(std::min<qint64>(replyTimeout, deadline.remainingTime()));
    if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(wait)) return kNoReply;
    const QByteArray piece = socket.readAll();
    received.append(piece.constData(), static_cast<std::size_t>(piece.size()));
  }
  socket.disconnectFromHost();
  if (reply.Code != hwdev::hcDone) return reply.Code > 0 ? reply.Code : kMalformedReply;
  if (reply.Text.size() > static_cast<std::size_t>(INT_MAX)) return kMalformedReply;
  LastReply = std::move(reply.Text);
  *AReply = LastReply.data();
  *AReplyLength = static_cast<int>(LastReply.size());
  return 0;
}
