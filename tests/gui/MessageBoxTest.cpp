// The message box: its layout rules, the focus, the results of its buttons and the Arabic
// captions.
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "GuiFixture.h"

namespace {

constexpr int kMargin = 15;

class MessageBoxTest : public ProgramFolderFixture {
 protected:
  TfrmMessageBox box;

  QRect Geometry(TMsgDlgButtons AButton) const { return box.Button(AButton)->geometry(); }
  // Checks the rules that hold for every message: icon at the right edge, text to its left,
  // panel centred below the lower of the two, margins around everything.
  void ExpectFrame() const {
    const QRect image = box.Image1()->geometry();
    const QRect text = box.lMessage()->geometry();
    const QRect panel = box.Panel1()->geometry();
    const int clientWidth = box.width();
    EXPECT_EQ(image.topLeft(), QPoint(clientWidth - image.width() - kMargin, kMargin));
    EXPECT_EQ(text.topLeft(), QPoint(image.left() - text.width() - kMargin, kMargin));
    EXPECT_EQ(panel.top(), std::max(image.bottom(), text.bottom()) + 1 + kMargin);
    EXPECT_EQ(panel.left(), (clientWidth - panel.width()) / 2);
    EXPECT_EQ(box.height(), panel.bottom() + 1 + kMargin);
    EXPECT_EQ(clientWidth, std::max(panel.width(), text.width() + image.width() + 3 * kMargin));
    EXPECT_EQ(panel.height(), 26);
  }
  // The result of showing the box for AButtons and letting AAnswer act on it.
  int Answer(TMsgDlgButtons AButtons, std::function<void()> AAnswer) {
    box.Initialize("پيغام", mtConfirmation, AButtons, 0);
    ModalAnswer answer([&](QWidget*) { AAnswer(); });
    const int result = box.ShowModal();
    EXPECT_FALSE(answer.TimedOut());
    return result;
  }
};

TEST_F(MessageBoxTest, YesNoRowHasNoLeftOfYesInA195PixelPanel) {
  box.Initialize("آيا ادامه مي دهيد؟", mtInformation, mbYes | mbNo, 0);
  EXPECT_EQ(box.Panel1()->width(), 75 + 75 + 3 * kMargin);
  EXPECT_EQ(Geometry(mbNo), QRect(kMargin, 0, 75, 25));
  EXPECT_EQ(Geometry(mbYes), QRect(75 + 2 * kMargin, 0, 75, 25));
  for (TMsgDlgButtons other :
       {mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp})
    EXPECT_FALSE(box.Button(other)->isVisibleTo(&box)) << other;
  EXPECT_EQ(box.windowTitle(), QString("اطلاعات"));
  EXPECT_EQ(box.Button(mbYes)->text(), QString("&بله"));
  EXPECT_EQ(box.Button(mbNo)->text(), QString("&خير"));
  EXPECT_FALSE(static_cast<QLabel*>(box.Image1())->pixmap().isNull());
  ExpectFrame();

  box.show();
  EXPECT_EQ(box.focusWidget(), box.Button(mbYes));
  box.hide();
}

TEST_F(MessageBoxTest, OkAloneIsCentredUnderTheTextAndTakesTheFocus) {
  box.Initialize("اطلاعات ذخيره شد", mtWarning, mbOK, 0);
  EXPECT_EQ(box.Panel1()->width(), 75 + 2 * kMargin);
  EXPECT_EQ(Geometry(mbOK), QRect(kMargin, 0, 75, 25));
  EXPECT_EQ(box.Button(mbOK)->text(), QString("تاييد"));
  EXPECT_EQ(box.windowTitle(), QString("توجه"));
  ExpectFrame();
  const QRect panel = box.Panel1()->geometry();
  EXPECT_LE(std::abs(panel.center().x() - box.width() / 2), 1);
  box.show();
  EXPECT_EQ(box.focusWidget(), box.Button(mbOK));
  box.hide();
}

TEST_F(MessageBoxTest, EveryButtonInItsPlaceAndTheFocusOrder) {
  // All eleven: Help leftmost, Yes rightmost; the wider "to all" buttons take 91 pixels.
  box.Initialize("x", mtError, 0x7FF, 0);
  const TMsgDlgButtons order[] = {mbHelp, mbAll,     mbIgnore, mbRetry,    mbAbort, mbCancel,
                                  mbOK,   mbNoToAll, mbNo,     mbYesToAll, mbYes};
  int x = kMargin;
  for (TMsgDlgButtons button : order) {
    EXPECT_EQ(Geometry(button).left(), x) << button;
    x += Geometry(button).width() + kMargin;
  }
  EXPECT_EQ(box.Panel1()->width(), x);
  EXPECT_EQ(Geometry(mbYesToAll).width(), 91);
  EXPECT_EQ(Geometry(mbNoToAll).width(), 91);
  EXPECT_EQ(box.windowTitle(), QString("خطا"));
  ExpectFrame();

  // The focus goes to the first shown of Yes, Yes to all, No, No to all, OK, ...
  struct Case {
    TMsgDlgButtons Buttons;
    TMsgDlgButtons Focus;
  };
  const Case cases[] = {{mbOK | mbCancel, mbOK},         {mbNo | mbNoToAll, mbNo},
                        {mbYesToAll | mbNo, mbYesToAll}, {mbAbort | mbRetry | mbIgnore, mbAbort},
                        {mbHelp | mbAll, mbAll},         {mbHelp, mbHelp}};
  for (const Case& c : cases) {
    box.Initialize("x", mtConfirmation, c.Buttons, 0);
    box.show();
    EXPECT_EQ(box.focusWidget(), box.Button(c.Focus)) << c.Buttons;
    box.hide();
  }
}

TEST_F(MessageBoxTest, LongMessageWrapsAt400PixelsAndShortOneKeepsTheBoxNarrow) {
  box.Initialize("کوتاه", mtInformation, mbOK, 0);
  const int shortHeight = box.lMessage()->height();
  EXPECT_LT(box.lMessage()->width(), 100);
  // The button row decides the width: 105 against a short text and the icon.
  EXPECT_EQ(box.width(), std::max(105, box.lMessage()->width() + 32 + 3 * kMargin));
  ExpectFrame();

  std::string text;
  for (int i = 0; i < 30; ++i) text += "ارتباط با ساعت برقرار نشد ";
  box.Initialize(text, mtInformation, mbOK, 0);
  EXPECT_EQ(box.lMessage()->width(), 400);
  EXPECT_GT(box.lMessage()->height(), 3 * shortHeight);
  EXPECT_EQ(box.width(), 400 + 32 + 3 * kMargin);
  ExpectFrame();
}

TEST_F(MessageBoxTest, CustomKindKeepsTheTitleAndShowsNoIcon) {
  box.Initialize("x", mtError, mbOK, 0);
  box.Initialize("y", mtCustom, mbOK, 0);
  EXPECT_EQ(box.windowTitle(), QString("خطا"));
  EXPECT_TRUE(static_cast<QLabel*>(box.Image1())->pixmap().isNull());
}

TEST_F(MessageBoxTest, ButtonsAnswerWithTheirModalResults) {
  struct Case {
    TMsgDlgButtons Bit;
    int Result;
  };
  const Case cases[] = {{mbYes, mrYes},          {mbNo, mrNo},       {mbOK, mrOk},
                        {mbCancel, mrCancel},    {mbAbort, mrAbort}, {mbRetry, mrRetry},
                        {mbIgnore, mrIgnore},    {mbAll, mrAll},     {mbNoToAll, mrNoToAll},
                        {mbYesToAll, mrYesToAll}};
  for (const Case& c : cases)
    EXPECT_EQ(Answer(0x7FF, [&] { box.Button(c.Bit)->click(); }), c.Result) << c.Bit;
}

TEST_F(MessageBoxTest, HelpDoesNotCloseTheBoxAndClosingAnswersCancel) {
  bool stillOpen = false;
  const int result = Answer(mbHelp | mbOK, [&] {
    box.Button(mbHelp)->click();
    stillOpen = box.isVisible();
    box.close();
  });
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(result, mrCancel);
}

TEST_F(MessageBoxTest, EscapePressesNoToAllOnlyWhenItIsShown) {
  EXPECT_EQ(Answer(mbYes | mbNoToAll, [&] { QTest::keyClick(&box, Qt::Key_Escape); }), mrNoToAll);
  bool stillOpen = false;
  const int result = Answer(mbYes | mbNo, [&] {
    QTest::keyClick(&box, Qt::Key_Escape);
    stillOpen = box.isVisible();
    box.Button(mbNo)->click();
  });
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(result, mrNo);
}

TEST_F(MessageBoxTest, EnterPressesTheButtonWithTheFocus) {
  EXPECT_EQ(Answer(mbYes | mbNo, [&] { QTest::keyClick(box.focusWidget(), Qt::Key_Return); }),
            mrYes);
}

TEST_F(MessageBoxTest, ArabicFlagGivesArabicCaptionsAndTitles) {
  SetArabicFlag(true);
  box.Initialize("x", mtInformation, mbYes | mbNo, 0);
  EXPECT_EQ(box.Button(mbYes)->text(), QString("حسناً"));
  EXPECT_EQ(box.Button(mbNo)->text(), QString("إلغاء"));
  EXPECT_EQ(box.windowTitle(), QString("معلومات"));
  struct Case {
    TMsgDlgType Kind;
    const char* Title;
  };
  for (const Case& c :
       {Case{mtWarning, "تحذير"}, Case{mtError, "خطأ"}, Case{mtConfirmation, "حسناً"}}) {
    box.Initialize("x", c.Kind, mbOK, 0);
    EXPECT_EQ(box.windowTitle(), QString(c.Title));
  }
  box.Initialize("x", mtInformation, mbRetry | mbYesToAll | mbHelp, 0);
  EXPECT_EQ(box.Button(mbRetry)->text(), QString("إعادة المحاولة"));
  EXPECT_EQ(box.Button(mbYesToAll)->text(), QString("نعم للكل"));
  EXPECT_EQ(box.Button(mbHelp)->text(), QString("مساعده"));
  // The captions follow the flag back.
  SetArabicFlag(false);
  box.Initialize("x", mtInformation, mbYes | mbNo, 0);
  EXPECT_EQ(box.Button(mbYes)->text(), QString("&بله"));
  EXPECT_EQ(box.windowTitle(), QString("اطلاعات"));
}

}  // namespace
