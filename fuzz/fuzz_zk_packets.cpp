// Fuzzes everything that reads bytes from a KR-Mira120 terminal: the frame receiver, the
// attendance buffer parser, and the client with the adapter on top of it, fed terminal answers
// made from the input.
//
// The input is a script of answers. Each answer is a kind byte, a 16-bit length and that many
// bytes; the terminal plays the next answer for each request the client sends:
//   kind % 4 == 0: the bytes as they are (any stream, framed or not);
//   kind % 4 == 1: one frame answering the request, its code taken from the first two bytes;
//   kind % 4 == 2: one frame answering the request with a code from a list of likely ones;
//   kind % 4 == 3: silence.
// The adapter runs on the virtual clock and a read that finds nothing waits its whole timeout in
// virtual time, as a silent terminal would: every wait and transfer cap is exercised without
// costing real time (a long wait answered by silence once spun on the real clock for minutes).
// Build: clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address with the sources of
// src/adapters/KRMira120, src/calendar and src/platform and Qt Core and Network.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "adapters/KRMira120/KRMira120.h"
#include "calendar/ConvertError.h"
#include "adapters/KRMira120/ZkProtocol.h"
#include "adapters/KRMira120/ZkemClient.h"
#include "inproc/VirtualPlatform.h"

namespace {

class FuzzTerminal : public ITcpStream {
 public:
  FuzzTerminal(std::string AScript, sim::VirtualClock& AClock)
      : FScript(std::move(AScript)), FClock(AClock) {}

  bool open(const std::string&, int, int) override {
    FOpen = FPos < FScript.size();  // a used-up script refuses further connections
    FReceiver.Clear();
    FPending.clear();
    return FOpen;
  }
  void close() override { FOpen = false; }
  bool isOpen() const override { return FOpen; }
  bool send(const std::string& ABytes) override {
    if (!FOpen) return false;
    FReceiver.Feed(ABytes);
    zk::Frame F;
    while (FReceiver.Next(F) == zk::FrameReceiver::Status::FrameReady) Answer(F);
    return true;
  }
  std::string receive(int ATimeoutMs) override {
    if (FPending.empty() && ATimeoutMs > 0) FClock.advance(static_cast<std::uint32_t>(ATimeoutMs));
    std::string Out;
    Out.swap(FPending);
    return Out;
  }

 private:
  void Answer(const zk::Frame& ARequest) {
    if (FPos + 3 > FScript.size()) return;
    const std::uint8_t Kind = static_cast<std::uint8_t>(FScript[FPos]);
    std::uint16_t Length = 0;
    zk::ReadU16(FScript, FPos + 1, Length);
    const std::string Bytes = FScript.substr(FPos + 3, Length);
    FPos += 3 + Bytes.size();
    static const std::uint16_t kCodes[] = {zk::CMD_ACK_OK,    zk::CMD_PREPARE_DATA,
                                           zk::CMD_DATA,      zk::CMD_ACK_UNAUTH,
                                           zk::CMD_ACK_ERROR, zk::CMD_REG_EVENT};
    switch (Kind % 4) {
      case 0:
        FPending += Bytes;
        break;
      case 1: {
        std::uint16_t Code = 0;
        zk::ReadU16(Bytes, 0, Code);
        FPending += zk::BuildFrame(Code, 0x1234, ARequest.ReplyId,
                                   Bytes.size() > 2 ? Bytes.substr(2) : std::string());
        break;
      }
      case 2:
        FPending += zk::BuildFrame(kCodes[(Kind / 4) % 6], 0x1234, ARequest.ReplyId, Bytes);
        break;
      default:
        break;
    }
  }

  std::string FScript;
  sim::VirtualClock& FClock;
  std::size_t FPos = 0;
  bool FOpen = false;
  zk::FrameReceiver FReceiver;
  std::string FPending;
};

void FuzzReceiver(const std::string& AData) {
  zk::FrameReceiver Receiver;
  const std::size_t Half = AData.size() / 2;
  Receiver.Feed(AData.substr(0, Half));
  Receiver.Feed(AData.substr(Half));
  for (int Step = 0; Step < 64 && Receiver.Buffered() > 0; ++Step) {
    zk::Frame F;
    bool Valid = false;
    const zk::FrameReceiver::Status S = Receiver.Next(F, &Valid);
    if (S == zk::FrameReceiver::Status::NeedMore) break;
    if (S == zk::FrameReceiver::Status::Corrupt) Receiver.Resync();
  }
}

void FuzzAdapter(const std::string& AScript) {
  sim::ScopedVirtualPlatform Virtual;
  // The program's own timeouts: they cost only virtual time.
  const TZkemClientSettings Settings;
  TKrMira120 Adapter(
      "127.0.0.1", 4370, 1, "",
      std::make_unique<TZkemClient>(Settings, std::make_unique<FuzzTerminal>(AScript, Virtual.P.Clock)));
  Adapter.Connect();
  Adapter.GetFirmwareVersion();
  TDateStr Date;
  TTimeStr Time;
  try {
    Adapter.GetDateTime(Date, Time);
  } catch (const EConvertError&) {
    // A device time that does not exist reaches the caller as a conversion error.
  }
  Adapter.SetDateTime("87/01/01", "10:15");
  for (int Round = 0; Round < 3; ++Round) {
    int Handed = 0;
    while (Adapter.IsEmpty() == 0 && Handed++ < 1000) {
      try {
        Adapter.GetRecord();
      } catch (const std::exception&) {
        // An impossible record date reaches the caller as a conversion error.
      }
      Adapter.NextRecord();
    }
  }
  Adapter.DeleteAllRecord();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  const std::string Data(reinterpret_cast<const char*>(AData), ASize);
  FuzzReceiver(Data);
  std::vector<zk::AttRecord> Records;
  zk::ParseAttendanceBuffer(Data, Records);
  std::uint32_t Value = 0;
  if (zk::ReadU32(Data, 0, Value)) zk::EncodeTime(zk::DecodeTime(Value));
  FuzzAdapter(Data);
  return 0;
}
