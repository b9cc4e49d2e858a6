// Feeds arbitrary text to the settings strings of a line (Properties and Specifications) and of a
// connection list. A settings string may come from any file, so whatever it holds must end in a
// consistent object or in the project's own conversion error. Besides memory errors (under
// AddressSanitizer) and any other exception, it checks what must hold for any input:
// - whatever state the text left, the line or list can write its settings string;
// - that string, read by a fresh object and written again, reaches a fixed point after one round
//   (the first round may drop what the strings do not carry: a line's speed, a third port digit);
// - a list always has a default line when it has lines, and the line is one of its items.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "calendar/ConvertError.h"
#include "connections/ClockSet.h"
#include "connections/ConnectionList.h"
#include "inproc/VirtualPlatform.h"

namespace {

void Check(bool ACondition) {
  if (!ACondition) std::abort();
}

sim::VirtualPlatform& Platform() {
  static sim::VirtualPlatform* const platform = [] {
    auto* created = new sim::VirtualPlatform();
    platform::Install(created);
    return created;
  }();
  return *platform;
}

template <typename T, typename Build, typename Apply>
void CheckFixedPoint(const T& AObject, Build ABuild, Apply AApply) {
  T first;
  AApply(first, ABuild(AObject));
  const std::string once = ABuild(first);
  T second;
  AApply(second, once);
  Check(ABuild(second) == once);
}

void FuzzLine(const std::string& AText, bool ASpecifications) {
  TClockSet line;
  try {
    if (ASpecifications)
      line.ApplySpecifications(AText);
    else
      line.ApplyProperties(AText);
  } catch (const EConvertError&) {
    // The line stays as far as it was rebuilt; it must still be whole.
  }
  CheckFixedPoint(
      line, [](const TClockSet& L) { return L.BuildProperties(); },
      [](TClockSet& L, const std::string& S) { L.ApplyProperties(S); });
  // The reduced form carries no phone number: the fresh lines get the one the line has.
  CheckFixedPoint(
      line, [](const TClockSet& L) { return L.BuildSpecifications(); },
      [&line](TClockSet& L, const std::string& S) {
        L.ChangePhoneNumber(line.PhoneNumber());
        L.ApplySpecifications(S);
      });
}

void CheckDefault(const TConnectionList& AList) {
  if (AList.Count() == 0) return;
  Check(AList.DefaultIndex() >= 0 && AList.DefaultIndex() < AList.Count());
  Check(AList.DefaultItem() == &AList.Items(AList.DefaultIndex()));
}

void FuzzList(const std::string& AText) {
  TConnectionList list;
  try {
    list.ApplyProperties(AText);
  } catch (const EConvertError&) {
  }
  CheckDefault(list);
  TConnectionList first;
  first.ApplyProperties(list.BuildProperties());
  CheckDefault(first);
  const std::string once = first.BuildProperties();
  TConnectionList second;
  second.ApplyProperties(once);
  Check(second.BuildProperties() == once);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  Platform();
  const std::string text(reinterpret_cast<const char*>(AData), ASize);
  FuzzLine(text, false);
  FuzzLine(text, true);
  FuzzList(text);
  return 0;
}
