// Feeds arbitrary clock replies, in arbitrary pieces and with arbitrary timing, to the clock
// object's operations on a line of the virtual platform: the byte channel and the reply waits,
// the text reply collection and cleaning, the HDLC receiver and session, and every operation's
// reading of what came back (identification, firmware, device description, date and time,
// status, serial number, the answer to a setting, records and pictures). The input format is in
// ExchangeScript.h.
//
// Besides memory errors and undefined behaviour (under the sanitizers), it checks what must hold
// whatever a clock sends:
// - no exception leaves these operations: the link reports failure by an empty reply and the
//   operations by their results;
// - every operation ends within the time its tries and timeouts allow (virtual time, so a wait
//   that never ends is found as such and not as a slow input);
// - the clock object's short strings keep their limits, a failed detection leaves "Unknown"
//   and CTUnknown, and a record handed out has a card number of digits (and blanks).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ExchangeScript.h"
#include "connections/ClockSet.h"
#include "inproc/VirtualPlatform.h"
#include "utils/MessageHook.h"
#include "utils/TextFields.h"

namespace {

void Check(bool ACondition) {
  if (!ACondition) std::abort();
}

// Far beyond the longest operation here (an HDLC date-time read of a silent clock takes some
// four minutes of tries), far below a wait without end.
constexpr std::uint64_t kLongestOperationMs = 30ull * 60 * 1000;

constexpr TClockNumber kClockNumbers[] = {1, 2, 12, 32};

void RunOperation(TClockSet& ALine, TBasicClock& AClock, fuzzexchange::Operation AOp) {
  using fuzzexchange::Operation;
  switch (AOp) {
    case Operation::DetectTal:
    case Operation::DetectEmber: {
      const bool found = AClock.Detect(AOp == Operation::DetectTal ? cstKRTal : cstKREmber);
      if (!found) {
        Check(AClock.ClockName == "Unknown");
        Check(AClock.ClockType == CTUnknown);
      }
      Check(!AClock.DetectionUnderWay());
      break;
    }
    case Operation::DateTime: {
      TDateStr date;
      TTimeStr time;
      AClock.MustReadDateTime = true;
      (void)AClock.GetDateTime(date, time);
      Check(date.size() <= 10 && time.size() <= 5);
      break;
    }
    case Operation::Status: {
      // An empty clock's date is read for the empty stamp; on a clock whose firmware is not
      // known yet, that read detects the clock first, which asks for its status again.
      const bool firmwareKnown = !TrimBlanks(AClock.FirmwareVer).empty();
      const bool empty = AClock.IsEmpty();
      if (firmwareKnown) Check(empty == AClock.WasEmpty());
      // A status is one byte; on RS485 a reply cut short by the timeout stays undecoded.
      Check(AClock.StatusCode().size() <= (ALine.Protocol() == RS485 ? 5u : 1u));
      break;
    }
    case Operation::TextExchange: {
      std::string reply;
      AClock.SendCommand(std::string(1, '\x18'), 26, std::string(3, '\x01'), "", reply);
      break;
    }
    case Operation::RawExchange: {
      std::string reply;
      AClock.SendCommandWithoutDecoding("ACM?\r", 8, reply);
      Check(reply.size() <= 8);
      break;
    }
    case Operation::SerialNumber: {
      AClock.ClockType = KREmber;
      const std::string serial = AClock.GetSerialNo();
      for (char c : serial) Check(c >= '0' && c <= '9');
      break;
    }
    case Operation::SetDateTime:
      (void)AClock.SetDateTime("1403/09/18", "10:30");
      Check(!AClock.InSetDateTime);
      break;
    case Operation::Records:
      for (int i = 0; i < 4; ++i) {
        const TVexRecord record = AClock.GetRecord();
        Check(record.Date.size() <= 10 && record.Time.size() <= 5);
        if (record.KartNo.empty()) break;
        // Decimal digits, on the text protocol possibly behind blanks.
        for (char c : record.KartNo)
          Check((c >= '0' && c <= '9') || static_cast<unsigned char>(c) <= 0x20);
        AClock.NextRecord();
      }
      break;
    case Operation::Picture: {
      AClock.SetGetIOImage(true);
      (void)AClock.GetRecord();
      std::string picture;
      (void)AClock.GetRecordImage(&picture);
      break;
    }
    case Operation::Count:
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  static const TScopedMessageHook quiet(
      [](const std::string&, TMsgDlgType, TMsgDlgButtons, std::int32_t) { return int(mrOk); });

  const fuzzexchange::Script script = fuzzexchange::Decode(AData, ASize);
  const auto op = static_cast<fuzzexchange::Operation>(
      script.Op % static_cast<std::uint8_t>(fuzzexchange::Operation::Count));

  // Near the wrap-around the waits must still measure their time right.
  const std::uint32_t startTick = (script.Line & 0x20) ? 0xFFFFF000u : 1000u;
  sim::ScopedVirtualPlatform vp(startTick);
  fuzzexchange::ScriptedClock device(script.Replies);
  vp.P.Wire.setModel(&device);

  TClockSet line;
  const int protocol = script.Line & 3;
  line.SetProtocol(protocol == 1 ? RS485 : protocol == 2 ? ptHdlc : RS232);
  if (script.Line & 0x04) {
    line.ChangeConnectionType(TcpIp);
    line.ChangeSocketAddress("127.0.0.1");
    line.ChangeSocketPort(1001);
  } else if (script.Line & 0x40) {
    line.ChangeBaudRate(br57600);
  }
  TBasicClock& clock = *line.Clocks().front();
  clock.ClockNumber = kClockNumbers[(script.Line >> 3) & 3];
  if (script.Line & 0x80) clock.FirmwareVer = "VER 3.10";

  const std::uint64_t before = vp.P.Clock.elapsed();
  RunOperation(line, clock, op);
  Check(vp.P.Clock.elapsed() - before <= kLongestOperationMs);
  return 0;
}
