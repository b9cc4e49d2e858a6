#include "cli/DateArgs.h"

#include "calendar/CalendarText.h"
#include "cli/CliError.h"
#include "calendar/ConvertError.h"

std::string CheckedDateArg(const std::string& AText, const std::string& AWhat) {
  const std::string what = AWhat + " " + AText;
  const auto sep = AText.find_first_of("/-");
  // A short year is not guessed: 03/09/18 may be 1403 or 2003 (or a day first).
  if (sep != 4 || AText.find_first_not_of("0123456789") != 4)
    throw UsageError{what, "expected YYYY/MM/DD with a four-digit year"};
  try {
    ConvertDateText(AText);
  } catch (const EConvertError& e) {
    const std::string reason = e.what();
    const auto colon = reason.rfind(": ");
    throw UsageError{what, colon == std::string::npos ? reason : reason.substr(colon + 2)};
  }
  // Zero-padded, with "/" between the parts.
  std::string parts[3];
  int part = 0;
  for (char ch : AText) {
    if (ch == '/' || ch == '-')
      ++part;
    else
      parts[part] += ch;
  }
  for (int i = 1; i < 3; ++i)
    if (parts[i].size() == 1) parts[i] = "0" + parts[i];
  return parts[0] + "/" + parts[1] + "/" + parts[2];
}

std::string CheckedTimeArg(const std::string& AText, const std::string& AWhat) {
  const std::string what = AWhat + " " + AText;
  const auto colon = AText.find(':');
  const std::string hour = colon == std::string::npos ? "" : AText.substr(0, colon);
  const std::string minute = colon == std::string::npos ? "" : AText.substr(colon + 1);
  const auto digits = [](const std::string& AText2) {
    return !AText2.empty() && AText2.find_first_not_of("0123456789") == std::string::npos;
  };
  if (!digits(hour) || hour.size() > 2 || !digits(minute) || minute.size() != 2)
    throw UsageError{what, "expected H:MM or HH:MM"};
  const int h = std::stoi(hour);
  const int m = std::stoi(minute);
  if (h > 23) throw UsageError{what, "the hour must be from 0 to 23"};
  if (m > 59) throw UsageError{what, "the minute must be from 00 to 59"};
  return (hour.size() == 1 ? "0" : "") + hour + ":" + minute;
}
