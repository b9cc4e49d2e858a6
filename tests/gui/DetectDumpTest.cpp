// The detection and the dump of the main window against clocksim over TCP, in real time.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeWidget>

#include "Animate.h"
#include "GuiFixture.h"
#include "SimProcess.h"

namespace {

class DetectDumpTest : public WindowsFixture {
 protected:
  // Starts the simulator with AStatements and points the window's line at it over TCP/IP.
  void Serve(const QString& AStatements) {
    sim = std::make_unique<SimProcess>(AStatements);
    ASSERT_GT(sim->Port(), 0) << sim->Errors().toStdString();
    CreateWindows();
    main->show();
    Find<QLineEdit>("EdIPAddress")->setText("127.0.0.1");
    Find<QLineEdit>("edTCPIPPort")->setText(QString::number(sim->Port()));
    Find<QCheckBox>("ChBoxTCPIP")->click();
    ASSERT_EQ(Line().EffectiveConnectionType(), TcpIp);
  }
  void Detect(int ASearchType) {
    Choose(Find<QComboBox>("comBoxSearchType"), ASearchType);
    Find<QPushButton>("btnDetect")->click();
  }
  QListWidget* Clocks() const { return Find<QListWidget>("LvDetectClock"); }
  QTreeWidget* Records() const { return Find<QTreeWidget>("LvDumRecord"); }
  QPushButton* DumpButton() const { return Find<QPushButton>("btnStartStop"); }
  QStringList CaptionLines(int ARow) const {
    return Clocks()->item(ARow)->data(TFrmMain::kRawCaptionRole).toString().split("\n\r");
  }
  // The card numbers of the rows listed.
  QStringList Cards() const {
    QStringList cards;
    for (int i = 0; i < Records()->topLevelItemCount(); ++i)
      cards << Records()->topLevelItem(i)->text(1);
    return cards;
  }
  // A detection, then a dump; the cards it listed.
  QStringList DetectAndDump() {
    Detect(cstKRTalFast);
    EXPECT_TRUE(DumpButton()->isEnabled());
    DumpButton()->click();
    return Cards();
  }
  void ExpectIdle() const {
    EXPECT_TRUE(Find<QPushButton>("btnDetect")->isEnabled());
    EXPECT_FALSE(Find<QWidget>("Animate1")->isVisible());
    EXPECT_FALSE(Find<TAnimate>("Animate1")->Active());
    EXPECT_FALSE(Find<QWidget>("LaConnectProcess")->isVisible());
    EXPECT_FALSE(Find<QTimer>("TimerAppProcess")->isActive());
  }
  void ExpectDumpEnded() const {
    EXPECT_FALSE(DumpButton()->isEnabled());
    EXPECT_EQ(DumpButton()->text(), QString("تخليه"));
    EXPECT_FALSE(Find<QTimer>("TimerStopReading")->isActive());
  }

  std::unique_ptr<SimProcess> sim;
};

TEST_F(DetectDumpTest, SingleClockIsListedWithItsLinesDriftAndPicture) {
  Serve("");
  Detect(cstKRTalFast);
  ASSERT_EQ(Clocks()->count(), 1);
  const QStringList lines = CaptionLines(0);
  ASSERT_EQ(lines.size(), 5) << lines.join('|').toStdString();
  EXPECT_EQ(lines[0].toUpper(), QString("KR-TAL 100"));
  EXPECT_EQ(lines[1], QString("VER 3.10"));
  EXPECT_TRUE(lines[2].startsWith("1403/09/1")) << lines[2].toStdString();
  EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d$").match(lines[3]).hasMatch())
      << lines[3].toStdString();
  // The drift from the computer's clock, in seconds: the simulated clock lives in 1403.
  EXPECT_TRUE(QRegularExpression("^-\\d+ s$").match(lines[4]).hasMatch()) << lines[4].toStdString();
  EXPECT_EQ(Clocks()->item(0)->data(TFrmMain::kImageIndexRole).toInt(), int(KRTal));
  EXPECT_TRUE(DumpButton()->isEnabled());
  ExpectIdle();
}

TEST_F(DetectDumpTest, NothingAnsweringLeavesTheListEmptyAndTheDumpButtonAsItWas) {
  Serve("misbehave silence");
  // As after an earlier detection that found a clock.
  DumpButton()->setEnabled(true);
  Clocks()->addItem("earlier");
  Detect(cstKRTalFast);
  EXPECT_EQ(Clocks()->count(), 0);
  EXPECT_TRUE(DumpButton()->isEnabled());
  ExpectIdle();
}

TEST_F(DetectDumpTest, BusScanListsOnlyTheClocksOfTheSearchType) {
  Serve(
      "protocol RS485; clock 1; name KR-Optica 1; clock 2; name KR-Tal 2; clock 3;"
      "name KR-Ember 3; clock 4; name KR-Corax 4");
  Line().MaxClockNumber = 5;
  Detect(cstKRTal);
  ASSERT_EQ(Line().Clocks().size(), 4u);
  ASSERT_EQ(Clocks()->count(), 2);
  EXPECT_EQ(CaptionLines(0)[0].toUpper(), QString("KR-TAL 2"));
  EXPECT_EQ(Clocks()->item(0)->data(TFrmMain::kImageIndexRole).toInt(), int(KRTal));
  EXPECT_EQ(CaptionLines(1)[0].toUpper(), QString("KR-CORAX 4"));
  EXPECT_EQ(Clocks()->item(1)->data(TFrmMain::kImageIndexRole).toInt(), int(KRCorax));
  // The scan showed the numbers it asked, up to the last.
  EXPECT_EQ(Find<QLabel>("lblProbeClock")->text(), QString("5 / 5"));
  EXPECT_FALSE(Find<QLabel>("lblProbeClock")->isVisible());
  EXPECT_FALSE(Line().OnProbeClock);
  ExpectIdle();
}

TEST_F(DetectDumpTest, DumpTakesThreeRecordsAndLeavesTheRestOnTheClock) {
  Serve(
      "clear-records; record 1001 1403/09/17 08:01; record 1002 1403/09/17 08:02;"
      "record 1003 1403/09/17 08:03; record 1004 1403/09/17 08:04;"
      "record 1005 1403/09/17 08:05");
  EXPECT_EQ(DetectAndDump(), QStringList({"1001", "1002", "1003"}));
  ExpectDumpEnded();
  // Solar records on a solar computer keep their dates.
  const QTreeWidgetItem* first = Records()->topLevelItem(0);
  EXPECT_EQ(first->text(2), QString("08:01"));
  EXPECT_EQ(first->text(3), QString("03/09/17"));

  EXPECT_EQ(DetectAndDump(), QStringList({"1004", "1005"}));
  ExpectDumpEnded();
  // An empty clock ends the dump at once, without a message.
  int messages = 0;
  TScopedMessageHook hook([&](const std::string&, TMsgDlgType, TMsgDlgButtons, std::int32_t) {
    ++messages;
    return static_cast<int>(mrOk);
  });
  EXPECT_TRUE(DetectAndDump().isEmpty());
  ExpectDumpEnded();
  EXPECT_EQ(messages, 0);
}

TEST_F(DetectDumpTest, SecondClickStopsTheDumpAndClearsTheList) {
  Serve(
      "clear-records; record 2001 1403/09/17 09:01; record 2002 1403/09/17 09:02;"
      "record 2003 1403/09/17 09:03; record 2004 1403/09/17 09:04;"
      "record 2005 1403/09/17 09:05");
  Detect(cstKRTalFast);
  bool clicked = false;
  QTimer stopper;
  QObject::connect(&stopper, &QTimer::timeout, [&] {
    if (clicked || Records()->topLevelItemCount() < 1) return;
    clicked = true;
    EXPECT_EQ(DumpButton()->text(), QString("توقف"));
    DumpButton()->click();
  });
  stopper.start(1);
  DumpButton()->click();
  stopper.stop();
  ASSERT_TRUE(clicked);
  EXPECT_EQ(Records()->topLevelItemCount(), 0);
  ExpectDumpEnded();
  // The record listed before the stop was taken from the clock, the others stayed there.
  EXPECT_EQ(DetectAndDump(), QStringList({"2002", "2003", "2004"}));
  EXPECT_EQ(DetectAndDump(), QStringList({"2005"}));
}

}  // namespace
