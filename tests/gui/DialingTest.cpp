// The dial step of the main window with the dialing window, against a simulated modem in
// virtual time: the window shows the number, the speed after the dial and the outcome; its
// cancel button gives a running dial up.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "GuiFixture.h"
#include "TrafficPane.h"
#include "inproc/VirtualPlatform.h"
#include "link/ModemDialogue.h"
#include "models/HayesModemModel.h"

namespace {

class DialingTest : public WindowsFixture {
 protected:
  DialingTest() {
    modem.setTimeSource([this] { return vp.P.Clock.elapsed(); });
    modem.setRecall([this] { vp.P.Wire.clearPending(); });
    vp.P.Wire.setModel(&modem);
    CreateWindows();
    main->show();
    Find<QLineEdit>("edtPhoneNumber")->setText("021555");
    Choose(Find<QComboBox>("cbInterface"), 1);
  }
  // Dials through the main window; AOnMessage sees the outcome message while it is shown.
  std::string Dial(const std::function<void()>& AOnMessage = {}) {
    std::string message;
    TScopedMessageHook hook(
        [&](const std::string& AMsg, TMsgDlgType, TMsgDlgButtons, std::int32_t) {
          message = AMsg;
          if (AOnMessage) AOnMessage();
          return static_cast<int>(mrOk);
        });
    main->miDialClick();
    return message;
  }

  // The platform first: the window's line takes its serial port from it.
  sim::ScopedVirtualPlatform vp;
  sim::HayesModemModel modem{nullptr};
};

TEST_F(DialingTest, ShowsTheNumberAndTheSpeedUntilTheOutcomeIsConfirmed) {
  modem.settings().Answer = {sim::DialVerdict::Connect, 3000, "2400"};
  QString numberShown, speedShown;
  bool visibleDuringMessage = false;
  const std::string message = Dial([&] {
    visibleDuringMessage = dialing->isVisible();
    numberShown = dialing->lblPhoneNumber()->text();
    speedShown = dialing->Label2()->text();
  });
  EXPECT_EQ(message, std::string(kDialConnected));
  EXPECT_TRUE(visibleDuringMessage);
  // The number as typed; the dial string's pulse prefix is the modem's business.
  EXPECT_EQ(numberShown, QString("021555"));
  EXPECT_EQ(speedShown, QString("2400"));
  EXPECT_TRUE(Line().ModemConnected());
  ASSERT_EQ(modem.dialled().size(), 1u);
  EXPECT_EQ(modem.dialled()[0], "021555");
  // Afterwards the window is hidden and its speed label empty; the main window takes input.
  EXPECT_FALSE(dialing->isVisible());
  EXPECT_TRUE(dialing->Label2()->text().isEmpty());
  EXPECT_TRUE(main->isEnabled());
  EXPECT_FALSE(Line().OnBreath);

  // The traffic pane saw the dial command go out and the modem's answer come back.
  const QString traffic = Find<TTrafficPane>("PanelTraffic")->Text();
  EXPECT_TRUE(traffic.contains("TX  41 54 44 50 30 32 31 35 35 35 0D")) << traffic.toStdString();
  EXPECT_TRUE(traffic.contains("RX  ")) << traffic.toStdString();
  EXPECT_TRUE(traffic.contains("CONNECT 2400")) << traffic.toStdString();
}

TEST_F(DialingTest, CancelButtonWorksWhileTheModemDials) {
  // The remote end never answers: without the cancel, the dial would run for a minute.
  modem.settings().Answer = {sim::DialVerdict::Silent, 0, ""};
  bool visible = false, mainTookInput = true, painted = false;
  QTimer click;
  QObject::connect(&click, &QTimer::timeout, [&] {
    if (!dialing->isVisible()) return;
    click.stop();
    visible = true;
    mainTookInput = main->isEnabled();
    painted = !dialing->grab().isNull();
    dialing->BitBtnCancel()->click();
  });
  click.start(0);
  const std::uint64_t start = vp.P.Clock.elapsed();
  const std::string message = Dial();
  EXPECT_TRUE(visible);
  EXPECT_FALSE(mainTookInput);
  EXPECT_TRUE(painted);
  EXPECT_EQ(message, std::string(kDialCanceled));
  EXPECT_LT(vp.P.Clock.elapsed() - start, 10000u);
  EXPECT_EQ(modem.abortedDials(), 1);
  EXPECT_FALSE(Line().ModemConnected());
  EXPECT_FALSE(dialing->isVisible());
  EXPECT_TRUE(main->isEnabled());
}

TEST_F(DialingTest, ModemLineThatCannotBeOpenedHidesTheDialingWindowAgain) {
  vp.P.SerialOpenFails = true;
  TScopedMessageHook hook([](const std::string&, TMsgDlgType, TMsgDlgButtons, std::int32_t) {
    return static_cast<int>(mrOk);
  });
  EXPECT_ANY_THROW(main->miDialClick());
  EXPECT_FALSE(dialing->isVisible());
  EXPECT_TRUE(main->isEnabled());
  EXPECT_FALSE(Line().OnBreath);
}

TEST_F(DialingTest, NumberTypedAfterChoosingTheModemIsDialled) {
  // The fixture chose the modem with a number; start again from an empty one.
  auto* number = Find<QLineEdit>("edtPhoneNumber");
  number->clear();
  Choose(Find<QComboBox>("cbInterface"), 1);
  ASSERT_TRUE(Line().PhoneNumber().empty());

  // Nothing to dial: no outcome box, no dial, no detection as if the modem were a cable.
  std::vector<std::string> shown;
  TScopedMessageHook hook([&](const std::string& AMsg, TMsgDlgType, TMsgDlgButtons, std::int32_t) {
    shown.push_back(AMsg);
    return static_cast<int>(mrOk);
  });
  Find<QPushButton>("btnDetect")->click();
  EXPECT_TRUE(shown.empty());
  EXPECT_TRUE(modem.dialled().empty());
  EXPECT_EQ(vp.P.Wire.WriteCount, 0);
  EXPECT_FALSE(Find<QLabel>("lblStatus")->text().isEmpty());

  // Typed now, after the choice: the line dials it.
  modem.settings().Answer = {sim::DialVerdict::Connect, 1000, "9600"};
  number->setText("t 77,12");
  EXPECT_EQ(Line().PhoneNumber(), "T 77 12");
  EXPECT_EQ(Line().EffectiveConnectionType(), Modem);
  Find<QPushButton>("btnDetect")->click();
  ASSERT_EQ(modem.dialled().size(), 1u);
  EXPECT_EQ(shown, std::vector<std::string>{std::string(kDialConnected)});
}

TEST_F(DialingTest, DialingWindowCannotBeClosedByTheUser) {
  dialing->show();
  EXPECT_FALSE(dialing->close());
  EXPECT_TRUE(dialing->isVisible());
  EXPECT_FALSE(dialing->windowFlags().testFlag(Qt::WindowCloseButtonHint));
  EXPECT_TRUE(dialing->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(dialing->size(), QSize(293, 121));
  EXPECT_EQ(dialing->windowTitle(), QString("شماره گيري"));
  EXPECT_EQ(dialing->BitBtnCancel()->text(), QString("انصراف"));
  EXPECT_EQ(dialing->BitBtnCancel()->size(), QSize(89, 25));
  dialing->hide();
}

}  // namespace
