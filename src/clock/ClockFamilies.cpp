#include "clock/ClockFamilies.h"

namespace {
using R = TRecordRelease;

// clang-format off
constexpr std::array<TClockFamily, kClockSearchTypeCount> kFamilies = {{
  // type            name           caption                        protocol bus    bus protocol fast   probe type      face   port  fixed  release
  {cstKRTalFast,    "KRTalFast",   "ساعت هاي KR-Tal (سريع)",     RS232,   true,  RS485,       true,  KRTal,          false, 1001, false, R::OneByOne},
  {cstKRTal,        "KRTal",       "ساعت هاي KR-Tal",            RS232,   true,  RS485,       false, KRTal,          false, 1001, false, R::OneByOne},
  {cstKRMira,       "KRMira",      "ساعت هاي KR-Mira",           RS232,   false, RS232,       false, KRMiraClock,    true,  1001, false, R::WholeLog},
  {cstKRTalR2Fast,  "KRTalR2Fast", "ساعت هاي KR-Tal R2 (سريع)",  ptHdlc,  false, ptHdlc,      false, KRTal,          false, 1001, false, R::HdlcBlock},
  {cstKRTalR2,      "KRTalR2",     "ساعت هاي KR-Tal R2",         ptHdlc,  false, ptHdlc,      false, KRTal,          false, 1001, false, R::HdlcBlock},
  {cstKROptica,     "KROptica",    "ساعت هاي KR-Optica",         ptHdlc,  false, ptHdlc,      false, KRTal,          false, 1001, false, R::HdlcBlock},
  {cstKRMira120,    "KRMira120",   "ساعت هاي KR-Mira120",        RS232,   false, RS232,       false, KRMira120Clock, true,  4370, true,  R::WholeLog},
  {cstKREmberFast,  "KREmberFast", "ساعت هاي KR-Ember (سريع)",   ptHdlc,  false, ptHdlc,      false, KREmber,        false, 1001, false, R::HdlcBlock},
  {cstKREmber,      "KREmber",     "ساعت هاي KR-Ember",          ptHdlc,  true,  ptHdlc,      false, KREmber,        false, 1001, false, R::HdlcBlock},
}};
// clang-format on

constexpr bool OrdinalsInOrder() {
  for (std::size_t i = 0; i < kFamilies.size(); ++i)
    if (static_cast<std::size_t>(kFamilies[i].SearchType) != i) return false;
  return true;
}
static_assert(OrdinalsInOrder(), "the families are listed in the order of their search types");
}  // namespace

const std::array<TClockFamily, kClockSearchTypeCount>& ClockFamilies() {
  return kFamilies;
}

const TClockFamily& ClockFamily(TClockSearchType ASearchType) {
  const auto index = static_cast<std::size_t>(ASearchType);
  return index < kFamilies.size() ? kFamilies[index] : kFamilies.front();
}

std::optional<TClockSearchType> SearchTypeFromName(const std::string& AName) {
  for (const TClockFamily& family : kFamilies)
    if (AName == family.Name) return family.SearchType;
  return std::nullopt;
}

bool IsDefaultTcpPort(int APort) {
  for (const TClockFamily& family : kFamilies)
    if (family.DefaultTcpPort == APort) return true;
  return false;
}

bool IsListedClock(TClockType AType, TClockSearchType ASearchType) {
  if (AType == CTUnknown) return false;
  if (AType == KROpticaClock) return ASearchType == cstKROptica;
  if (AType == KREmber) return ClockFamily(ASearchType).ProbeType == KREmber;
  return true;
}

TRecordRelease RecordReleaseOf(TClockType AType, TProtocol AProtocol) {
  for (const TClockFamily& family : kFamilies)
    if (family.FaceTerminal && family.ProbeType == AType) return family.Release;
  return AProtocol == ptHdlc ? TRecordRelease::HdlcBlock : TRecordRelease::OneByOne;
}

int ModelPictureKey(TClockType AType) {
  return AType < kClockTypeCount ? static_cast<int>(AType) : 0;
}
