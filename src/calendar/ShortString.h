#pragma once
#include <cstddef>
#include <string>

// A byte string of at most N characters; anything longer is cut on assignment, as the record
// and cache fields of a clock expect (dates of 10, times of 5 characters).
template <std::size_t N>
class TShortString {
 public:
  TShortString() = default;
  TShortString(const std::string& S) : FValue(S.substr(0, N)) {}  // NOLINT: implicit on purpose
  TShortString(const char* S) : TShortString(std::string(S)) {}   // NOLINT
  TShortString& operator=(const std::string& S) {
    FValue = S.substr(0, N);
    return *this;
  }
  TShortString& operator=(const char* S) { return *this = std::string(S); }
  operator const std::string&() const { return FValue; }  // NOLINT
  const std::string& str() const { return FValue; }
  // The text, moved out; this is left empty.
  std::string take() { return std::move(FValue); }
  bool empty() const { return FValue.empty(); }
  std::size_t size() const { return FValue.size(); }
  bool operator==(const TShortString&) const = default;
  bool operator==(const std::string& S) const { return FValue == S; }
  bool operator==(const char* S) const { return FValue == S; }

 private:
  std::string FValue;
};

using TDateStr = TShortString<10>;
using TTimeStr = TShortString<5>;
