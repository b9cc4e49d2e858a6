#include "models/Rs485BusModel.h"

namespace sim {

namespace {

// Longest run of mapped bytes taken as one frame; the tool's commands are far shorter. A longer
// run is noise and the start is given up.
constexpr std::size_t kMaxMappedBytes = 64;

bool isMapped(unsigned char AByte) {
  return (AByte >= 0x80 && AByte <= 0xBF) || AByte == 0x2F;
}

bool isAddressPair(unsigned char AFirst, unsigned char ASecond) {
  return AFirst <= 0x3F && ASecond == (AFirst | 0x40);
}

}  // namespace

std::uint8_t Rs485BusModel::addressOf(int AClockNumber) {
  // Decimal digits read as hexadecimal: clock 12 is 12h.
  int value = 0;
  int shift = 0;
  for (int n = AClockNumber; n > 0; n /= 10, shift += 4) value |= (n % 10) << shift;
  return static_cast<std::uint8_t>(value & 0x3F);
}

std::string Rs485BusModel::decodeCommand(const std::string& AMapped) {
  std::string text;
  for (char ch : AMapped) {
    const auto b = static_cast<unsigned char>(ch);
    text += b == 0x2F ? '/' : static_cast<char>((b & 0x3F) + 0x20);
  }
  // One byte: the control command (A1h is 01h, B8h is 18h).
  if (text.size() == 1 && static_cast<unsigned char>(text[0]) >= 0x40)
    text[0] = static_cast<char>(text[0] - 0x40);
  return text;
}

TextClockModel& Rs485BusModel::addClock(TextClockSettings ASettings) {
  FClocks.push_back(std::make_unique<TextClockModel>(std::move(ASettings)));
  return *FClocks.back();
}

TextClockModel& Rs485BusModel::addClock(int ANumber) {
  TextClockSettings s;
  s.Number = ANumber;
  return addClock(std::move(s));
}

TextClockModel* Rs485BusModel::clock(int ANumber) {
  for (auto& c : FClocks)
    if (c->number() == ANumber) return c.get();
  return nullptr;
}

void Rs485BusModel::lineSettings(int ABaud, TParity AParity) {
  for (auto& c : FClocks) c->lineSettings(ABaud, AParity);
}

ReplyPlan Rs485BusModel::frame(std::uint8_t AAddress, const std::string& AMapped) {
  for (auto& c : FClocks) {
    if (addressOf(c->number()) == AAddress) return c->command(decodeCommand(AMapped), true);
  }
  ++FUnanswered;
  return {};
}

ReplyPlan Rs485BusModel::receive(const std::string& ABytes) {
  FInput += ABytes;
  ReplyPlan plan;
  std::size_t pos = 0;
  while (pos < FInput.size()) {
    const auto first = static_cast<unsigned char>(FInput[pos]);
    if (pos + 1 >= FInput.size()) {
      if (first > 0x3F) ++pos;  // cannot start a frame
      break;
    }
    if (!isAddressPair(first, static_cast<unsigned char>(FInput[pos + 1]))) {
      ++pos;
      continue;
    }
    std::size_t end = pos + 2;
    while (end < FInput.size() && end - pos - 2 <= kMaxMappedBytes &&
           isMapped(static_cast<unsigned char>(FInput[end])))
      ++end;
    if (end - pos - 2 > kMaxMappedBytes) {
      ++FBadFrames;
      ++pos;
      continue;
    }
    if (end >= FInput.size()) break;  // the check byte has not come yet
    unsigned char x = 0;
    for (std::size_t i = pos; i < end; ++i) x ^= static_cast<unsigned char>(FInput[i]);
    if (x != static_cast<unsigned char>(FInput[end])) {
      // Not a frame after all, or a damaged one: look for the next start one byte further, so
      // that a frame hidden behind a broken one is still found.
      ++FBadFrames;
      ++pos;
      continue;
    }
    const std::string mapped = FInput.substr(pos + 2, end - pos - 2);
    const auto address = first;
    pos = end + 1;
    for (auto& piece : frame(address, mapped)) plan.push_back(std::move(piece));
  }
  FInput.erase(0, pos);
  return plan;
}

}  // namespace sim
