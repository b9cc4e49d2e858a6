#include "cli/Help.h"

#include <iterator>

#include "cli/CliError.h"
#include "utils/ProgramVersion.h"

namespace {

struct TCommandHelp {
  const char* Name;
  const char* Synopsis;
  const char* Text;
};

const TCommandHelp kCommands[] = {
    {"detect", "detect",
     "finds the clocks; one line per clock: number, type, name, firmware, date, time,\n"
     "drift (the clock's time less the computer's, in seconds; the clocks tell whole minutes)\n"},
    {"datetime", "datetime",
     "detects, then prints the first clock's date, time and drift in seconds\n"},
    {"set-datetime", "set-datetime [DATE TIME]",
     "detects, then sets every clock (the computer's date and time when DATE TIME are left\n"
     "out); prints the first clock's date and time. DATE is YYYY/MM/DD (a year above 1800 is\n"
     "Gregorian, any other solar), TIME is H:MM or HH:MM; both are checked before anything is\n"
     "sent\n"},
    {"status", "status", "detects, then prints: connected, empty|records, busy|idle\n"},
    {"serial", "serial", "detects, then prints the first clock's serial number (HDLC)\n"},
    {"dump", "dump [--max N | --all] [--out FILE.csv] [--csv-bom=no] [--images DIR]",
     "detects, then reads up to N records (default 3; --all: until the clock is empty) from the\n"
     "first clock and releases them once they are written to FILE and their pictures to DIR.\n"
     "How records leave a clock depends on its family: text clocks one by one (each is synced\n"
     "to FILE before it is acknowledged); HDLC clocks a block at a time (the dump reads the\n"
     "block to its end, so N is rounded up to it); the KRMira and KRMira120 terminals only with\n"
     "their whole log (cleared once every record read is synced to FILE; with --max below the\n"
     "log's size nothing is cleared, and the dump says so). One line per record: card, date\n"
     "(YYYY/MM/DD in the clock's calendar), time (HH:MM, HH:MM:SS where the clock gives\n"
     "seconds), event, type1, type2, sequence, and 'left' (it left the clock) or 'stays' (it\n"
     "comes again on the next dump). FILE is UTF-8 CSV with a byte-order mark (--csv-bom=no\n"
     "leaves it out) and the columns clock,card,date,time,date_gregorian,event,type1,type2,\n"
     "sequence,left_clock,picture,picture_status. A clock that holds no record: clock-empty\n"},
    {"dial", "dial",
     "dials the --modem number; prints the outcome and the connect speed. With --json the\n"
     "outcome is one of connected, busy, no-dial-tone, no-carrier, canceled\n"},
    {"calendar", "calendar DATE",
     "DATE as YYYY/MM/DD with a four-digit year: a Gregorian date (year above 1800) as solar,\n"
     "any other as Gregorian, both as YYYY/MM/DD\n"},
    {"ports", "ports", "COM names with their devices, and the system's serial ports\n"},
    {"send", "send HEX --reply-length N [--reply-start HEX] | send --hdlc HEX",
     "one command exchange; prints the decoded reply as hex. With --hdlc, HEX is the data of\n"
     "an HDLC command frame to --clock N; prints the packet's flags (ack nack busy session as\n"
     "0/1) and its data as hex\n"},
    {"help", "help [COMMAND]", "this help, or the help of COMMAND\n"},
};

const char* const kLineOptions =
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
    "  --max-clock N        highest clock number a bus scan probes, 0 to 32 (default 32). Each\n"
    "                       silent number costs the whole probe schedule: about 5 s for KRTal at\n"
    "                       9600 baud, about 2 min for KREmber; the progress shows the time left\n"
    "  --quick              quick detection: each clock number is asked for its status once\n"
    "                       (and once more at even parity where the search probes it; on HDLC\n"
    "                       one session request) with the detection's reply timeout, 300 ms\n"
    "                       (1000 ms on a modem line), and no pause; the clocks that answer are\n"
    "                       identified as usual. An empty 32-number KRTal scan takes about 20 s\n"
    "                       instead of 159 s; a clock slower to answer than the timeout is missed\n"
    "  --probe-timeout MS   the quick detection's reply timeout, 20 to 1000 (implies --quick)\n"
    "  --protocol RS232|RS485, --clock N, --detecting\n"
    "                       the line's protocol, the clock number and the short timeouts of\n"
    "                       a detection, for send\n"
    "many lines:\n"
    "  --lines FILE         run detect, status or datetime on every line of FILE at once; one\n"
    "                       line per row, as line options (--tcp 10.0.0.5 --search KRTal,\n"
    "                       --port COM3 --baud 19200) or as a line's settings string\n"
    "                       (name,phone,port or address,br<speed> or TCP port,protocol,...);\n"
    "                       blank rows and rows starting with # are skipped, bad rows are\n"
    "                       reported with their row number and skipped. The other options apply\n"
    "                       to every line. Rows naming the same serial port (or TCP address)\n"
    "                       run one after the other. Prints a table (line, clocks, names,\n"
    "                       dates, times, drift, status, error) or, with --json,\n"
    "                       {\"lines\":[{\"row\",\"line\",\"exit\",\"result\"}],\"bad_rows\":[...]};\n"
    "                       exit code 0 when every row was a line and every line answered\n"
    "  --jobs N             lines checked at once with --lines, 1 to 64 (default 8)\n"
    "output options:\n"
    "  --json               print one JSON object instead of tab-separated lines, also when\n"
    "                       the command fails ({\"error\":{\"code\":...,\"message\":...}})\n"
    "  --progress           show progress on stderr even when it is not a terminal\n"
    "  --quiet              show no progress (by default it is shown when stderr is a terminal)\n"
    "  --trace              every exchange on stderr: time of day (HH:MM:SS.mmm), TX or RX,\n"
    "                       one protocol frame per line in hex, and what it means\n"
    "  -h, --help           print this help and exit (help COMMAND: one command's help)\n"
    "  --version            print the version and exit\n";

std::string CommandLines() {
  std::string text = "commands:\n";
  for (const TCommandHelp& c : kCommands) {
    std::string synopsis = std::string("  ") + c.Synopsis;
    text += synopsis;
    // Short synopses share their line with the first line of the text.
    std::string body = c.Text;
    std::string indent(23, ' ');
    if (synopsis.size() < 23) {
      text += std::string(23 - synopsis.size(), ' ');
    } else {
      text += "\n" + indent;
    }
    for (std::size_t at = 0; at < body.size();) {
      const std::size_t end = body.find('\n', at);
      if (at > 0) text += indent;
      text += body.substr(at, end - at + 1);
      at = end + 1;
    }
  }
  return text;
}

std::string ErrorLines() {
  std::string text =
      "errors: one line 'clockctl: <what failed>: <why>' on stderr; with --json the object\n"
      "{\"error\":{\"code\":CODE,\"message\":...}} on stdout. The codes, with their exit codes:\n";
  std::size_t count = 0;
  const TFailureCode* codes = FailureCodes(count);
  for (std::size_t i = 0; i < count; ++i) {
    std::string line = std::string("  ") + codes[i].Code;
    line += std::string(line.size() < 23 ? 23 - line.size() : 1, ' ');
    text += line + std::to_string(codes[i].Exit) + "  " + codes[i].Meaning + "\n";
  }
  return text;
}

}  // namespace

std::string FullHelp() {
  return "usage: clockctl [line options] [output options] COMMAND [arguments]\n" +
         std::string(kLineOptions) + CommandLines() + ErrorLines() +
         "Ctrl-C (SIGINT) or SIGTERM stops the work at its next safe point within a second:\n"
         "no record is released that is not stored, a modem is hung up, the port is released,\n"
         "what was done is printed (with --json, with \"interrupted\":true).\n"
         "exit codes: 0 done, 1 nothing answered (or an empty clock), 2 usage error, 3 the line\n"
         "could not be opened, 4 an output could not be written, 130 interrupted\n";
}

std::optional<std::string> CommandHelp(const std::string& ACommand) {
  for (const TCommandHelp& c : kCommands)
    if (ACommand == c.Name)
      return std::string("usage: clockctl [line options] ") + c.Synopsis + "\n" + c.Text +
             "See 'clockctl --help' for the line options, errors and exit codes.\n";
  return std::nullopt;
}

bool IsCommand(const std::string& AWord) {
  return CommandHelp(AWord).has_value();
}

std::string VersionText() {
  return "clockctl " + ProgramVersion() + "\n";
}
