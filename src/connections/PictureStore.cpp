#include "connections/PictureStore.h"

#include <cstdint>
#include <limits>
#include <string>

#include "calendar/TrimBlanks.h"
#include "calendar/VexDateTime.h"
#include "platform/DurableFile.h"

namespace {

bool IsSafe(char ACh) {
  return (ACh >= '0' && ACh <= '9') || (ACh >= 'A' && ACh <= 'Z') || (ACh >= 'a' && ACh <= 'z') ||
         ACh == '-';
}

std::string SafeText(const std::string& AText) {
  std::string out = AText;
  for (char& ch : out)
    if (!IsSafe(ch)) ch = '_';
  return out.empty() ? std::string("_") : out;
}

// AText as a decimal number without leading zeros, when it is a (signed) number that fits 64
// bits; nothing otherwise.
bool DecimalText(const std::string& AText, std::string& AOut) {
  std::size_t i = 0;
  bool negative = false;
  if (i < AText.size() && (AText[i] == '-' || AText[i] == '+')) negative = AText[i++] == '-';
  if (i >= AText.size()) return false;
  const std::uint64_t limit =
      static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
  std::uint64_t value = 0;
  for (; i < AText.size(); ++i) {
    const char c = AText[i];
    if (c < '0' || c > '9') return false;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (limit - digit) / 10) return false;
    value = value * 10 + digit;
  }
  AOut = value == 0 ? "0" : (negative ? "-" : "") + std::to_string(value);
  return true;
}

}  // namespace

std::string PictureDayFolder(const TRecordDay& ADay) {
  return ADay.Valid ? ADay.Date : "undated";
}

std::string PictureFileStem(const TVexRecord& ARecord) {
  const std::string kartNo = TrimBlanks(ARecord.KartNo);
  std::string card;
  if (!DecimalText(kartNo, card)) card = SafeText(kartNo);
  std::string time = ARecord.Time;
  if (time.size() >= 5 && time[2] == ':') time = time.substr(0, 2) + time.substr(3, 2);
  return card + "_" + SafeText(time);
}

std::string TPictureStore::Store(const TVexRecord& ARecord, const TRecordDay& ADay,
                                 const std::string& APicture, std::string& AError) const {
  const std::string folder = FFolder + "/" + PictureDayFolder(ADay);
  if (!platform::MakeFolders(folder, AError)) return {};
  const std::string stem = folder + "/" + PictureFileStem(ARecord);
  for (int n = 0; n < kMaxSameName; ++n) {
    const std::string path = stem + (n == 0 ? "" : "_" + std::to_string(n)) + ".jpg";
    switch (platform::CreateDurableFile(path, APicture, AError)) {
      case platform::TCreateOutcome::Created:
        return path;
      case platform::TCreateOutcome::Failed:
        return {};
      case platform::TCreateOutcome::Exists:
        break;
    }
  }
  AError = stem + ".jpg: " + std::to_string(kMaxSameName) + " pictures of that name are there";
  return {};
}
