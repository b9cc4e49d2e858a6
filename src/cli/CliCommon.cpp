#include "cli/CliCommon.h"

#include <algorithm>
#include <iostream>
#include <iterator>

#include "cli/Interrupt.h"
#include "cli/Progress.h"
#include "cli/TrafficTrace.h"
#include "link/ModemDialogue.h"
#include "platform/ComPortNames.h"
#include "platform/Platform.h"
#include "platform/PlatformError.h"

std::optional<std::string> TakeOption(std::vector<std::string>& AArgs, const std::string& AName) {
  auto it = std::find(AArgs.begin(), AArgs.end(), AName);
  if (it == AArgs.end()) return std::nullopt;
  if (it + 1 == AArgs.end()) throw UsageError{AName, "needs a value"};
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
    used = 0;
  }
  if (used == 0 || used != AText.size())
    throw UsageError{AWhat + " " + AText, "not a number"};
  if (value < AMin || value > AMax)
    throw UsageError{AWhat + " " + AText,
                     "must be from " + std::to_string(AMin) + " to " + std::to_string(AMax)};
  return value;
}

void RejectLeftovers(const std::vector<std::string>& AArgs, const std::string& ACommand) {
  if (AArgs.empty()) return;
  const std::string& word = AArgs.front();
  if (word.size() > 1 && word[0] == '-') throw UsageError{word, "unknown option"};
  throw UsageError{ACommand + " " + word, "unexpected argument"};
}

std::string BaudRateList() {
  std::string list;
  for (int rate = br110; rate <= br256000; ++rate)
    list += (list.empty() ? "" : ", ") +
            std::to_string(BaudRateToBits(static_cast<TBaudRate>(rate)));
  return list;
}

LineOptions TakeLineOptions(std::vector<std::string>& AArgs) {
  LineOptions o;
  if (auto search = TakeOption(AArgs, "--search")) {
    const auto type = SearchTypeFromName(*search);
    if (!type) {
      std::string names;
      for (const TClockFamily& family : ClockFamilies())
        names += std::string(names.empty() ? "" : " ") + family.Name;
      throw UsageError{"--search " + *search, "not a search type (" + names + ")"};
    }
    o.Search = *type;
  }
  if (auto maxClock = TakeOption(AArgs, "--max-clock"))
    o.MaxClock = ParseInt(*maxClock, "--max-clock", 0, 32);
  o.Quick = TakeFlag(AArgs, "--quick");
  if (auto timeout = TakeOption(AArgs, "--probe-timeout")) {
    o.ProbeTimeout = ParseInt(*timeout, "--probe-timeout", 20, 1000);
    o.Quick = true;
  }
  o.Json = TakeFlag(AArgs, "--json");
  o.TcpPort = ClockFamily(o.Search).DefaultTcpPort;
  if (auto port = TakeOption(AArgs, "--port")) o.Port = *port;
  if (auto baud = TakeOption(AArgs, "--baud")) {
    const bool digits = !baud->empty() && baud->find_first_not_of("0123456789") == std::string::npos;
    o.Baud = digits && baud->size() <= 7 ? std::stoi(*baud) : 0;
    if (BitsToBaudRate(o.Baud) == brCustom)
      throw UsageError{"--baud " + *baud, "not a serial speed (" + BaudRateList() + ")"};
  }
  if (auto tcp = TakeOption(AArgs, "--tcp")) {
    const auto colon = tcp->rfind(':');
    if (colon == std::string::npos) {
      o.TcpHost = *tcp;
    } else {
      o.TcpHost = tcp->substr(0, colon);
      o.TcpPort = ParseInt(tcp->substr(colon + 1), "the TCP port", 1, 65535);
    }
    if (o.TcpHost->empty()) throw UsageError{"--tcp " + *tcp, "needs a host"};
  }
  if (auto protocol = TakeOption(AArgs, "--protocol")) {
    if (*protocol == "RS232")
      o.Protocol = RS232;
    else if (*protocol == "RS485")
      o.Protocol = RS485;
    else
      throw UsageError{"--protocol " + *protocol, "must be RS232 or RS485"};
  }
  if (auto clock = TakeOption(AArgs, "--clock")) o.Clock = ParseInt(*clock, "--clock", 1, 32);
  o.Detecting = TakeFlag(AArgs, "--detecting");
  o.Trace = TakeFlag(AArgs, "--trace");
  if (auto number = TakeOption(AArgs, "--modem")) {
    if (number->empty()) throw UsageError{"--modem", "needs a phone number"};
    if (o.TcpHost) throw UsageError{"--modem", "needs a serial port, not --tcp"};
    o.ModemNumber = *number;
  }
  return o;
}

void LineCloser::operator()(TClockSet* ALine) const {
  // The work is over: an interrupted line gets the real time its closing steps need (a modem
  // hang-up waits for its guard times).
  cli::EndWork(ALine);
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
  line->QuickScan = AOptions.Quick;
  line->ProbeTimeout = AOptions.ProbeTimeout;
  line->Clocks().front()->ClockNumber = static_cast<TClockNumber>(AOptions.Clock);
  if (AOptions.Trace) cli::TraceTraffic(*line, std::cerr);
  cli::WatchLine(line.get());
  return line;
}

CliError PortFailure(const PlatformError& AError) {
  static const char* const kCodes[] = {"port-failed", "port-missing", "port-busy", "port-denied"};
  const std::string text = AError.what();
  // "cannot open COM3 (/dev/ttyS2): no such device": what failed, then why.
  const auto colon = text.rfind(": ");
  const std::string what = colon == std::string::npos ? text : text.substr(0, colon);
  const std::string why = colon == std::string::npos ? "" : text.substr(colon + 2);
  return CliError(kCodes[static_cast<int>(AError.kind())], what, why);
}

void OpenLine(TClockSet& ALine) {
  OpenPort(ALine);
  if (ALine.EffectiveConnectionType() != Modem) return;
  std::string outcome;
  DialLine(ALine, outcome);
  if (ALine.ModemConnected()) return;
  const std::string code = DialOutcomeCode(outcome);
  if (code == "canceled") cli::ThrowIfInterrupted("dial " + ALine.PhoneNumber());
  throw CliError("dial-failed", "dial " + ALine.PhoneNumber(), code + " (" + outcome + ")");
}

void DialLine(TClockSet& ALine, std::string& AOutcome) {
  cli::ShowProgress("dialing " + ALine.PhoneNumber());
  try {
    cli::TDialing dialing;
    ALine.Dial(AOutcome);
  } catch (const PlatformError& e) {
    throw PortFailure(e);
  }
  const std::string code = DialOutcomeCode(AOutcome);
  cli::ShowProgress("modem: " + code +
                    (ALine.ModemConnected() && !ALine.ConnectSpeed().empty()
                         ? " at " + ALine.ConnectSpeed()
                         : std::string()));
}

std::string DialOutcomeCode(const std::string& AOutcome) {
  if (AOutcome == kDialConnected) return "connected";
  if (AOutcome == kDialBusy) return "busy";
  if (AOutcome == kDialNoDialTone) return "no-dial-tone";
  if (AOutcome == kDialCanceled) return "canceled";
  return "no-carrier";
}

void OpenPort(TClockSet& ALine) {
  if (ALine.EffectiveConnectionType() == TcpIp) {
    const std::string where = ALine.SocketAddress() + ":" + std::to_string(ALine.SocketPort());
    cli::ShowProgress("connecting to " + where);
    if (ALine.OpenTcpIpPort()) return;
    cli::ThrowIfInterrupted("connect to " + where);
    switch (ALine.TcpIpPort()->failure()) {
      case TSocketFailure::Refused:
        throw CliError("connection-refused", "cannot connect to " + where,
                       "connection refused (nothing listens on that port)");
      case TSocketFailure::HostUnknown:
        throw CliError("host-unknown", "cannot connect to " + where,
                       "unknown host " + ALine.SocketAddress());
      case TSocketFailure::None:
      case TSocketFailure::Timeout:
        throw CliError("timeout", "cannot connect to " + where, "no connection within 5 s");
      default:
        throw CliError("connection-failed", "cannot connect to " + where, "the connection failed");
    }
  }
  try {
    ALine.ComPort()->open();
  } catch (const PlatformError& e) {
    throw PortFailure(e);
  }
}

TBasicClock& LineClock(TClockSet& ALine) {
  return *ALine.Clocks().front();
}
