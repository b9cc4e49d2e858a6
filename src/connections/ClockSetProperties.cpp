// The settings strings of a line. Fields are separated by "," with no quoting: the phone number
// has its commas turned into blanks when it is set, and names and addresses must not hold any.
// Each clock is written in its own settings form ("number;model;Active"), which never holds ",".
#include <algorithm>
#include <cctype>
#include <limits>

#include "calendar/ConvertError.h"
#include "calendar/VexDateTime.h"
#include "connections/ClockSet.h"
#include "utils/TextFields.h"

namespace {

constexpr char kFieldSeparator = ',';
// A clock number is one byte, so no line can hold more clocks than this; a larger count in a
// settings string would only make the line allocate clock objects without bound.
constexpr std::int32_t kMaxClocksInSettings = 255;
// The TCP port of a line whose port field is not a number.
constexpr std::int32_t kDefaultTcpPort = 1001;

// The value of a field of decimal digits, or nothing when it is empty, holds anything else or
// does not fit 32 bits.
bool TryDigitsToInt(const std::string& AField, std::int32_t& AValue) {
  if (AField.empty() || !IsDigits(AField)) return false;
  std::int64_t value = 0;
  for (char c : AField) {
    value = value * 10 + (c - '0');
    if (value > std::numeric_limits<std::int32_t>::max()) return false;
  }
  AValue = static_cast<std::int32_t>(value);
  return true;
}

std::int32_t FieldToIntDef(const std::string& AField, std::int32_t ADefault) {
  std::int32_t value = 0;
  return TryDigitsToInt(TrimBlanks(AField), value) ? value : ADefault;
}

// A serial port number (COMn) from a digits-only field. Raises EConvertError when the field is
// empty or the number does not fit the 16-bit port number (a wrapped number would open another
// port than the one written).
std::uint16_t PortNumberField(const std::string& AField) {
  const std::int32_t value = SettingsFieldToInt(AField);
  if (value > std::numeric_limits<std::uint16_t>::max())
    throw EConvertError("'" + AField + "' is not a valid port number");
  return static_cast<std::uint16_t>(value);
}

std::int32_t TcpPortField(const std::string& AField) {
  const std::int32_t value = FieldToIntDef(AField, kDefaultTcpPort);
  return value > std::numeric_limits<std::uint16_t>::max() ? kDefaultTcpPort : value;
}

// The speed ordinal after "br"; ADefault when it is not a number or names no speed of the table.
TBaudRate BaudRateOrdinal(const std::string& AText, TBaudRate ADefault) {
  const std::int32_t value = FieldToIntDef(AText, -1);
  if (value < brCustom || value > br256000) return ADefault;
  return static_cast<TBaudRate>(value);
}

bool StartsWithBr(const std::string& AField) {
  return AField.size() >= 2 && std::tolower(static_cast<unsigned char>(AField[0])) == 'b' &&
         std::tolower(static_cast<unsigned char>(AField[1])) == 'r';
}

void AppendClockFields(const TClockList& AClocks, std::string& AText) {
  AText += kFieldSeparator;
  AText += std::to_string(AClocks.size());
  for (const auto& clock : AClocks) {
    AText += kFieldSeparator;
    AText += clock->BuildProperties();
  }
}

// The clock count and the clocks. A count of 0, or a field that is not a count, leaves the clocks
// as they are; otherwise the list is rebuilt with as many clocks as the count says, each from the
// next field ('' once the text is used up).
void ApplyClockFields(TClockSet& ALine, const std::string& ACountField, std::string& ARest) {
  if (!IsDigits(ACountField)) return;
  const std::int32_t count = SettingsFieldToInt(ACountField);
  if (count > kMaxClocksInSettings)
    throw EConvertError("'" + ACountField + "' is not a valid clock count");
  if (count <= 0) return;
  ALine.Clocks().clear();
  std::string field;
  for (std::int32_t i = 0; i < count; ++i) {
    TBasicClock& clock = ALine.NewClock(1);
    ExtractField(ARest, kFieldSeparator, field);
    clock.ApplyProperties(field);
  }
}

}  // namespace

std::int32_t SettingsFieldToInt(const std::string& AField) {
  std::int32_t value = 0;
  if (!TryDigitsToInt(AField, value))
    throw EConvertError("'" + AField + "' is not a valid integer value");
  return value;
}

std::string TClockSet::BuildProperties() const {
  std::string result = ConnectionName;
  result += kFieldSeparator;
  result += FPhoneNumber;
  result += kFieldSeparator;
  if (EffectiveConnectionType() == TcpIp) {
    result += SocketAddress();
    result += kFieldSeparator;
    result += std::to_string(SocketPort());
  } else {
    result += std::to_string(SerialPortNumber());
    result += kFieldSeparator;
    result += "br" + std::to_string(static_cast<int>(FBaudRate));
  }
  result += kFieldSeparator;
  result += ProtocolToStr(FProtocol);
  AppendClockFields(FClocks, result);
  return result;
}

void TClockSet::ApplyProperties(const std::string& AValue) {
  std::string rest = AValue;
  std::string field;

  ExtractField(rest, kFieldSeparator, field);
  ConnectionName = field;

  ExtractField(rest, kFieldSeparator, field);
  ChangePhoneNumber(field);

  // A port number makes a serial line (a modem line when it has a phone number); anything else
  // is the address of a TCP/IP line, which dials nothing.
  ExtractField(rest, kFieldSeparator, field);
  if (IsDigits(field)) {
    ChangeConnectionType(FPhoneNumber.empty() ? Cable : Modem);
    ChangeSerialPortNumber(PortNumberField(field));
  } else {
    ChangeConnectionType(TcpIp);
    ChangeSocketAddress(field);
    ChangePhoneNumber("");
  }

  // The TCP port, or on a serial line the speed field, which is not restored here.
  ExtractField(rest, kFieldSeparator, field);
  if (EffectiveConnectionType() == TcpIp) ChangeSocketPort(TcpPortField(field));

  // A speed field here (an older layout without the TCP port) comes before the protocol.
  ExtractField(rest, kFieldSeparator, field);
  if (StartsWithBr(field)) {
    ChangeBaudRate(BaudRateOrdinal(field.substr(2), br300));
    ExtractField(rest, kFieldSeparator, field);
  }
  FProtocol = StrToProtocol(field);

  ExtractField(rest, kFieldSeparator, field);
  ApplyClockFields(*this, field, rest);
}

std::string TClockSet::BuildSpecifications() const {
  std::string result =
      EffectiveConnectionType() == TcpIp ? SocketAddress() : std::to_string(SerialPortNumber());
  result += kFieldSeparator;
  result += ProtocolToStr(FProtocol);
  AppendClockFields(FClocks, result);
  return result;
}

void TClockSet::ApplySpecifications(const std::string& AValue) {
  std::string rest = AValue;
  std::string field;

  ExtractField(rest, kFieldSeparator, field);
  if (IsDigits(field)) {
    ChangeConnectionType(FPhoneNumber.empty() ? Cable : Modem);
    const std::int32_t port = FieldToIntDef(field, 1);
    ChangeSerialPortNumber(
        port > std::numeric_limits<std::uint16_t>::max() ? 1 : static_cast<std::uint16_t>(port));
  } else {
    ChangeConnectionType(TcpIp);
    ChangeSocketAddress(field);
  }

  ExtractField(rest, kFieldSeparator, field);
  FProtocol = StrToProtocol(field);

  ExtractField(rest, kFieldSeparator, field);
  ApplyClockFields(*this, field, rest);
}
