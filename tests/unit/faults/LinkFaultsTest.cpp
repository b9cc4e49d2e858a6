// Faults of the link found while building the fault matrix, each pinned by the case that showed
// it.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>

#include "link/HdlcFrame.h"
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

std::string Frame(bool AAck, bool ANack, bool ABusy, bool ASession, const std::string& AData) {
  THdlcPacket p;
  p.SourceAddress = 1;
  p.DestAddress = HdlcComputerAddress;
  p.Ack = AAck;
  p.Nack = ANack;
  p.Busy = ABusy;
  p.Session = ASession;
  p.Data = AData;
  return BuildHdlcFrame(p);
}

// A clock that closes the session (Nack + Session) at every command, with a data byte in its
// closing frame. After the last try the exchange has no answer: the closing frame is no reply,
// even though it carries data, and no valid packet is left for the operations to read. (The
// closing frame of the last try was kept as the last packet, valid, and its data came back as
// the reply: a status query read 00h from it as "no records".)
using SessionFaults = LinkFixture;

TEST_F(SessionFaults, SessionClosedOnTheLastTryLeavesNoAnswer) {
  line.SetProtocol(ptHdlc);
  const std::string grant = Frame(true, false, false, true, "");
  const std::string closing = Frame(false, true, false, true, std::string(1, '\x00'));
  for (int attempt = 0; attempt < 3; ++attempt) {
    device.then(grant);
    device.then(closing);
  }
  const THdlcPacket answer = clock().SendHdlcCommand("\x02");
  EXPECT_FALSE(answer.IsValid);
  EXPECT_FALSE(clock().LastHdlcPacket().IsValid);
  EXPECT_FALSE(clock().SessionIsOpen());
  // Three session requests, three commands.
  EXPECT_EQ(device.Received.size(), 6u);
}

}  // namespace
