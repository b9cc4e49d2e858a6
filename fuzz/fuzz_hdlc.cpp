// Feeds arbitrary bytes to the HDLC frame parser and the stream receiver. Besides memory errors
// (under AddressSanitizer) it checks what must hold for any input:
// - a frame that parses, rebuilt and parsed again, gives the same packet;
// - the stream receiver never holds more than its bound and only hands out valid packets that
//   survive the same rebuild.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "link/HdlcFrame.h"
#include "link/HdlcStreamReceiver.h"

namespace {

void Check(bool ACondition) {
  if (!ACondition) std::abort();
}

void CheckRebuild(const THdlcPacket& APacket) {
  Check(APacket.IsValid);
  Check(APacket.Data.size() <= HdlcMaxDataLength);
  THdlcPacket again;
  Check(ParseHdlcFrame(BuildHdlcFrame(APacket), again));
  Check(again == APacket);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  const std::string_view input(reinterpret_cast<const char*>(AData), ASize);

  // The input as one frame.
  (void)UnstuffHdlcFrame(input);
  THdlcPacket packet;
  if (ParseHdlcFrame(input, packet)) CheckRebuild(packet);

  // The input as a stream, in pieces whose sizes come from the input itself.
  THdlcStreamReceiver receiver;
  std::string_view rest = input;
  std::size_t piece = ASize == 0 ? 1 : 1 + AData[0] % 16;
  while (!rest.empty()) {
    const std::string_view chunk = rest.substr(0, piece);
    const std::size_t consumed = receiver.feed(chunk);
    Check(consumed <= chunk.size());
    Check(receiver.bufferedBytes() <= THdlcStreamReceiver::MaxBufferedBytes);
    rest.remove_prefix(consumed);
    if (auto received = receiver.takePacket()) {
      CheckRebuild(*received);
    } else {
      Check(consumed == chunk.size());
    }
    piece = piece % 16 + 1;
  }
  return 0;
}
