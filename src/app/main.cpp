// The program's entry: the start-up (the vendor control, then the three windows) and the message
// loop until the main window closes.
#include <QApplication>

#include "ProgramWindows.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  const auto windows = StartProgramWindows();
  return application.exec();
}
