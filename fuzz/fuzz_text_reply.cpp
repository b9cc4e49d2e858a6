// Feeds arbitrary bytes to the handling of text-protocol replies: the cleaning that runs after
// every arrival (in pieces whose sizes come from the input), the decoding of wrapped short
// answers, the check byte, and the identification reply of a detection. Besides memory errors
// (under AddressSanitizer) and any exception, it checks what must hold for any reply:
// - cleaning only ever drops bytes from the front: the reply stays a suffix of what arrived;
// - without a reply start, a cleaned reply holds no byte 01h or begins with one, and on RS485 it
//   is empty or begins with 01h;
// - a decoded reply is the reply itself or its fourth byte alone;
// - a clock name is taken only from a reply that begins with 01 01 01 and holds a CR, and is
//   no longer than what stood between them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "clock/VexClock.h"
#include "link/ByteUtils.h"

namespace {

void Check(bool ACondition) {
  if (!ACondition) std::abort();
}

bool EndsWith(const std::string& AText, const std::string& ASuffix) {
  return ASuffix.size() <= AText.size() &&
         AText.compare(AText.size() - ASuffix.size(), ASuffix.size(), ASuffix) == 0;
}

// The collection of one reply as the command exchange does it, with every invariant checked
// after each arrival.
void CollectInPieces(const std::string& ABytes, const std::string& AReplyStart, TProtocol AProtocol,
                     std::size_t AFirstPiece) {
  std::string reply;
  std::string arrived;  // everything since the reply was last emptied
  std::size_t piece = AFirstPiece;
  for (std::size_t at = 0; at < ABytes.size(); at += piece, piece = piece % 7 + 1) {
    const std::string chunk = ABytes.substr(at, piece);
    reply += chunk;
    arrived += chunk;
    const std::size_t before = reply.size();
    CleanReplyAfterArrival(reply, AReplyStart, AProtocol);
    Check(reply.size() <= before);
    Check(EndsWith(arrived, reply));
    if (AReplyStart.empty() && !reply.empty()) {
      const std::size_t one = reply.find('\x01');
      Check(one == std::string::npos || one == 0);
    }
    if (AProtocol == RS485 && AReplyStart.empty()) Check(reply.empty() || reply[0] == '\x01');
    if (reply.empty()) arrived.clear();
  }
  const std::string decoded = DecodeReplyBytes(AProtocol, reply);
  Check(decoded == reply || (reply.size() == 6 && decoded == reply.substr(3, 1)));
  (void)IsReplyChecksumValid(reply);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  if (ASize == 0) return 0;
  // The first byte chooses the reply start and the piece sizes; the rest is the reply.
  const std::uint8_t control = AData[0];
  const std::string bytes(reinterpret_cast<const char*>(AData + 1), ASize - 1);
  static const std::string kStarts[] = {"", std::string(3, '\x01'), "G", "\x01\x02"};
  const std::string& start = kStarts[control & 3];
  const std::size_t firstPiece = 1 + (control >> 2) % 7;

  CollectInPieces(bytes, start, RS232, firstPiece);
  CollectInPieces(bytes, start, RS485, firstPiece);

  // The whole reply at once, as a long arrival would bring it.
  std::string whole = bytes;
  CleanReplyAfterArrival(whole, start, RS232);
  Check(EndsWith(bytes, whole));

  // The identification reply of a detection.
  TBasicClock clock(nullptr, 1);
  std::string identification = bytes;
  const std::string nameBefore = clock.ClockName;
  if (clock.TakeClockName(identification)) {
    Check(bytes.compare(0, 3, std::string(3, '\x01')) == 0);
    Check(bytes.find('\r', 3) != std::string::npos);
    Check(clock.ClockName.size() + 4 <= bytes.size());
  } else {
    Check(clock.ClockName == nameBefore);
  }
  std::string text = bytes;
  clock.ClassifyClockName(text);
  Check(text.size() == bytes.size());
  return 0;
}
