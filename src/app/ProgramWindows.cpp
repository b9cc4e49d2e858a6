#include "ProgramWindows.h"

#include <QApplication>

#include "Startup.h"
#include "utils/ProgramVersion.h"

std::unique_ptr<TProgramWindows> StartProgramWindows() {
  RegisterOCX("zkemkeeper.dll");
  QApplication::setApplicationName("clockdiag");
  QApplication::setApplicationVersion(QString::fromStdString(ProgramVersion()));
  QApplication::setLayoutDirection(Qt::RightToLeft);

  auto windows = std::make_unique<TProgramWindows>();
  // Only the main window's closing ends the message loop.
  windows->MessageBox.setAttribute(Qt::WA_QuitOnClose, false);
  windows->Dialing.setAttribute(Qt::WA_QuitOnClose, false);
  // The caption names the version, so that a report from the field says which one it was.
  windows->MainWindow.setWindowTitle(windows->MainWindow.windowTitle() + ' ' +
                                     QApplication::applicationVersion());
  windows->MainWindow.show();
  return windows;
}
