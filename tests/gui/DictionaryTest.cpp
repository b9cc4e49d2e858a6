// The dictionary as the windows use it: translations from "MsgDict.edf" once "MainDict.edf" is
// usable, the Arabic flag and keyboard layout from its first line, and the way messages go to
// the message box or, for Arabic, to the standard dialog.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "GuiFixture.h"

namespace {

class FakeLayouts : public IKeyboardLayouts {
 public:
  explicit FakeLayouts(std::string AActive) : Active(std::move(AActive)) {}
  std::string ActiveLayoutId() override { return Active; }
  void ActivateNextLayout() override { ++Switches; }
  std::string Active;
  int Switches = 0;
};

class DictionaryTest : public ProgramFolderFixture {
 protected:
  void WriteDictionaries(const std::string& AFirstLine, const std::string& AMessages) {
    WriteFile("MainDict.edf", AFirstLine + "\r\nDateType=Solar\r\n");
    WriteFile("MsgDict.edf", AMessages);
  }
};

TEST_F(DictionaryTest, TextsComeBackUnchangedWithoutTheMessageBox) {
  WriteDictionaries("English", "كابل=Cable\n");
  EXPECT_EQ(TranslateText("كابل"), "كابل");
}

TEST_F(DictionaryTest, MessagesAreTranslatedOnceMainDictionaryIsThere) {
  WriteDictionaries("English",
                    "Language=English\nكابل=Cable\nتوقف=\nخط=Line 1#13#10Line 2\n"
                    "A#13#10B=two lines\n");
  TfrmMessageBox box;
  EXPECT_EQ(TranslateText("كابل"), "Cable");
  EXPECT_EQ(TranslateText("مودم"), "مودم");
  // An empty value counts as missing; "#13#10" is a line break on both sides.
  EXPECT_EQ(TranslateText("توقف"), "توقف");
  EXPECT_EQ(TranslateText("خط"), "Line 1\r\nLine 2");
  EXPECT_EQ(TranslateText("A\r\nB"), "two lines");
  EXPECT_EQ(TranslateText("Z\r\nY"), "Z\r\nY");
  EXPECT_EQ(TranslateQ("خط"), QString("Line 1\nLine 2"));
}

TEST_F(DictionaryTest, FormattedTextsFillTheTranslationsPlaces) {
  WriteDictionaries("English", "%1 روی %2=%2 has %1\n");
  TfrmMessageBox box;
  struct Case {
    const char* Text;
    QStringList Arguments;
    const char* Shown;
  };
  const Case cases[] = {
      // The translation may order the places otherwise.
      {"%1 روی %2", {"3 clocks", "COM1"}, "COM1 has 3 clocks"},
      // A "%" in an argument is the argument's own.
      {"%1 روی %2", {"%2", "50% done"}, "50% done has %2"},
      // Without a translation the text keeps its order; a place without argument stays.
      {"%1 و %2 و %3", {"a", "b"}, "a و b و %3"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TranslateFormat(c.Text, c.Arguments), QString::fromUtf8(c.Shown)) << c.Text;
}

TEST_F(DictionaryTest, MessageDictionaryIsIgnoredWithoutAUsableMainDictionary) {
  WriteFile("MsgDict.edf", "كابل=Cable\n");
  {
    TfrmMessageBox box;
    EXPECT_EQ(TranslateText("كابل"), "كابل");
    EXPECT_EQ(box.Dictionary.Language(), "فارسي");
  }
  WriteFile("MainDict.edf", "");
  {
    TfrmMessageBox box;
    EXPECT_EQ(TranslateText("كابل"), "كابل");
  }
}

TEST_F(DictionaryTest, MainWindowShowsTheTranslatedTexts) {
  WriteDictionaries("English", "كابل=Cable\nساعت هاي KR-Tal=KR-Tal clocks\n");
  TFrmMain main;
  TfrmMessageBox box;
  main.show();
  auto* interface = main.findChild<QComboBox*>("cbInterface");
  auto* searchType = main.findChild<QComboBox*>("comBoxSearchType");
  EXPECT_EQ(interface->itemText(0), QString("Cable"));
  EXPECT_EQ(interface->itemText(1), QString("مودم"));
  EXPECT_EQ(searchType->itemText(1), QString("KR-Tal clocks"));
  EXPECT_EQ(searchType->itemText(2), QString("ساعت هاي KR-Mira"));
}

TEST_F(DictionaryTest, CheckMainDictionaryReadsTheFirstLine) {
  EXPECT_FALSE(CheckMainDictionary());
  WriteFile("MainDict.edf", "");
  EXPECT_FALSE(CheckMainDictionary());

  struct Case {
    const char* FirstLine;
    bool Arabic;
  };
  for (const Case& c : {Case{"English", false}, Case{"Arabic dictionary", true},
                        Case{"فارسي", false}, Case{"arabic", false}}) {
    SetArabicFlag(!c.Arabic);
    WriteFile("MainDict.edf", std::string(c.FirstLine) + "\nLanguage=x\n");
    EXPECT_TRUE(CheckMainDictionary()) << c.FirstLine;
    EXPECT_EQ(ArabicFlag(), c.Arabic) << c.FirstLine;
  }
}

TEST_F(DictionaryTest, KeyboardLayoutMovesOnOnlyWhenItDoesNotSuitTheLanguage) {
  struct Case {
    const char* FirstLine;
    const char* Active;
    int Switches;
  };
  const Case cases[] = {
      {"Persian", "00000409", 1}, {"Persian", "00000429", 0}, {"Persian", "00000401", 0},
      {"English", "00000401", 1}, {"English", "00000409", 0}, {"English", "00000429", 0},
  };
  for (const Case& c : cases) {
    FakeLayouts layouts(c.Active);
    SetKeyboardLayouts(&layouts);
    WriteFile("MainDict.edf", std::string(c.FirstLine) + "\n");
    ASSERT_TRUE(CheckMainDictionary());
    EXPECT_EQ(layouts.Switches, c.Switches) << c.FirstLine << " on " << c.Active;
    SetKeyboardLayouts(nullptr);
  }
  // Where the desktop offers no switching, the choice does nothing.
  WriteFile("MainDict.edf", "Persian\n");
  EXPECT_TRUE(CheckMainDictionary());
}

// What a message window showed: which kind of window, its text and its buttons. It is answered
// with the button whose text contains AButtonText (Yes of the message box).
struct SeenDialog {
  bool OwnBox = false;
  bool Standard = false;
  QString Text;
  QStringList Buttons;
};

void AnswerDialog(QWidget* AModal, SeenDialog& ASeen, const QString& AButtonText) {
  if (auto* standard = qobject_cast<QMessageBox*>(AModal)) {
    ASeen.Standard = true;
    ASeen.Text = standard->text();
    QAbstractButton* chosen = nullptr;
    for (QAbstractButton* button : standard->buttons()) {
      ASeen.Buttons << button->text();
      if (button->text().contains(AButtonText)) chosen = button;
    }
    if (chosen) chosen->click();
    return;
  }
  if (auto* own = qobject_cast<TfrmMessageBox*>(AModal)) {
    ASeen.OwnBox = true;
    ASeen.Text = static_cast<QLabel*>(own->lMessage())->text();
    for (QPushButton* button : own->findChildren<QPushButton*>())
      if (button->isVisibleTo(own)) ASeen.Buttons << button->text();
    own->Button(mbYes)->click();
  }
}

TEST_F(DictionaryTest, ArabicLanguageSendsMessagesToTheStandardDialog) {
  WriteDictionaries("Arabic", "Language=aRaBiC\nسلام=مرحبا\n");
  TfrmMessageBox box;
  SeenDialog seen;
  ModalAnswer answer([&](QWidget* AModal) { AnswerDialog(AModal, seen, "Yes"); });
  // The core's message call arrives here through the hook the message box installed.
  const int result = ShowMessageDlg("سلام", mtConfirmation, mbYes | mbNo, 0);
  EXPECT_TRUE(seen.Standard);
  EXPECT_FALSE(seen.OwnBox);
  EXPECT_EQ(seen.Text, QString("مرحبا"));
  EXPECT_EQ(seen.Buttons.size(), 2);
  EXPECT_EQ(result, mrYes);
}

TEST_F(DictionaryTest, PersianAndOtherLanguagesUseTheMessageBox) {
  for (const char* language : {"فارسي", "English", "Arabic2"}) {
    WriteDictionaries("x", std::string("Language=") + language + "\nسلام=Hello\n");
    TfrmMessageBox box;
    SeenDialog seen;
    ModalAnswer answer([&](QWidget* AModal) { AnswerDialog(AModal, seen, ""); });
    const int result = ShowMessageDlg("سلام", mtInformation, mbYes | mbNo, 0);
    EXPECT_TRUE(seen.OwnBox) << language;
    EXPECT_EQ(seen.Text, QString("Hello")) << language;
    EXPECT_EQ(seen.Buttons, QStringList({"&بله", "&خير"})) << language;
    EXPECT_EQ(result, mrYes) << language;
  }
}

TEST_F(DictionaryTest, CoreMessagesStopReachingAMessageBoxThatIsGone) {
  { TfrmMessageBox box; }
  ModalAnswer answer([](QWidget* AModal) { AModal->close(); }, 1000);
  // Without the message box the core writes to the error stream and answers as Enter would.
  EXPECT_EQ(ShowMessageDlg("x", mtInformation, mbYes | mbNo, 0), mrYes);
  EXPECT_FALSE(answer.Acted());
}

}  // namespace
