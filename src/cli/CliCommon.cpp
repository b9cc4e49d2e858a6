#include "cli/CliCommon.h"

#include <algorithm>
#include <iostream>
#include <iterator>

#include "platform/ComPortNames.h"
#include "platform/Platform.h"
#include "platform/PlatformError.h"
#include "utils/HexText.h"

std::optional<std::string> TakeOption(std::vector<std::string>& AArgs, const std::string& AName) {
  auto it = std::find(AArgs.begin(), AArgs.end(), AName);
  if (it == AArgs.end()) return std::nullopt;
  if (it + 1 == AArgs.end()) throw UsageError{AName + " needs a value"};
  std::string value = *(it + 1);
  AArgs.erase(it, it + 2);
  return value;
}

bool TakeFlag(std::vector<std::string>& AArgs, const std::string& AName) {
  auto it = std::find(AArgs.begin(), AArgs.end(), AName);
  if (it == AArgs.end()) return false;
  AArgs.erase(it);
  return true;
}

int ParseInt(const std::string& AText, const std::string& AWhat, int AMin, int AMax) {
  std::size_t used = 0;
  int value = 0;
  try {
    value = std::stoi(AText, &used);
  } catch (...) {
    throw UsageError{AWhat + " must be a number: '" + AText + "'"};
  }
  if (used != AText.size()) throw UsageError{AWhat + " must be a number: '" + AText + "'"};
  if (value < AMin || value > AMax)
    throw UsageError{AWhat + " must be from " + std::to_string(AMin) + " to " +
                     std::to_string(AMax)};
  return value;
}

LineOptions TakeLineOptions(std::vector<std::string>& AArgs) {
  LineOptions o;
  if (auto search = TakeOption(AArgs, "--search")) {
    const auto type = SearchTypeFromName(*search);
    if (!type) {
      std::string names;
      for (const TClockFamily& family : ClockFamilies())
        names += std::string(names.empty() ? "" : " ") + family.Name;
      throw UsageError{"--search must be one of " + names + ": '" + *search + "'"};
    }
    o.Search = *type;
  }
  if (auto maxClock = TakeOption(AArgs, "--max-clock"))
    o.MaxClock = ParseInt(*maxClock, "--max-clock", 0, 32);
  o.Json = TakeFlag(AArgs, "--json");
  o.TcpPort = ClockFamily(o.Search).DefaultTcpPort;
  if (auto port = TakeOption(AArgs, "--port")) o.Port = *port;
  if (auto baud = TakeOption(AArgs, "--baud")) {
    o.Baud = ParseInt(*baud, "--baud", 1, 10000000);
    if (BitsToBaudRate(o.Baud) == brCustom)
      throw UsageError{"--baud " + *baud + " is not a speed the clocks use"};
  }
  if (auto tcp = TakeOption(AArgs, "--tcp")) {
    const auto colon = tcp->rfind(':');
    if (colon == std::string::npos) {
      o.TcpHost = *tcp;
    } else {
      o.TcpHost = tcp->substr(0, colon);
      o.TcpPort = ParseInt(tcp->substr(colon + 1), "the TCP port", 1, 65535);
    }
    if (o.TcpHost->empty()) throw UsageError{"--tcp needs a host"};
  }
  if (auto protocol = TakeOption(AArgs, "--protocol")) {
    if (*protocol == "RS232")
      o.Protocol = RS232;
    else if (*protocol == "RS485")
      o.Protocol = RS485;
    else
      throw UsageError{"--protocol must be RS232 or RS485"};
  }
  if (auto clock = TakeOption(AArgs, "--clock")) o.Clock = ParseInt(*clock, "--clock", 1, 32);
  o.Detecting = TakeFlag(AArgs, "--detecting");
  o.Trace = TakeFlag(AArgs, "--trace");
  if (auto number = TakeOption(AArgs, "--modem")) {
    if (number->empty()) throw UsageError{"--modem needs a phone number"};
    if (o.TcpHost) throw UsageError{"--modem needs a serial port, not --tcp"};
    o.ModemNumber = *number;
  }
  return o;
}

void LineCloser::operator()(TClockSet* ALine) const {
  try {
    ALine->Close();
  } catch (...) {
    // The port is gone: there is nothing left to hang up through, and a line being freed
    // must not throw.
  }
  delete ALine;
}

LineHandle BuildLine(const LineOptions& AOptions) {
  LineHandle line(new TClockSet);
  if (AOptions.TcpHost) {
    line->ChangeConnectionType(TcpIp);
    line->ChangeSocketAddress(*AOptions.TcpHost);
    line->ChangeSocketPort(AOptions.TcpPort);
  } else {
    line->ChangeBaudRate(BitsToBaudRate(AOptions.Baud));
    line->ComPort()->setPortName(AOptions.Port);
    if (AOptions.ModemNumber) {
      line->ChangeConnectionType(Modem);
      line->ChangePhoneNumber(*AOptions.ModemNumber);
    }
  }
  line->SetProtocol(AOptions.Protocol);
  line->MaxClockNumber = AOptions.MaxClock;
  line->Clocks().front()->ClockNumber = static_cast<TClockNumber>(AOptions.Clock);
  if (AOptions.Trace) {
    line->OnTraffic = [](std::uint32_t ATick, TTrafficDirection ADir, const std::string& AData) {
      std::cerr << ATick << (ADir == TTrafficDirection::Tx ? " TX " : " RX ")
                << BytesToHexText(AData) << std::endl;
    };
  }
  return line;
}

bool OpenLine(TClockSet& ALine, std::ostream& AErr) {
  if (!OpenPort(ALine, AErr)) return false;
  if (ALine.EffectiveConnectionType() != Modem) return true;
  std::string outcome;
  try {
    ALine.Dial(outcome);
  } catch (const PlatformError& e) {
    AErr << e.what() << "\n";
    return false;
  }
  if (ALine.ModemConnected()) return true;
  AErr << outcome << "\n";
  return false;
}

bool OpenPort(TClockSet& ALine, std::ostream& AErr) {
  if (ALine.EffectiveConnectionType() == TcpIp) {
    if (ALine.OpenTcpIpPort()) return true;
    AErr << "cannot connect to " << ALine.SocketAddress() << ":" << ALine.SocketPort() << "\n";
    return false;
  }
  try {
    ALine.ComPort()->open();
    return true;
  } catch (const PlatformError& e) {
    AErr << e.what() << "\n";
    return false;
  }
}

TBasicClock& LineClock(TClockSet& ALine) {
  return *ALine.Clocks().front();
}
