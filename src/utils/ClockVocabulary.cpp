#include "utils/ClockVocabulary.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {
constexpr std::array<const char*, kProtocolCount> kProtocolNames = {"RS232", "RS485", "Hdlc"};
constexpr std::array<const char*, kClockTypeCount> kClockTypeNames = {
    "Unknown", "MX4100", "KRTal", "Lumen", "KRCorax", "KRMira", "KROptica", "KRMira120", "KREmber"};
}  // namespace

std::string ProtocolToStr(TProtocol AProtocol) {
  return AProtocol < kProtocolCount ? kProtocolNames[AProtocol] : "";
}

// Case matters here: only the exact words are protocol names.
TProtocol StrToProtocol(const std::string& S) {
  for (int i = 0; i < kProtocolCount; ++i)
    if (S == kProtocolNames[static_cast<std::size_t>(i)]) return static_cast<TProtocol>(i);
  return RS232;
}

std::string ClockTypeToStr(TClockType AClockType) {
  return AClockType < kClockTypeCount ? kClockTypeNames[AClockType] : "";
}

TClockType StrToClockType(const std::string& S) {
  std::string upper = S;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  for (int i = 0; i < kClockTypeCount; ++i) {
    std::string name = kClockTypeNames[static_cast<std::size_t>(i)];
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (upper == name) return static_cast<TClockType>(i);
  }
  return CTUnknown;
}

const char* ClockErrorName(TClockError AError) {
  switch (AError) {
    case ceNoError:
      return "ceNoError";
    case ceClockDisconnected:
      return "ceClockDisconnected";
    case ceClockEmpty:
      return "ceClockEmpty";
    case ceBadRecord:
      return "ceBadRecord";
  }
  return "";
}
