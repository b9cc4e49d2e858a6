// The main window after start-up and the rules by which its controls set the default line.
#include <QApplication>
#include <QRegularExpression>
#include <QTest>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include "Animate.h"
#include "GuiFixture.h"
#include "PortChooser.h"
#include "TrafficPane.h"
#include "calendar/DateValue.h"
#include "calendar/PersianCalendar.h"
#include "utils/SystemDate.h"

namespace {

class MainWindowTest : public WindowsFixture {
 protected:
  void SetUp() override { ShowMain(); }
  QComboBox* SearchType() const { return Find<QComboBox>("comBoxSearchType"); }
  QComboBox* Interface() const { return Find<QComboBox>("cbInterface"); }
  QComboBox* BaudRate() const { return Find<QComboBox>("comBoxBaudRate"); }
  QLineEdit* TcpPort() const { return Find<QLineEdit>("edTCPIPPort"); }
  TPortChooser* Port() const { return Find<TPortChooser>("edtPort"); }
  QCheckBox* TcpIpBox() const { return Find<QCheckBox>("ChBoxTCPIP"); }
  void Spin(const char* AButton, int ATimes) {
    for (int i = 0; i < ATimes; ++i) Find<QToolButton>(AButton)->click();
  }
};

TEST_F(MainWindowTest, StartsInTheIdleStateWithACableLineOnCom1) {
  EXPECT_EQ(main->windowTitle(), QString("ابزار ارتباط با دستگاههای شرکت زروند"));
  EXPECT_EQ(main->layoutDirection(), Qt::RightToLeft);

  const QStringList searchTypes = {
      "ساعت هاي KR-Tal (سريع)",    "ساعت هاي KR-Tal",          "ساعت هاي KR-Mira",
      "ساعت هاي KR-Tal R2 (سريع)", "ساعت هاي KR-Tal R2",       "ساعت هاي KR-Optica",
      "ساعت هاي KR-Mira120",       "ساعت هاي KR-Ember (سريع)", "ساعت هاي KR-Ember"};
  ASSERT_EQ(SearchType()->count(), searchTypes.size());
  for (int i = 0; i < searchTypes.size(); ++i) EXPECT_EQ(SearchType()->itemText(i), searchTypes[i]);
  EXPECT_EQ(SearchType()->currentIndex(), 0);

  ASSERT_EQ(Interface()->count(), 2);
  EXPECT_EQ(Interface()->itemText(0), QString("كابل"));
  EXPECT_EQ(Interface()->itemText(1), QString("مودم"));
  EXPECT_EQ(Interface()->currentIndex(), 0);

  EXPECT_EQ(Port()->PortName(), QString("COM1"));
  EXPECT_EQ(BaudRate()->currentText(), QString("9600"));
  EXPECT_EQ(TcpPort()->text(), QString("1001"));
  EXPECT_FALSE(TcpIpBox()->isChecked());
  for (const char* name : {"EdIPAddress", "edTCPIPPort", "lbTCPIPPort"})
    EXPECT_FALSE(Find<QWidget>(name)->isEnabled()) << name;
  EXPECT_EQ(Find<QLineEdit>("EdIPAddress")->layoutDirection(), Qt::LeftToRight);
  for (const char* name : {"lblPhoneNumber", "edtPhoneNumber", "Animate1", "LaConnectProcess",
                           "ChIsSolar", "PanelTraffic"})
    EXPECT_FALSE(Find<QWidget>(name)->isVisible()) << name;
  for (const char* name : {"comBoxBaudRate", "lblBaudRate", "LvDetectClock", "LvDumRecord"})
    EXPECT_TRUE(Find<QWidget>(name)->isVisible()) << name;
  EXPECT_FALSE(Find<TAnimate>("Animate1")->Active());
  EXPECT_FALSE(Find<QTimer>("TimerAppProcess")->isActive());
  EXPECT_FALSE(Find<QTimer>("TimerStopReading")->isActive());

  EXPECT_TRUE(Find<QPushButton>("btnDetect")->isEnabled());
  auto* dump = Find<QPushButton>("btnStartStop");
  EXPECT_FALSE(dump->isEnabled());
  EXPECT_EQ(dump->text(), QString("تخليه"));
  EXPECT_TRUE(Find<QCheckBox>("ChIsSolar")->isChecked());
  EXPECT_EQ(Find<QTreeWidget>("LvDumRecord")->columnCount(), 6);
  EXPECT_FALSE(Find<QPushButton>("btnExportCsv")->isEnabled());
  EXPECT_TRUE(Find<QLabel>("lblRecordCount")->text().isEmpty());

  // The default line as the connection list made it.
  ASSERT_NE(main->VexConnections->DefaultItem(), nullptr);
  EXPECT_EQ(Line().ConnectionName, "پيش فرض");
  EXPECT_EQ(Line().EffectiveConnectionType(), Cable);
  EXPECT_EQ(Line().SerialPortNumber(), 1);
  EXPECT_EQ(Line().BaudRate(), br9600);
  EXPECT_EQ(Line().Protocol(), RS232);
  EXPECT_TRUE(Line().PhoneNumber().empty());
  EXPECT_FALSE(Line().OnBreath);
  ASSERT_EQ(Line().Clocks().size(), 1u);
  EXPECT_EQ(Line().Clocks().front()->ClockNumber, 1);

  // The computer's year in full, in the solar calendar the hidden box names.
  EXPECT_EQ(main->CurrentYear(), std::to_string(SolarToday().Year));
  EXPECT_EQ(ShortDateFormat(), "YYYY/MM/DD");
  EXPECT_FALSE(box->isVisible());
  EXPECT_FALSE(dialing->isVisible());
}

TEST_F(MainWindowTest, CurrentYearIsGregorianWhenTheSolarBoxIsCleared) {
  Find<QCheckBox>("ChIsSolar")->setChecked(false);
  main->FormShow();
  int year = 0, month = 0, day = 0;
  DecodeDate(Today(), year, month, day);
  EXPECT_EQ(main->CurrentYear(), std::to_string(year));
}

TEST_F(MainWindowTest, ShowingTheWindowAgainKeepsTheListsSize) {
  const int height = Find<QWidget>("LvDetectClock")->height();
  main->hide();
  main->show();
  EXPECT_EQ(Find<QWidget>("LvDetectClock")->height(), height);
}

TEST_F(MainWindowTest, SearchTypeChoosesTheTcpPort) {
  struct Step {
    const char* Typed;  // typed into the port before the choice; nullptr types nothing
    int SearchType;
    const char* Port;
  };
  const Step steps[] = {
      {nullptr, cstKRMira120, "4370"}, {nullptr, cstKRTal, "1001"},
      {nullptr, cstKRMira120, "4370"}, {nullptr, cstKREmber, "1001"},
      {"5005", cstKRMira120, "4370"},  {"5005", cstKRTalFast, "5005"},
      {"5005", cstKROptica, "5005"},   {"  ", cstKRMira, "1001"},
      {" 4370 ", cstKRTalR2, "1001"},  {"", cstKREmberFast, "1001"},
  };
  for (const Step& step : steps) {
    if (step.Typed) TcpPort()->setText(step.Typed);
    Choose(SearchType(), step.SearchType);
    EXPECT_EQ(TcpPort()->text(), QString(step.Port))
        << "typed '" << (step.Typed ? step.Typed : "-") << "', search type " << step.SearchType;
  }
}

TEST_F(MainWindowTest, SpinButtonsStayWithinCom1ToCom19) {
  Spin("SpeedButton2", 1);
  EXPECT_EQ(Port()->PortName(), QString("COM1"));
  Spin("SpeedButton1", 25);
  EXPECT_EQ(Port()->PortName(), QString("COM19"));
  Spin("SpeedButton2", 7);
  EXPECT_EQ(Port()->PortName(), QString("COM12"));
  Spin("SpeedButton2", 20);
  EXPECT_EQ(Port()->PortName(), QString("COM1"));
}

TEST_F(MainWindowTest, PortReachesTheLineAtOnce) {
  Spin("SpeedButton1", 2);
  EXPECT_EQ(Port()->PortName(), QString("COM3"));
  EXPECT_EQ(Line().SerialPortNumber(), 3);
  // Through TCP/IP and back, the new serial port gets the port shown.
  Spin("SpeedButton1", 9);
  TcpIpBox()->click();
  TcpIpBox()->click();
  EXPECT_EQ(Line().SerialPortNumber(), 12);
}

TEST_F(MainWindowTest, ModemInterfaceShowsThePhoneNumberAndSetsTheLine) {
  Find<QLineEdit>("edtPhoneNumber")->setText("021,555");
  Choose(Interface(), 1);
  EXPECT_EQ(Line().PhoneNumber(), "P021 555");
  EXPECT_EQ(Line().EffectiveConnectionType(), Modem);
  EXPECT_TRUE(Find<QWidget>("edtPhoneNumber")->isVisible());
  EXPECT_TRUE(Find<QWidget>("lblPhoneNumber")->isVisible());
  EXPECT_FALSE(Find<QWidget>("comBoxBaudRate")->isVisible());
  EXPECT_FALSE(Find<QWidget>("lblBaudRate")->isVisible());

  // A number changed afterwards applies at once.
  Find<QLineEdit>("edtPhoneNumber")->setText("t123");
  EXPECT_EQ(Line().PhoneNumber(), "T123");

  Choose(Interface(), 0);
  EXPECT_TRUE(Line().PhoneNumber().empty());
  EXPECT_EQ(Line().EffectiveConnectionType(), Cable);
  EXPECT_TRUE(Find<QWidget>("comBoxBaudRate")->isVisible());
  EXPECT_FALSE(Find<QWidget>("edtPhoneNumber")->isVisible());
}

TEST_F(MainWindowTest, BaudRateReachesACableLineOnly) {
  Choose(Interface(), 0);
  Choose(BaudRate(), 3);
  EXPECT_EQ(Line().BaudRate(), br19200);
  Choose(BaudRate(), 4);
  EXPECT_EQ(Line().BaudRate(), br57600);
  Choose(BaudRate(), 0);
  EXPECT_EQ(Line().BaudRate(), br2400);

  Find<QLineEdit>("edtPhoneNumber")->setText("555");
  Choose(Interface(), 1);
  Choose(BaudRate(), 1);
  EXPECT_EQ(Line().BaudRate(), br2400);
}

TEST_F(MainWindowTest, TcpIpBoxSwitchesTheControlsAndTheLine) {
  Find<QLineEdit>("EdIPAddress")->setText("127.0.0.1");
  TcpPort()->setText("4370");
  TcpIpBox()->click();

  for (const char* name :
       {"EdIPAddress", "edTCPIPPort", "lbTCPIPPort", "SpeedButton1", "SpeedButton2"})
    EXPECT_TRUE(Find<QWidget>(name)->isEnabled()) << name;
  for (const char* name : {"Label3", "Label2", "lblPhoneNumber", "edtPort", "cbInterface",
                           "edtPhoneNumber", "comBoxBaudRate", "lblBaudRate"})
    EXPECT_FALSE(Find<QWidget>(name)->isEnabled()) << name;
  // The interface combo gets a selection, cable, when it had none.
  EXPECT_EQ(Interface()->currentIndex(), 0);
  EXPECT_EQ(Line().EffectiveConnectionType(), TcpIp);
  EXPECT_EQ(Line().SocketAddress(), "127.0.0.1");
  EXPECT_EQ(Line().SocketPort(), 4370);

  // A port that is not a number is taken as 1001.
  TcpPort()->setText("abc");
  TcpIpBox()->click();
  TcpIpBox()->click();
  EXPECT_EQ(Line().SocketPort(), 1001);

  TcpIpBox()->click();
  EXPECT_FALSE(TcpIpBox()->isChecked());
  EXPECT_FALSE(Find<QWidget>("EdIPAddress")->isEnabled());
  EXPECT_TRUE(Find<QWidget>("cbInterface")->isEnabled());
  EXPECT_EQ(Line().EffectiveConnectionType(), Cable);
  EXPECT_EQ(Line().SerialPortNumber(), 1);
}

TEST_F(MainWindowTest, TcpIpWithTheModemChosenClearsThePhoneNumber) {
  Find<QLineEdit>("edtPhoneNumber")->setText("555");
  Choose(Interface(), 1);
  ASSERT_EQ(Line().PhoneNumber(), "P555");
  TcpIpBox()->click();
  EXPECT_TRUE(Line().PhoneNumber().empty());
  EXPECT_EQ(Line().EffectiveConnectionType(), TcpIp);
  // Back to the modem: the number comes from the edit again.
  TcpIpBox()->click();
  EXPECT_EQ(Line().PhoneNumber(), "P555");
  EXPECT_EQ(Line().EffectiveConnectionType(), Modem);
}

TEST_F(MainWindowTest, TrafficPaneIsHiddenUntilToggledAndGrowsTheWindow) {
  auto* toggle = Find<QToolButton>("btnTraffic");
  auto* pane = Find<TTrafficPane>("PanelTraffic");
  EXPECT_FALSE(pane->isVisible());
  const int height = main->height();
  toggle->click();
  EXPECT_TRUE(pane->isVisible());
  EXPECT_GT(main->height(), height);
  EXPECT_TRUE(QRect(QPoint(0, 0), main->size()).contains(pane->geometry()));
  toggle->click();
  EXPECT_FALSE(pane->isVisible());
}

TEST_F(MainWindowTest, ListsAndTrafficTakeTheSpaceOfALargerWindow) {
  EXPECT_LT(main->minimumWidth(), main->maximumWidth());
  EXPECT_LT(main->minimumHeight(), main->maximumHeight());
  Find<QToolButton>("btnTraffic")->click();
  QWidget* clocks = Find<QWidget>("LvDetectClock");
  QWidget* records = Find<QWidget>("LvDumRecord");
  QWidget* pane = Find<QWidget>("PanelTraffic");
  const QSize clocks0 = clocks->size(), records0 = records->size(), pane0 = pane->size();

  main->resize(1100, 800);
  QApplication::processEvents();
  EXPECT_GT(clocks->height(), clocks0.height());
  EXPECT_GT(records->width(), records0.width());
  EXPECT_GT(records->height(), records0.height());
  EXPECT_GT(pane->width(), pane0.width());
  EXPECT_GT(pane->height(), pane0.height());
  // Right to left: the line test stands on the right of the dump, the status line at the bottom.
  EXPECT_GT(Find<QWidget>("GroupBox1")->x(), Find<QWidget>("GroupBox2")->x());
  EXPECT_GT(Find<QWidget>("lblStatus")->y(), pane->y());
}

TEST_F(MainWindowTest, TrafficPaneStandsOnItsOwnAndComesBackWhenClosed) {
  auto* pane = Find<TTrafficPane>("PanelTraffic");
  Find<QToolButton>("btnTraffic")->click();
  pane->btnDetachTraffic()->click();
  EXPECT_TRUE(pane->isWindow());
  EXPECT_TRUE(pane->isVisible());
  EXPECT_FALSE(main->isAncestorOf(pane));
  Line().OnTraffic(5, TTrafficDirection::Tx, "A");
  pane->FlushFrames();
  EXPECT_EQ(pane->LineCount(), 1);

  pane->close();
  EXPECT_FALSE(pane->isWindow());
  EXPECT_TRUE(main->isAncestorOf(pane));
  EXPECT_TRUE(pane->isVisible());
  EXPECT_EQ(pane->LineCount(), 1);
}

TEST_F(MainWindowTest, TrafficOfTheDefaultLineReachesThePaneByFrames) {
  auto* pane = Find<TTrafficPane>("PanelTraffic");
  ASSERT_TRUE(Line().OnTraffic);
  // A text command in one write, its reply in two reads: two frames, the reply whole once the
  // line has been quiet (or the next command goes).
  Line().OnTraffic(5, TTrafficDirection::Tx, std::string("\x02" "A1\x03", 4));
  Line().OnTraffic(9, TTrafficDirection::Rx, "O");
  Line().OnTraffic(11, TTrafficDirection::Rx, "K");
  EXPECT_EQ(pane->LineCount(), 1);
  EXPECT_TRUE(Find<QTimer>("TimerTrafficQuiet")->isActive());
  QTest::qWait(TTrafficPane::kQuietMs + 200);
  const QStringList lines = pane->Text().split('\n');
  ASSERT_EQ(lines.size(), 2) << pane->Text().toStdString();
  EXPECT_TRUE(lines[0].contains(QRegularExpression(
      "^\\d\\d:\\d\\d:\\d\\d\\.\\d{3}  TX  02 41 31 03 {36}  \\|\\.A1\\.\\|")))
      << lines[0].toStdString();
  EXPECT_TRUE(lines[1].contains(QRegularExpression("  RX  4F 4B {42}  \\|OK\\|")))
      << lines[1].toStdString();
}

TEST(TrafficFrameLines, LongFramesGoOnBelowAndHdlcFramesStandApart) {
  TTrafficPane pane;
  // Two HDLC frames in one read, the second twenty bytes long.
  std::string second = "\x7E" + std::string(18, 'a') + "\x7E";
  pane.AddTraffic(1, ptHdlc, TTrafficDirection::Rx, "\x7E\x01\x02\x7E" + second);
  pane.FlushFrames();
  const QStringList lines = pane.Text().split('\n');
  ASSERT_EQ(lines.size(), 3) << pane.Text().toStdString();
  EXPECT_TRUE(lines[0].contains("RX  7E 01 02 7E ")) << lines[0].toStdString();
  EXPECT_TRUE(lines[1].contains("RX  7E 61 61")) << lines[1].toStdString();
  // The rest of the long frame under the first row's bytes, its text under the first row's text.
  EXPECT_EQ(lines[2], QString(18, ' ') + QString("61 61 61 7E").leftJustified(47) + "  |aaa~|");
  EXPECT_EQ(lines[1].indexOf('|'), lines[2].indexOf('|'));
  EXPECT_EQ(lines[1].indexOf("7E 61"), lines[2].indexOf("61 61 61 7E"));
}

TEST_F(MainWindowTest, TrafficIsSavedToAFileAndCleared) {
  auto* pane = Find<TTrafficPane>("PanelTraffic");
  Line().OnTraffic(5, TTrafficDirection::Tx, "A");
  Line().OnTraffic(6, TTrafficDirection::Rx, "B");
  pane->FlushFrames();
  ASSERT_TRUE(pane->SaveToFile(FilePath("traffic.txt")));
  QFile saved(FilePath("traffic.txt"));
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(saved.readAll()), pane->Text() + "\n");
  EXPECT_FALSE(pane->SaveToFile(FilePath("no such folder/traffic.txt")));
  pane->btnClearTraffic()->click();
  EXPECT_EQ(pane->LineCount(), 0);
}

}  // namespace
