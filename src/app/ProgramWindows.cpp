#include "ProgramWindows.h"

#include <QApplication>

#include "Startup.h"

std::unique_ptr<TProgramWindows> StartProgramWindows() {
  RegisterOCX("zkemkeeper.dll");
  QApplication::setApplicationName("clockdiag");
  QApplication::setLayoutDirection(Qt::RightToLeft);

  auto windows = std::make_unique<TProgramWindows>();
  // Only the main window's closing ends the message loop.
  windows->MessageBox.setAttribute(Qt::WA_QuitOnClose, false);
  windows->Dialing.setAttribute(Qt::WA_QuitOnClose, false);
  windows->MainWindow.show();
  return windows;
}
