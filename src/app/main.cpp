// The program's entry: its options, the start-up (the vendor control, then the three windows) and
// the message loop until the main window closes.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "AppLog.h"
#include "ProgramWindows.h"
#include "utils/ProgramVersion.h"
#include "utils/StartupFile.h"

namespace {

constexpr int kExitUsage = 2;

const char* const kUsage =
    "Usage: clockdiag [OPTION]...\n"
    "The window of the clock diagnostic tool: finds the clocks that answer on a line (a serial\n"
    "cable, a modem on a serial port, or TCP/IP), shows each with its model, name, firmware,\n"
    "date and time, and dumps a few attendance records.\n"
    "\n"
    "Options:\n"
    "  --language LANG      show the window in LANG with the dictionaries shipped with the\n"
    "                       program: en (English) or fa (Persian); without it the dictionary\n"
    "                       files beside the program are used, if any\n"
    "  --quit-after-start   start as usual, show the window, then quit at once (a check that\n"
    "                       the program starts)\n"
    "  -h, --help           print this help and exit\n"
    "  --version            print the version and exit\n"
    "\n"
    "The options of every Qt program (-platform NAME, -style NAME, ...) apply as well.\n"
    "Serial ports are chosen by their COM names: COMn opens /dev/ttyS<n-1> unless the\n"
    "environment variable CLOCKDIAG_COMn names another device (CLOCKDIAG_COM3=/dev/ttyUSB0).\n";

bool IsOption(const char* AArgument, const char* AName) {
  return std::strcmp(AArgument, AName) == 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Help and version need no display: they are answered before the application object exists.
  for (int i = 1; i < argc; ++i) {
    if (IsOption(argv[i], "--help") || IsOption(argv[i], "-h")) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (IsOption(argv[i], "--version")) {
      std::printf("clockdiag %s\n", ProgramVersion().c_str());
      return 0;
    }
  }
  // The application object takes Qt's own options out of argv.
  QApplication application(argc, argv);
  bool quitAfterStart = false;
  std::string language;
  for (int i = 1; i < argc; ++i) {
    if (IsOption(argv[i], "--quit-after-start")) {
      quitAfterStart = true;
    } else if (IsOption(argv[i], "--language") && i + 1 < argc) {
      language = argv[++i];
    } else if (std::strncmp(argv[i], "--language=", 11) == 0) {
      language = argv[i] + 11;
    } else {
      std::fprintf(stderr, "clockdiag: unknown option '%s' (see clockdiag --help)\n", argv[i]);
      return kExitUsage;
    }
  }
  // Files refused at start are named in the load log beside the program.
  SetStartupFileLog([](const std::string& AReason) {
    try {
      WriteLog(AReason, "LoadError.Log", true);
    } catch (const std::exception&) {
      // No log folder can be written: the file stays unread all the same.
    }
  });
  const auto windows = StartProgramWindows(language);
  if (quitAfterStart) QTimer::singleShot(0, &application, &QCoreApplication::quit);
  return application.exec();
}
