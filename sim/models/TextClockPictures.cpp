// The picture commands of a text-protocol clock, and its spoiled records.
#include <cstdio>

#include "models/ClockPictures.h"
#include "models/TextClockModel.h"

namespace sim {

namespace {

const std::string kHead("\x01\x01\x01", 3);
constexpr char kCR = '\x0D';
const std::string kCameraQuery("ACM?");
const std::string kPointerQuery("ARI?");
const std::string kPictureRequest("RDML=");
constexpr std::size_t kAddressDigits = 6;
constexpr int kAddressBase = 20000;
constexpr int kAddressStep = 20;
// "RDML=", six digits and the terminator.
constexpr std::size_t kPictureRequestLength = 5 + kAddressDigits + 1;
// What a clock answers to a command it does not know.
const std::string kUnknown("I");

// On a bus "ACM?^" and "ARI?^" are answered head, text, the XOR of the text, CR.
std::string framedAnswer(const std::string& AText) {
  unsigned char x = 0;
  for (unsigned char ch : AText) x ^= ch;
  return kHead + AText + static_cast<char>(x) + kCR;
}

bool isDigit(char ACh) {
  return ACh >= '0' && ACh <= '9';
}

// Whether AInput agrees with the command form AForm so far ('#' stands for a digit, '$' for the
// terminator CR).
bool agrees(const std::string& AInput, const std::string& AForm) {
  for (std::size_t i = 0; i < AInput.size() && i < AForm.size(); ++i) {
    const char want = AForm[i];
    if (want == '#' ? !isDigit(AInput[i]) : want == '$' ? AInput[i] != kCR : AInput[i] != want)
      return false;
  }
  return true;
}

}  // namespace

bool TextClockModel::isPictureCommand(const std::string& ACommand) {
  return ACommand.rfind(kCameraQuery, 0) == 0 || ACommand.rfind(kPointerQuery, 0) == 0 ||
         ACommand.rfind(kPictureRequest, 0) == 0;
}

int TextClockModel::pictureCommandLength(const std::string& AInput) {
  static const std::string kForms[] = {kCameraQuery + "$", kPointerQuery + "$",
                                       kPictureRequest + std::string(kAddressDigits, '#') + "$"};
  bool mayFollow = false;
  for (const auto& form : kForms) {
    if (!agrees(AInput, form)) continue;
    if (AInput.size() >= form.size()) return static_cast<int>(form.size());
    mayFollow = true;
  }
  return mayFollow ? 0 : -1;
}

ModelReply TextClockModel::pictureAnswer(const std::string& ACommand, bool ARs485) {
  ModelReply r;
  r.Command = ACommand;
  if (!FS.Camera) {
    r.Bytes = kUnknown;
    return r;
  }
  const char end = ARs485 ? '^' : kCR;
  if (ACommand == kCameraQuery + end) {
    r.Bytes = ARs485 ? framedAnswer("YES") : "YES" + std::string(1, kCR);
  } else if (ACommand == kPointerQuery + end) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%05d", static_cast<int>(FS.RecordPointer % 100000));
    r.Bytes = ARs485 ? framedAnswer(digits) : digits + std::string(1, kCR);
  } else if (ACommand.size() == kPictureRequestLength && ACommand.back() == end &&
             agrees(ACommand.substr(0, kPictureRequestLength - 1),
                    kPictureRequest + std::string(kAddressDigits, '#'))) {
    const int address = std::stoi(ACommand.substr(kPictureRequest.size(), kAddressDigits));
    std::string picture;
    if ((address - kAddressBase) % kAddressStep == 0) {
      const long index =
          static_cast<long>((address - kAddressBase) / kAddressStep) - FS.RecordPointer;
      if (index >= 0 && index < static_cast<long>(FS.Records.size()))
        picture = FS.Records[static_cast<std::size_t>(index)].Picture;
    }
    auto blocks = imageBlocks(picture);
    spoilImageBlocks(blocks, FShaper, ACommand);
    for (const auto& b : blocks) r.Bytes += b;
    return r;
  }
  if (!r.Bytes.empty() && ARs485) r.CheckByteIndex = static_cast<int>(r.Bytes.size()) - 2;
  return r;
}

std::string TextClockModel::corruptRecordReply(const ClockRecord& ARecord) const {
  ClockRecord spoiled = ARecord;
  spoiled.When.Hour = 25;
  return recordReply(spoiled);
}

}  // namespace sim
