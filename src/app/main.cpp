// The program's entry: the preparation of the vendor control, then the three windows (the main
// window, the message box, the dialing window) and the message loop until the main window closes.
#include <QApplication>

#include "DialingForm.h"
#include "MessageBoxForm.h"
#include "Startup.h"
#include "UFrmMain.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  RegisterOCX("zkemkeeper.dll");

  QApplication::setApplicationName("clockdiag");
  QApplication::setLayoutDirection(Qt::RightToLeft);

  // The main window first: creating it creates the connection list and its default line. The
  // message box loads the dictionary before the main window is shown, since showing it
  // translates its texts.
  TFrmMain mainWindow;
  TfrmMessageBox messageBox;
  TfrmDialing dialing;
  // Only the main window's closing ends the message loop.
  messageBox.setAttribute(Qt::WA_QuitOnClose, false);
  dialing.setAttribute(Qt::WA_QuitOnClose, false);
  mainWindow.show();
  return application.exec();
}
