// Pictures taken with attendance records.
//
// Whether the clock has a camera: "ACM?" CR on RS232, answered "YES..." (a clock without one
// answers "I", the reply to a command it does not know); "ACM?^" on RS485, answered 01 01 01,
// the text, a check byte and one more byte ("I" comes alone); on HDLC the device description
// carries a "CAM" field.
// Where the current record's picture lies: "ARI?" CR (RS232, five decimal digits and CR),
// "ARI?^" (RS485, framed like "ACM?^"), "Q" 20h on HDLC (the clock's read position, least
// significant byte first). The HDLC record index of a picture is that read position plus the
// records of the current block already released by this program.
// The transfers: "RDML=" and the address (pointer * 20 + 20000, six digits), then CR or "^",
// answered by 512-byte image blocks (RecordImages.h). HDLC: "0" and the record index (three
// bytes), answered by the same blocks, each in two frames of 256 data bytes. Ember: "2S", the
// record index and B8h ask for the number of data packets ("S", index, B8h, three bytes of
// count; "2" when there is no picture); "2D", the index and a packet number (three bytes) ask
// for one packet ("D", index, number, image bytes).
#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "clock/ClockOpsSupport.h"
#include "clock/RecordImages.h"
#include "clock/VexClock.h"
#include "link/ByteUtils.h"
#include "link/ClockLink.h"
#include "platform/Deadline.h"
#include "platform/Platform.h"

using clockops::CopyText;

namespace {

const std::string kCameraQueryRs232("ACM?\r");
const std::string kCameraQueryRs485("ACM?^");
constexpr int kCameraReplyRs232 = 4;
constexpr int kCameraReplyRs485 = 8;
const std::string kPointerQueryRs232("ARI?\r");
const std::string kPointerQueryRs485("ARI?^");
constexpr int kPointerReplyRs232 = 6;
constexpr int kPointerReplyRs485 = 10;
const std::string kHdlcPointerQuery("Q\x20", 2);
// The answer of a text clock to a command it does not know.
const std::string kUnknownCommand("I");
constexpr std::uint32_t kCameraRetryPauseMs = 1000;
constexpr std::uint32_t kFailedTransferPauseMs = 2000;
constexpr std::uint32_t kFramePauseMs = 50;
constexpr std::uint32_t kEmberBadAnswerPauseMs = 500;
constexpr std::uint32_t kEmberAfterClearPauseMs = 1000;
constexpr std::size_t kEmberSizeAnswerLength = 8;
constexpr std::size_t kEmberDataHeaderLength = 7;
constexpr unsigned char kEmberSizeMark = 0xB8;
// Bytes on the wire for one image block: 512 on the text lines; on HDLC two frames of 256 data
// bytes with header and CRC, every byte stuffed at worst, and their flags.
constexpr std::size_t kTextBlockWireBytes = kImageBlockSize;
constexpr std::size_t kHdlcBlockWireBytes =
    2 * (2 * (HdlcHeaderSize + kImageBlockHalfSize + HdlcCrcSize) + 2);

std::string PictureTooLargeText() {
  return "picture larger than " + std::to_string(kMaxPictureBytes) + " bytes";
}

std::string PictureTooSlowText(std::uint32_t ACapMs) {
  return "picture transfer took longer than " + std::to_string((ACapMs + 999) / 1000) + " s";
}

// The decimal number of a short text field: optional leading blanks and sign, then digits only.
bool ReadDecimal(const std::string& AText, std::int32_t& AValue) {
  std::size_t i = 0;
  while (i < AText.size() && AText[i] == ' ') ++i;
  bool negative = false;
  if (i < AText.size() && (AText[i] == '-' || AText[i] == '+')) negative = AText[i++] == '-';
  if (i == AText.size()) return false;
  std::int32_t value = 0;
  for (; i < AText.size(); ++i) {
    if (AText[i] < '0' || AText[i] > '9') return false;
    value = value * 10 + (AText[i] - '0');  // at most five digits: no overflow
  }
  AValue = negative ? -value : value;
  return true;
}

// An RS485 answer of a text clock: the last byte dropped, the rest framed by the head and a
// check byte. The text between them, or false when the check byte is wrong.
bool UnframeRs485Answer(std::string AReply, std::string& AText) {
  if (!AReply.empty()) AReply.pop_back();
  if (!IsReplyChecksumValid(AReply)) return false;
  AText = CopyText(AReply, 4, AReply.size() - 4);
  return true;
}

std::int32_t AddWrapping(std::int32_t A, std::int32_t B) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(A) + static_cast<std::uint32_t>(B));
}

}  // namespace

bool TBasicClock::IsImageBlockValid(const std::string& ABlock, int AN) {
  return ::IsImageBlockValid(ABlock, AN);
}

void TBasicClock::CheckCaptureImageCapability() {
  ClockHasCaptureImageCapability = false;
  if (ClockType == KRMiraClock) {
    MustCheckClockHasCaptureImageCapability = false;
    return;
  }
  bool answered = false;
  bool firstI = true;
  const TProtocol protocol = GetProtocol();
  const int tries = Tries();
  for (int attempt = 0; attempt < tries; ++attempt) {
    try {
      std::string reply;
      if (protocol == ptHdlc) {
        // Every try reads the description again; the try then goes on like a text try that got
        // no answer.
        ReadDeviceInfo();
        ClockHasCaptureImageCapability = FHdlcDevCam == "CAM";
        answered = true;
      } else if (protocol == RS232) {
        SendCommandWithoutDecoding(kCameraQueryRs232, kCameraReplyRs232, reply);
      } else {
        SendCommandWithoutDecoding(kCameraQueryRs485, kCameraReplyRs485, reply);
        if (reply != kUnknownCommand && !UnframeRs485Answer(reply, reply)) continue;
      }
      reply = clockops::UpperText(reply);
      if (reply.rfind("YES", 0) == 0) {
        ClockHasCaptureImageCapability = true;
        answered = true;
        break;
      }
      if (reply == kUnknownCommand) {
        // A clock without a camera does not know the question; once may be a line fault.
        if (firstI) {
          firstI = false;
          continue;
        }
        ClockHasCaptureImageCapability = false;
        answered = true;
        break;
      }
      PauseProcessingMessages(kCameraRetryPauseMs);
      ClearChannel();
    } catch (const std::exception&) {
      ClockHasCaptureImageCapability = false;
    }
  }
  // A clock that never answered clearly is asked again before the next record.
  MustCheckClockHasCaptureImageCapability = !answered;
}

std::int32_t TBasicClock::ReadImagePointer() {
  const TProtocol protocol = GetProtocol();
  const int tries = Tries();
  for (int attempt = 0; attempt < tries; ++attempt) {
    try {
      std::string reply;
      std::int32_t value = 0;
      if (protocol == ptHdlc) {
        const THdlcPacket answer = SendHdlcCommand(kHdlcPointerQuery);
        // An empty answer or one of more than eight bytes is no number: the next try.
        if (answer.IsValid)
          return static_cast<std::int32_t>(
              static_cast<std::uint64_t>(BytesToInt64(answer.Data)) & 0xFFFFFFFFu);
      } else if (protocol == RS232) {
        SendCommandWithoutDecoding(kPointerQueryRs232, kPointerReplyRs232, reply);
        if (ReadDecimal(CopyText(reply, 1, 5), value)) return value;
      } else {
        SendCommandWithoutDecoding(kPointerQueryRs485, kPointerReplyRs485, reply);
        std::string text;
        if (UnframeRs485Answer(reply, text) && ReadDecimal(CopyText(text, 1, 5), value))
          return value;
      }
    } catch (const std::exception&) {
    }
  }
  return -1;
}

std::uint32_t TBasicClock::PictureTransferCapMs(std::size_t ABlockWireBytes,
                                                std::uint32_t ABlockPauseMs) {
  const std::uint64_t ms =
      std::uint64_t{Link().LineTransferMs(kMaxPictureBlocks * ABlockWireBytes)} +
      std::uint64_t{kMaxPictureBlocks} * ABlockPauseMs +
      static_cast<std::uint64_t>(GetReplyTimeout());
  return ms > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(ms);
}

bool TBasicClock::GetRecordImage(std::string* AData) {
  FImageError.clear();
  if (ClockType == KRMiraClock || !ClockHasCaptureImageCapability || !AData) return false;
  AData->clear();
  if (GetProtocol() == ptHdlc)
    return ClockType == KREmber ? ReadEmberImage(*AData) : ReadImageBlocks(*AData);
  return ReadTextImage(*AData);
}

bool TBasicClock::ReadTextImage(std::string& AData) {
  const std::int32_t pointer = ReadImagePointer();
  if (pointer == -1) return false;
  std::string address;
  if (!TextImageAddress(pointer, address)) return false;
  const std::string request = "RDML=" + address + (GetProtocol() == RS485 ? "^" : "\r");
  return ReadNumberedImage(request, AData, PictureTransferCapMs(kTextBlockWireBytes, 0),
                           [this](std::string& ABlock) {
                             GetResultWithoutDecoding(static_cast<int>(kImageBlockSize), ABlock);
                             return true;
                           });
}

bool TBasicClock::ReadImageBlocks(std::string& AStream) {
  const std::string request =
      "0" + RecordIndexBytes(AddWrapping(FHdlcReadPointer, FHdlcReadPointerOffset));
  ISystemClock& clock = platform::Clock();
  const std::uint32_t capMs = PictureTransferCapMs(kHdlcBlockWireBytes, 2 * kFramePauseMs);
  return ReadNumberedImage(request, AStream, capMs, [this, &clock](std::string& ABlock) {
    // Two frames of 256 data bytes make one block.
    for (int half = 0; half < 2; ++half) {
      clock.sleep(kFramePauseMs);
      THdlcPacket packet;
      try {
        ReceiveHdlcPacket(packet);
      } catch (const std::exception&) {
        return false;
      }
      if (!packet.IsValid || packet.Data.size() != kImageBlockHalfSize) return false;
      ABlock += packet.Data;
    }
    return true;
  });
}

bool TBasicClock::ReadNumberedImage(const std::string& ARequest, std::string& APicture,
                                    std::uint32_t ACapMs,
                                    const std::function<bool(std::string&)>& AReceiveBlock) {
  bool failed = false;
  bool bad = false;
  const int tries = Tries();
  for (int attempt = 0; attempt < tries; ++attempt) {
    // Each try starts afresh: a picture never holds a failed try's bytes.
    APicture.clear();
    failed = false;
    bad = false;
    try {
      if (GetProtocol() == ptHdlc)
        WriteHdlcCommand(ARequest);
      else
        WriteCommand(ARequest);
    } catch (const std::exception&) {
      return false;
    }
    const TDeadline transfer(ACapMs);
    for (int expected = 0;; ++expected) {
      std::string block;
      TImageBlockStep step;
      try {
        // The blocks are numbered: a block that went missing in between must fail the try, not
        // leave a hole in the picture.
        if (AReceiveBlock(block)) step = TakeImageBlock(block, expected, APicture);
      } catch (const std::exception&) {
        step.Outcome = TImageBlockOutcome::Failed;
      }
      if (step.Outcome == TImageBlockOutcome::Failed) {
        failed = true;
        PauseProcessingMessages(kFailedTransferPauseMs);
        ClearChannel();
        break;
      }
      if (step.Outcome == TImageBlockOutcome::BadCheck) bad = true;
      if (step.Last) break;
      // A clock that sends more than any clock holds would do so again: no further try.
      if (static_cast<std::size_t>(expected) + 1 >= kMaxPictureBlocks) {
        FImageError = PictureTooLargeText();
        APicture.clear();
        ClearChannel();
        return false;
      }
      if (transfer.expired()) {
        FImageError = PictureTooSlowText(ACapMs);
        failed = true;
        ClearChannel();
        break;
      }
    }
    if (!failed && !bad) break;
  }
  if (!failed) FImageError.clear();
  return !failed;
}

bool TBasicClock::ReadEmberImage(std::string& AStream) {
  const std::string index = RecordIndexBytes(AddWrapping(FHdlcReadPointer, FHdlcReadPointerOffset));
  const int tries = Tries();
  ISystemClock& clock = platform::Clock();

  // How many data packets the picture takes.
  std::uint32_t size = 0;
  bool lastFailed = false;
  for (int attempt = 0; attempt < tries; ++attempt) {
    THdlcPacket packet;
    try {
      WriteHdlcCommand("2S" + index + static_cast<char>(kEmberSizeMark));
      ReceiveHdlcPacket(packet);
    } catch (const std::exception&) {
      packet.IsValid = false;
    }
    lastFailed = !packet.IsValid || packet.Data.size() < kEmberSizeAnswerLength;
    if (lastFailed) {
      // "2": the clock has no picture for this record.
      if (packet.IsValid && packet.Data == "2") break;
      continue;
    }
    const std::string& data = packet.Data;
    if (data[0] == 'S' && data.compare(1, 3, index) == 0 &&
        static_cast<unsigned char>(data[4]) == kEmberSizeMark) {
      size = static_cast<std::uint32_t>(BytesToInt64(data.substr(5, 3)));
      break;
    }
  }
  if (size == 0 || lastFailed) return false;
  // Every packet carries at least one byte: a count beyond the largest picture is refused before
  // it is followed.
  if (size > kMaxPictureBytes) {
    FImageError = PictureTooLargeText();
    return false;
  }
  const std::uint32_t capMs = PictureTransferCapMs(kHdlcBlockWireBytes, 2 * kFramePauseMs);
  const TDeadline transfer(capMs);

  std::string picture;
  int failures = 0;
  for (std::uint32_t number = 0;;) {
    clock.processMessages();
    clock.sleep(kFramePauseMs);
    const std::string numberBytes = RecordIndexBytes(static_cast<std::int32_t>(number));
    bool good = false;
    try {
      THdlcPacket packet;
      WriteHdlcCommand("2D" + index + numberBytes);
      ReceiveHdlcPacket(packet);
      const std::string& data = packet.Data;
      good = packet.IsValid && data.size() >= kEmberDataHeaderLength && data[0] == 'D' &&
             data.compare(1, 3, index) == 0 && data.compare(4, 3, numberBytes) == 0;
      if (good) picture.append(data, kEmberDataHeaderLength);
    } catch (const std::exception&) {
      good = false;
    }
    if (picture.size() > kMaxPictureBytes) {
      FImageError = PictureTooLargeText();
      return false;
    }
    if (transfer.expired()) {
      FImageError = PictureTooSlowText(capMs);
      return false;
    }
    if (good) {
      if (number == size - 1) break;
      ++number;
      continue;
    }
    PauseProcessingMessages(kEmberBadAnswerPauseMs);
    ClearChannel();
    PauseProcessingMessages(kEmberAfterClearPauseMs);
    if (failures >= tries) return false;
    ++failures;
  }
  AStream = picture;
  return true;
}
