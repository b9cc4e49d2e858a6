#pragma once
// Small pieces shared by the clock operations' units.
#include <cctype>
#include <cstddef>
#include <string>
#include <utility>

#include "utils/FlagGuard.h"

namespace clockops {

// Runs an action when the scope is left, also by an exception. The action must not throw.
template <typename F>
class TScopeExit {
 public:
  explicit TScopeExit(F AAction) : FAction(std::move(AAction)) {}
  ~TScopeExit() { FAction(); }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

 private:
  F FAction;
};

// ACount characters of AText from the 1-based position AIndex; whatever of that range exists.
inline std::string CopyText(const std::string& AText, std::size_t AIndex, std::size_t ACount) {
  if (AIndex < 1 || AIndex > AText.size()) return {};
  return AText.substr(AIndex - 1, ACount);
}

// True when the ACount characters from the 1-based AIndex exist and are all decimal digits.
inline bool DigitsAt(const std::string& AText, std::size_t AIndex, std::size_t ACount) {
  if (AIndex < 1 || AIndex - 1 + ACount > AText.size()) return false;
  for (std::size_t i = AIndex - 1; i < AIndex - 1 + ACount; ++i)
    if (!std::isdigit(static_cast<unsigned char>(AText[i]))) return false;
  return true;
}

// ASCII upper case, as the clocks' model words are compared.
inline std::string UpperText(std::string AText) {
  for (auto& ch : AText) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return AText;
}

inline bool Contains(const std::string& AText, const char* AWord) {
  return AText.find(AWord) != std::string::npos;
}

// The reply start of the text protocol's data replies.
inline const std::string kReplyStart("\x01\x01\x01", 3);

}  // namespace clockops
