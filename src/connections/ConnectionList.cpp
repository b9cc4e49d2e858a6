#include "connections/ConnectionList.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "calendar/VexDateTime.h"
#include "utils/TextFields.h"

// "پيش فرض" (default), written with the Arabic letter yeh as the window shows it.
const char* const kDefaultConnectionName = "\xD9\xBE\xD9\x8A\xD8\xB4 \xD9\x81\xD8\xB1\xD8\xB6";

namespace {

constexpr char kLineSeparator = '-';

std::string UpperCase(std::string S) {
  std::transform(S.begin(), S.end(), S.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return S;
}

// A field of decimal digits as a number, or ADefault (also for a number beyond 32 bits).
std::int32_t DigitsOr(const std::string& AText, std::int32_t ADefault) {
  const std::string text = TrimBlanks(AText);
  if (text.empty() || !IsDigits(text)) return ADefault;
  try {
    return SettingsFieldToInt(text);
  } catch (const std::exception&) {
    return ADefault;
  }
}

}  // namespace

TConnectionList::TConnectionList() {
  NewConnection().ConnectionName = kDefaultConnectionName;
}

TConnectionList::~TConnectionList() {
  FDefaultItem = nullptr;
  FItems.clear();
}

TClockSet& TConnectionList::Items(std::int32_t AIndex) const {
  if (AIndex < 0 || AIndex >= Count())
    throw EListError("List index out of bounds (" + std::to_string(AIndex) + ")");
  return *FItems[static_cast<std::size_t>(AIndex)];
}

TClockSet& TConnectionList::NewConnection() {
  auto line = std::make_unique<TClockSet>();
  line->SetLogFileName(FLogFileName);
  line->SetErrorLogFileName(FErrorLogFileName);
  line->OnModemDisconnect = FOnModemDisconnect;
  line->OnBreath = FOnBreath;
  line->SetProtocol(RS232);
  FItems.push_back(std::move(line));
  TClockSet& added = *FItems.back();
  if (FItems.size() == 1) ChangeDefaultItem(&added);
  return added;
}

void TConnectionList::Delete(std::int32_t AIndex) {
  TClockSet& line = Items(AIndex);
  // The default must not outlive its line.
  if (&line == FDefaultItem) FDefaultItem = nullptr;
  FItems.erase(FItems.begin() + AIndex);
}

void TConnectionList::Close() {
  for (auto& line : FItems) line->Close();
}

void TConnectionList::ChangeDefaultItem(TClockSet* AValue) {
  if (AValue == FDefaultItem) return;
  FDefaultItem = AValue;
  if (!AValue) return;
  // Status changes of the new default line are for whoever takes it over to subscribe to.
  AValue->OnStatusChange = nullptr;
  AValue->HangUp();
}

std::int32_t TConnectionList::DefaultIndex() const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == FDefaultItem) return static_cast<std::int32_t>(i);
  return -1;
}

void TConnectionList::ChangeDefaultIndex(std::int32_t AValue) {
  if (AValue < 0 || AValue >= Count()) return;
  TClockSet* line = FItems[static_cast<std::size_t>(AValue)].get();
  if (line != FDefaultItem) ChangeDefaultItem(line);
}

void TConnectionList::ChangeLogFileName(const std::string& AValue) {
  FLogFileName = AValue;
  for (auto& line : FItems) line->SetLogFileName(AValue);
}

void TConnectionList::ChangeErrorLogFileName(const std::string& AValue) {
  FErrorLogFileName = AValue;
  for (auto& line : FItems) line->SetErrorLogFileName(AValue);
}

void TConnectionList::ChangeOnModemDisconnect(TModemDisconnectEvent AValue) {
  FOnModemDisconnect = std::move(AValue);
  for (auto& line : FItems) line->OnModemDisconnect = FOnModemDisconnect;
}

void TConnectionList::ChangeOnBreath(TBreathEvent AValue) {
  FOnBreath = std::move(AValue);
  for (auto& line : FItems) line->OnBreath = FOnBreath;
}

std::string TConnectionList::BuildProperties() const {
  std::string result = std::to_string(FItems.size());
  for (const auto& line : FItems) {
    result += kLineSeparator;
    result += line->BuildProperties();
  }
  result += kLineSeparator;
  // "-1" cannot be read back: its sign is the line separator. A list without a default line is
  // restored with its first line as the default anyway, so 0 gives the same list.
  result += std::to_string(std::max(DefaultIndex(), 0));
  return result;
}

void TConnectionList::ApplyProperties(const std::string& AValue) {
  std::string rest = AValue;
  std::string field;
  // Each rebuilt line's own text, for the second pass.
  std::vector<std::string> lineTexts;

  ExtractField(rest, kLineSeparator, field);
  if (IsDigits(field)) {
    const std::int32_t count = SettingsFieldToInt(field);
    if (count > 0) {
      FDefaultItem = nullptr;
      FItems.clear();
      // Each line takes the next field. Once the text is used up a line gets '', whose empty
      // port field raises, so the count cannot make more lines than the text has fields.
      for (std::int32_t i = 0; i < count; ++i) {
        TClockSet& line = NewConnection();
        ExtractField(rest, kLineSeparator, field);
        lineTexts.push_back(field);
        line.ApplyProperties(field);
      }
    }
  }

  ExtractField(rest, kLineSeparator, field);
  ChangeDefaultIndex(IsDigits(field) ? SettingsFieldToInt(field) : 0);

  if (TrimBlanks(AValue).empty()) return;
  // A line's own settings string does not restore its speed; the default line gets it here from
  // its own fields. When the text rebuilt no lines, its first line's fields are all there is.
  const std::int32_t index = DefaultIndex();
  if (index >= 0 && index < static_cast<std::int32_t>(lineTexts.size())) {
    RestoreDefaultSerialSettings(lineTexts[static_cast<std::size_t>(index)]);
  } else {
    RestoreDefaultSerialSettings(AValue);
  }
}

void TConnectionList::RestoreDefaultSerialSettings(const std::string& ALineText) {
  TClockSet* line = FDefaultItem;
  if (!line) return;
  try {
    // Pieces 2 and 3 are the port number and the "br" speed field of a serial line's text.
    const std::vector<std::string> pieces = SplitToList(',', ALineText);
    std::int32_t speed = br9600;
    if (pieces.size() >= 4 && UpperCase(pieces[3]).find("BR") != std::string::npos) {
      speed = DigitsOr(pieces[3].size() > 2 ? pieces[3].substr(2) : std::string(), br9600);
      if (speed > br256000) speed = br9600;
    }
    // Straight into the line and its port: on a modem line too, where the speed cannot be
    // changed through the line's own setter.
    line->FBaudRate = static_cast<TBaudRate>(speed);
    if (line->ComPort()) line->ComPort()->setBaudRate(line->FBaudRate);
    // A piece with a "." is the address of a TCP/IP line.
    if (pieces.size() > 3 && pieces[2].find('.') == std::string::npos) {
      const std::int32_t port = DigitsOr(pieces[2], 1);
      line->ChangeSerialPortNumber(port > 0xFFFF ? 1 : static_cast<std::uint16_t>(port));
    }
  } catch (const std::exception&) {
    // Restoring the speed is a courtesy: a line that refuses it keeps what it has.
  }
}
