// Feeds arbitrary bytes to the dictionary as a dictionary file ("MainDict.edf", "MsgDict.edf")
// beside the program would hand them over: decoding by byte-order mark, UTF-8 or Windows-1256,
// then the Name=Value lines and the lookups the program makes. Besides memory errors (under
// AddressSanitizer) and any exception, it checks what must hold for any file:
// - without a UTF-8 byte-order mark the decoded text is well-formed UTF-8 (it goes into the
//   window's texts);
// - every line with "=" is found by its name, at its own index or at an earlier line of the same
//   name, and its value comes back;
// - the settings the program reads always have a value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "utils/Dictionary.h"

namespace {

void Check(bool ACondition) {
  if (!ACondition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  const std::string bytes(reinterpret_cast<const char*>(AData), ASize);

  const std::string text = DecodeDictionaryBytes(bytes);
  if (bytes.rfind("\xEF\xBB\xBF", 0) != 0) Check(IsValidUtf8(text));
  Check(IsValidUtf8(Windows1256ToUtf8(bytes)));

  TDictionary dictionary;
  dictionary.SetText(text);
  Check(dictionary.Count() <= text.size());
  // Lines never keep their line breaks.
  for (std::size_t i = 0; i < dictionary.Count(); ++i) {
    const std::string& line = dictionary.Strings(i);
    Check(line.find('\r') == std::string::npos && line.find('\n') == std::string::npos);
  }

  // A bounded number of lookups keeps each input fast.
  const std::size_t lookups = dictionary.Count() < 64 ? dictionary.Count() : 64;
  for (std::size_t i = 0; i < lookups; ++i) {
    const std::string& line = dictionary.Strings(i);
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string name = line.substr(0, eq);
    const int index = dictionary.IndexOfName(name);
    Check(index >= 0 && static_cast<std::size_t>(index) <= i);
    if (static_cast<std::size_t>(index) == i) Check(dictionary.Values(name) == line.substr(eq + 1));
    (void)dictionary.GetValue(name, "");
    (void)dictionary.GetValue(name, "fallback");
  }
  // A text that no line names comes back as itself.
  Check(dictionary.GetValue("\x01no such text\x02", "") == "\x01no such text\x02" ||
        dictionary.IndexOfName("\x01no such text\x02") >= 0);
  Check(!dictionary.Language().empty());
  (void)dictionary.BiDiMode();
  (void)dictionary.DateType();
  return 0;
}
