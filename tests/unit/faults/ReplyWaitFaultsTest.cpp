// Faults of the reply waits found while building the fault matrix, each pinned by the case that
// showed it.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>

#include "link/LinkFixture.h"

namespace {

using testsupport::Bytes;

class ReplyWaitFaults : public LinkFixture, public ::testing::WithParamInterface<bool> {
 protected:
  ReplyWaitFaults() {
    if (GetParam()) useTcp();
    // A wait that does not let time pass would run for ever in virtual time: it is stopped
    // after far more message rounds than any real wait makes.
    vp.P.Clock.OnProcessMessages = [this] {
      if (++Rounds > 100000) throw std::runtime_error("the wait polls without time passing");
    };
  }
  int Rounds = 0;
};

// A text exchange whose saved reply is already as long as the reply asks for nothing more. The
// clock's answer is there but is not read: the wait lasts its timeout, then hands back the saved
// reply. (Waiting for input that is already there returned at once, so the wait spun; in virtual
// time it never ended.)
TEST_P(ReplyWaitFaults, WholeSavedReplyWaitsItsTimeoutWithoutSpinning) {
  const std::string saved = Bytes({1, 1, 1, 0x41, 0x41});
  device.then(Bytes({1, 1, 1, 0x42, 0x42}));
  const auto start = now();
  std::string reply;
  ASSERT_NO_THROW(reply = send("\x03", 5, "", saved));
  EXPECT_EQ(reply, saved);
  EXPECT_GE(now() - start, 7000u);
  EXPECT_LE(now() - start, 7000u + 50 + (GetParam() ? 5 : 0));
  EXPECT_LT(Rounds, 200);
}

// A long stream on a TCP/IP line read a byte at a time (as the HDLC receiver reads) costs time in
// proportion to its length: the read buffer is not moved along on every byte.
TEST_P(ReplyWaitFaults, LongStreamReadAByteAtATime) {
  const std::string stream(4 << 20, '\x55');
  device.then(stream);
  clock().WriteCommand("\x01");
  vp.P.Clock.advance(10);
  std::string all, piece;
  const auto wallStart = std::chrono::steady_clock::now();
  for (;;) {
    clock().ReadChannel(1, piece);
    if (piece.empty()) break;
    all += piece;
  }
  const auto wall = std::chrono::steady_clock::now() - wallStart;
  EXPECT_EQ(all.size(), stream.size());
  // Quadratic handling of four megabytes takes minutes; linear handling well under a second.
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(wall).count(), 10000);
}

INSTANTIATE_TEST_SUITE_P(Lines, ReplyWaitFaults, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& AInfo) {
                           return std::string(AInfo.param ? "Tcp" : "Cable");
                         });

}  // namespace
