// clockctl: the command line of the clock diagnostic tool.
#include <QCoreApplication>
#include <iostream>

#include "cli/CalendarCommand.h"
#include "cli/Commands.h"
#include "platform/PlatformError.h"
#include "utils/ProgramVersion.h"

namespace {
const char* const kUsage =
    "usage: clockctl [line options] COMMAND [arguments]\n"
    "line options:\n"
    "  --port COMn|PATH     serial port (default COM1; COMn opens /dev/ttyS<n-1> unless\n"
    "                       CLOCKDIAG_COMn names another device)\n"
    "  --baud N             serial speed (default 9600)\n"
    "  --tcp HOST[:PORT]    TCP/IP line instead of a serial one (port 1001 by default, 4370\n"
    "                       with --search KRMira120)\n"
    "  --modem NUMBER       a modem on the serial port: dial NUMBER before the command and\n"
    "                       hang up after it\n"
    "  --search TYPE        the clocks a detection looks for: KRTalFast (default), KRTal,\n"
    "                       KRMira, KRTalR2Fast, KRTalR2, KROptica, KRMira120, KREmberFast,\n"
    "                       KREmber. KRTalFast, KRTal and KREmber scan a bus when no single\n"
    "                       clock answers (the fast scan stops at the first silent number)\n"
    "  --max-clock N        highest clock number a bus scan probes, 0 to 32 (default 32; each\n"
    "                       silent number costs seconds)\n"
    "  --json               print one JSON object instead of tab-separated lines\n"
    "  --trace              write every byte exchange to stderr as '<ms> TX|RX <hex>'\n"
    "  --protocol RS232|RS485, --clock N, --detecting\n"
    "                       the line's protocol, the clock number and the short timeouts of\n"
    "                       a detection, for send\n"
    "commands:\n"
    "  detect               finds the clocks; one line per clock: number, type, name,\n"
    "                       firmware, date, time\n"
    "  datetime             detects, then prints the first clock's date and time\n"
    "  set-datetime [DATE TIME]\n"
    "                       detects, then sets every clock (the computer's date and time when\n"
    "                       DATE TIME are left out); prints the first clock's date and time\n"
    "  status               detects, then prints: connected, empty|records, busy|idle\n"
    "  serial               detects, then prints the first clock's serial number (HDLC)\n"
    "  dump [--max N] [--out FILE.csv] [--images DIR]\n"
    "                       detects, then reads up to N records (default 3) from the first\n"
    "                       clock and removes each from it once it is written to FILE and its\n"
    "                       picture to DIR; one line per record: card, date, time, entry/exit,\n"
    "                       type1, type2, sequence\n"
    "  dial                 dials the --modem number; prints the outcome and the connect speed\n"
    "  calendar DATE        a Gregorian date (year above 1800) as solar, any other as\n"
    "                       Gregorian, both as YYYY/MM/DD\n"
    "  ports                COM names with their devices, and the system's serial ports\n"
    "  send HEX --reply-length N [--reply-start HEX]\n"
    "                       one command exchange; prints the decoded reply as hex\n"
    "  send --hdlc HEX      HEX is the data of an HDLC command frame to --clock N; prints the\n"
    "                       packet's flags (ack nack busy session as 0/1) and its data as hex\n"
    "  -h, --help           print this help and exit\n"
    "  --version            print the version and exit\n"
    "exit codes: 0 done, 1 nothing answered (or an empty clock), 2 usage error, 3 the line\n"
    "could not be opened\n";
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (!args.empty() && args[0] == "--version") {
      std::cout << "clockctl " << ProgramVersion() << '\n';
      return kExitDone;
    }
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
    if (command == "detect") return RunDetectCommand(args, line, std::cout, std::cerr);
    if (command == "datetime") return RunDateTimeCommand(args, line, std::cout, std::cerr);
    if (command == "set-datetime") return RunSetDateTimeCommand(args, line, std::cout, std::cerr);
    if (command == "status") return RunStatusCommand(args, line, std::cout, std::cerr);
    if (command == "serial") return RunSerialCommand(args, line, std::cout, std::cerr);
    if (command == "dump") return RunDumpCommand(args, line, std::cout, std::cerr);
    throw UsageError{"unknown command '" + command + "'"};
  } catch (const UsageError& e) {
    std::cerr << "clockctl: " << e.Message << "\n" << kUsage;
    return kExitUsage;
  } catch (const PlatformError& e) {
    // The port or socket failed under way.
    std::cerr << "clockctl: " << e.what() << "\n";
    return kExitLineNotOpened;
  } catch (const std::exception& e) {
    std::cerr << "clockctl: " << e.what() << "\n";
    return kExitNoAnswer;
  }
}
