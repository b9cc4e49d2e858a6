#pragma once
// The program's start-up once the application object exists: the preparation of the vendor
// control, the application's name and direction, then the three windows in their order (the main
// window, the message box, the dialing window) with the main window shown. The program and the
// screenshot tool start the same way.
#include <memory>
#include <string>

#include "DialingForm.h"
#include "MessageBoxForm.h"
#include "UFrmMain.h"

struct TProgramWindows {
  // The main window first: creating it creates the connection list and its default line. The
  // message box loads the dictionary before the main window is shown, since showing it
  // translates its texts.
  TFrmMain MainWindow;
  TfrmMessageBox MessageBox;
  TfrmDialing Dialing;
};

// Runs the start-up; the windows live as long as the result. ALanguage ("en", "fa") chooses the
// dictionaries shipped with the program instead of the ones beside it.
std::unique_ptr<TProgramWindows> StartProgramWindows(const std::string& ALanguage = {});
