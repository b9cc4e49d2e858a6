#include "ProgramWindows.h"

#include <QApplication>

#include "GeneralUtilities.h"
#include "Startup.h"
#include "utils/ProgramVersion.h"

std::unique_ptr<TProgramWindows> StartProgramWindows(const std::string& ALanguage) {
  RegisterOCX("zkemkeeper.dll");
  QApplication::setApplicationName("clockdiag");
  QApplication::setApplicationVersion(QString::fromStdString(ProgramVersion()));
  QApplication::setLayoutDirection(Qt::RightToLeft);

  auto windows = std::make_unique<TProgramWindows>();
  // Only the main window's closing ends the message loop.
  windows->MessageBox.setAttribute(Qt::WA_QuitOnClose, false);
  windows->Dialing.setAttribute(Qt::WA_QuitOnClose, false);
  if (!ALanguage.empty() && !LoadLanguage(ALanguage))
    windows->MainWindow.SetStatus(QStringLiteral("no dictionaries for the language '%1' were found")
                                      .arg(QString::fromStdString(ALanguage)));
  // The caption names the version, so that a report from the field says which one it was.
  windows->MainWindow.SetCaptionSuffix(' ' + QApplication::applicationVersion());
  windows->MainWindow.show();
  return windows;
}
