// clockctl: the command line of the clock diagnostic tool.
#include <QCoreApplication>
#include <iostream>

#include "cli/CalendarCommand.h"
#include "cli/Commands.h"

namespace {
const char* const kUsage =
    "usage: clockctl [line options] COMMAND [arguments]\n"
    "line options:\n"
    "  --port COMn|PATH     serial port (default COM1; COMn opens /dev/ttyS<n-1> unless\n"
    "                       CLOCKDIAG_COMn names another device)\n"
    "  --baud N             serial speed (default 9600)\n"
    "  --tcp HOST[:PORT]    TCP/IP line instead of a serial one (port 1001 by default)\n"
    "  --protocol RS232|RS485\n"
    "  --clock N            clock number on the line, 1 to 32 (default 1)\n"
    "  --detecting          use the short timeouts of a detection\n"
    "  --trace              write every byte exchange to stderr as '<ms> TX|RX <hex>'\n"
    "  --modem NUMBER       a modem on the serial port: dial NUMBER before the command and\n"
    "                       hang up after it\n"
    "commands:\n"
    "  calendar DATE        a Gregorian date (year above 1800) as solar, any other as\n"
    "                       Gregorian, both as YYYY/MM/DD\n"
    "  ports                COM names with their devices, and the system's serial ports\n"
    "  send HEX --reply-length N [--reply-start HEX]\n"
    "                       one command exchange; prints the decoded reply as hex\n"
    "  send --hdlc HEX      HEX is the data of an HDLC command frame to --clock N; prints the\n"
    "                       packet's flags (ack nack busy session as 0/1) and its data as hex\n"
    "  dial                 dials the --modem number; prints the outcome and the connect speed\n"
    "exit codes: 0 done, 1 no answer, 2 usage error, 3 the line could not be opened\n";
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
      std::cout << kUsage;
      return args.empty() ? kExitUsage : kExitDone;
    }
    LineOptions line = TakeLineOptions(args);
    if (args.empty()) throw UsageError{"no command given"};
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "calendar") return RunCalendarCommand(args, std::cout, std::cerr);
    if (command == "ports") return RunPortsCommand(args, std::cout, std::cerr);
    if (command == "send") return RunSendCommand(args, line, std::cout, std::cerr);
    if (command == "dial") return RunDialCommand(args, line, std::cout, std::cerr);
    throw UsageError{"unknown command '" + command + "'"};
  } catch (const UsageError& e) {
    std::cerr << "clockctl: " << e.Message << "\n" << kUsage;
    return kExitUsage;
  }
}
