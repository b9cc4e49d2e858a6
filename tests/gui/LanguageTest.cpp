// The interface language: the dictionaries shipped with the program, chosen by the menu (or by
// the program's option), put every caption, column title and choice of the windows through the
// dictionary, and the direction follows the language.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTreeWidget>

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

TEST_F(LanguageTest, UnknownLanguageShowsTheTextsAsWrittenAndSaysSo) {
  main->SetLanguage("xx");
  EXPECT_EQ(Find<QGroupBox>("GroupBox1")->title(), QString(" تست خط ارتباطی "));
  EXPECT_TRUE(main->StatusText().contains("xx")) << main->StatusText().toStdString();
}

}  // namespace
