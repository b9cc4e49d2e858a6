#pragma once
// The outcome texts of a modem dial. The line compares a dial's result with the connected text to
// decide whether the modem line is up, so the texts live in one place.
#include <string_view>

inline constexpr std::string_view kDialConnected = "ارتباط برقرار شد";
inline constexpr std::string_view kDialBusy = "شماره مورد نظر مشغول است";
inline constexpr std::string_view kDialNoDialTone = "خط تلفن قطع است";
inline constexpr std::string_view kDialNotConnected = "ارتباط برقرار نشد";
inline constexpr std::string_view kDialCanceled = "از برقراري ارتباط صرف نظر شد";
