#pragma once
// The window program's share of the general utilities: the lookup of user texts, the program's
// message call as the windows show it, the examination of the main dictionary file and the
// keyboard layout chosen for the interface language.
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <string>

#include "utils/MessageHook.h"

// Lets the application handle its pending window messages.
void ProcessMessages();

// Set while the main dictionary's first line names Arabic: the message box then shows its title
// and button captions in Arabic.
bool ArabicFlag();
void SetArabicFlag(bool AValue);

// The translation of AText in the message box's dictionary ("MsgDict.edf"), or AText itself
// when there is none (or while the message box does not exist).
std::string TranslateText(const std::string& AText);
// The same for a text the window shows.
QString TranslateQ(const std::string& AText);
// A text of the program (UTF-8, with CR LF or LF CR line breaks) as a window shows it.
QString DisplayText(const std::string& AText);
// The translation of a text with places %1, %2, ... filled by AArguments in order (the
// translation may put them in another order).
QString TranslateFormat(const std::string& AText, const QStringList& AArguments);

// APath (a file or device path) kept left to right inside a right-to-left text: embedded in
// left-to-right marks when it holds a "/" ("/dev/ttyUSB0" would otherwise show as
// "dev/ttyUSB0/"); other texts come back as they are.
QString PathText(const QString& APath);

// Puts every caption, title, tool tip and column title of ARoot and its children through the
// dictionary. The texts the windows were built with are the keys: the first call keeps them, so
// that a later call (after another language was loaded) translates from them again. Texts that
// were empty at the first call belong to the program, which sets them itself.
void TranslateWidgetTexts(QWidget* ARoot);

// Loads the dictionaries of the interface language ALanguage ("en", "fa"), shipped with the
// program; '' loads the ones beside the program, as at start-up. False when the language's
// dictionaries cannot be found (every text is then shown as written).
bool LoadLanguage(const std::string& ALanguage);
// The language loaded last ('' for the files beside the program).
std::string CurrentLanguage();
// The direction the dictionary asks for (right to left unless it says LeftToRight).
Qt::LayoutDirection DictionaryDirection();

// Examines "MainDict.edf" beside the program: False when it does not exist or has no line;
// otherwise chooses the keyboard layout and sets the Arabic flag from its first line and returns
// True.
bool CheckMainDictionary();

// The keyboard layouts of the desktop, where it lets a program switch them.
class IKeyboardLayouts {
 public:
  virtual ~IKeyboardLayouts() = default;
  // The active layout as eight hexadecimal digits ("00000409" is US English, "00000401" Arabic).
  virtual std::string ActiveLayoutId() = 0;
  // Activates the next installed layout and moves it to the front.
  virtual void ActivateNextLayout() = 0;
};
// Installs the desktop's layouts (not owned); nullptr, the default, means that the desktop
// offers no switching to programs, as X11 and Wayland sessions do not.
void SetKeyboardLayouts(IKeyboardLayouts* ALayouts);

// Moves to the next keyboard layout when the active one does not suit the interface language:
// from US English when the interface is not English, from Arabic when it is. Does nothing where
// the desktop offers no switching.
void SelectKeyboardLayout(bool AEnglish);

// The program's message call as the windows show it: the message box for Persian (and every
// language but Arabic), the standard message dialog for Arabic. Returns the modal result of the
// button chosen. The message box installs it as the core's message hook, so the core's
// ShowMessageDlg arrives here.
int ShowMessageInWindow(const std::string& AMsg, TMsgDlgType ADlgType, TMsgDlgButtons AButtons,
                        std::int32_t AHelpCtx);
