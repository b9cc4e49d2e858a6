// The interface language: the dictionaries shipped with the program, chosen by the menu (or by
// the program's option), put every caption, column title and choice of the windows through the
// dictionary, and the direction follows the language.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

#include "DumpListSink.h"
#include "GuiFixture.h"
#include "ProgramWindows.h"
#include "TrafficPane.h"

namespace {

bool HasArabicScript(const QString& AText) {
  for (const QChar c : AText)
    if (c.unicode() >= 0x0600 && c.unicode() <= 0x06FF) return true;
  return false;
}

// Every text of AWindow that a user reads, with the name of the control that shows it.
QStringList ShownTexts(QWidget* AWindow) {
  QStringList texts;
  auto add = [&](const QObject* AObject, const QString& AText) {
    if (!AText.isEmpty()) texts << AObject->objectName() + ": " + AText;
  };
  add(AWindow, AWindow->windowTitle());
  for (QWidget* widget : AWindow->findChildren<QWidget*>()) {
    add(widget, widget->toolTip());
    if (auto* label = qobject_cast<QLabel*>(widget)) add(label, label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) add(button, button->text());
    if (auto* group = qobject_cast<QGroupBox*>(widget)) add(group, group->title());
    if (auto* menu = qobject_cast<QMenu*>(widget)) add(menu, menu->title());
    if (auto* combo = qobject_cast<QComboBox*>(widget))
      for (int i = 0; i < combo->count(); ++i) add(combo, combo->itemText(i));
    if (auto* tree = qobject_cast<QTreeWidget*>(widget))
      for (int i = 0; i < tree->columnCount(); ++i) add(tree, tree->headerItem()->text(i));
  }
  return texts;
}

class LanguageTest : public WindowsFixture {
 protected:
  void SetUp() override { ShowMain(); }
  void ChooseLanguage(const char* AAction) {
    auto* action = main->findChild<QAction*>(AAction);
    ASSERT_NE(action, nullptr) << AAction;
    action->trigger();
  }
  static QStringList Persian(const QStringList& ATexts) {
    QStringList left;
    for (const QString& text : ATexts)
      if (HasArabicScript(text.section(": ", 1))) left << text;
    return left;
  }
};

TEST_F(LanguageTest, EnglishFromTheMenuTranslatesEveryTextAndTurnsTheDirection) {
  // Persian at start: the captions as drawn, right to left.
  EXPECT_FALSE(Persian(ShownTexts(main.get())).isEmpty());
  EXPECT_EQ(main->layoutDirection(), Qt::RightToLeft);

  ChooseLanguage("actLanguageEn");
  EXPECT_EQ(Persian(ShownTexts(main.get())), QStringList());
  EXPECT_EQ(Persian(ShownTexts(dialing.get())), QStringList());
  EXPECT_EQ(main->layoutDirection(), Qt::LeftToRight);
  EXPECT_EQ(Find<QGroupBox>("GroupBox1")->title(), QString("Line test"));
  EXPECT_EQ(Find<QTreeWidget>("LvDumRecord")->headerItem()->text(1), QString("Card number"));
  EXPECT_EQ(Find<QComboBox>("cbInterface")->currentText(), QString("Cable"));
  // The dump button keeps telling start from stop in the new language.
  EXPECT_EQ(Find<QAbstractButton>("btnStartStop")->text(), QString("Dump"));

  // And back: the texts the windows were drawn with.
  ChooseLanguage("actLanguageFa");
  EXPECT_EQ(main->layoutDirection(), Qt::RightToLeft);
  EXPECT_EQ(Find<QGroupBox>("GroupBox1")->title(), QString(" تست خط ارتباطی "));
  EXPECT_EQ(Find<QComboBox>("cbInterface")->currentText(), QString("كابل"));
  EXPECT_EQ(Find<QLabel>("Label4")->text().count('\n'), 1);
}

TEST_F(LanguageTest, ChoicesSurviveAChangeOfLanguage) {
  Choose(Find<QComboBox>("comBoxSearchType"), cstKREmber);
  Choose(Find<QComboBox>("cbInterface"), 1);
  ChooseLanguage("actLanguageEn");
  EXPECT_EQ(Find<QComboBox>("comBoxSearchType")->currentText(), QString("KR-Ember clocks"));
  EXPECT_EQ(Find<QComboBox>("cbInterface")->currentIndex(), 1);
  EXPECT_TRUE(Find<QWidget>("edtPhoneNumber")->isVisible());
}

TEST_F(LanguageTest, DetachedTrafficPaneFollowsTheLanguage) {
  auto* pane = Find<TTrafficPane>("PanelTraffic");
  main->DetachTraffic(true);
  ChooseLanguage("actLanguageEn");
  EXPECT_EQ(pane->windowTitle(), QString("Line traffic"));
  EXPECT_EQ(Persian(ShownTexts(pane)), QStringList());
  main->DetachTraffic(false);
}

// What the program writes at run time follows the language too: the rows of the record list,
// the counter and the save dialog's captions.
TEST_F(LanguageTest, RecordRowsCounterAndSaveDialogFollowTheLanguage) {
  auto* list = Find<QTreeWidget>("LvDumRecord");
  TDumpListSink sink(*list, [] { return std::string("1403/09/18"); }, "1403");
  TDumpEntry entry;
  entry.Record.KartNo = "15";
  entry.Record.Date = "030917";
  entry.Record.Time = "08:00";
  entry.Record.RecType1 = "00";
  entry.Record.RecType2 = "02";
  entry.Picture = TPictureOutcome::TransferFailed;
  std::string error;
  ASSERT_TRUE(sink.Persist(entry, error));
  entry.Leave = TRecordLeave::Left;
  sink.Settled(entry);
  ChooseLanguage("actLanguageEn");
  QStringList row;
  for (int i = 0; i < list->columnCount(); ++i) row << list->topLevelItem(0)->text(i);
  EXPECT_EQ(row, QStringList({"Exit", "15", "08:00", "1403/09/17", "yes", "not received"}));

  QStringList captions;
  ModalAnswer answer([&](QWidget* AModal) {
    auto* dialog = qobject_cast<QFileDialog*>(AModal);
    if (dialog) {
      captions << dialog->windowTitle();
      for (const auto label : {QFileDialog::LookIn, QFileDialog::FileName, QFileDialog::FileType,
                               QFileDialog::Accept, QFileDialog::Reject})
        captions << dialog->labelText(label);
      for (const QLabel* label : dialog->findChildren<QLabel*>()) captions << label->text();
    }
    AModal->close();
  });
  Find<TTrafficPane>("PanelTraffic")->btnSaveTraffic()->click();
  ASSERT_TRUE(answer.Acted());
  EXPECT_EQ(captions.mid(0, 6), QStringList({"Save the line traffic", "Look in:", "File name:",
                                             "Files of type:", "Save", "Cancel"}));
  for (const QString& caption : captions) EXPECT_FALSE(HasArabicScript(caption)) << caption.toStdString();
}

TEST_F(LanguageTest, UnknownLanguageShowsTheTextsAsWrittenAndSaysSo) {
  main->SetLanguage("xx");
  EXPECT_EQ(Find<QGroupBox>("GroupBox1")->title(), QString(" تست خط ارتباطی "));
  EXPECT_TRUE(main->StatusText().contains("xx")) << main->StatusText().toStdString();
}

}  // namespace
