// The window's settings reach the line the moment they change, and the status line says what the
// last detection did: against a simulated text clock on the serial line, in virtual time.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>

#include "GuiFixture.h"
#include "PortChooser.h"
#include "inproc/VirtualPlatform.h"
#include "models/Rs485BusModel.h"
#include "models/TextClockModel.h"

namespace {

class LineSettingsTest : public WindowsFixture {
 protected:
  LineSettingsTest() {
    vp.P.Wire.setModel(&clock);
    CreateWindows();
    main->show();
  }
  void Detect() {
    messages.clear();
    TScopedMessageHook hook([this](const std::string& AMsg, TMsgDlgType, TMsgDlgButtons,
                                   std::int32_t) {
      messages.push_back(AMsg);
      return static_cast<int>(mrOk);
    });
    Find<QPushButton>("btnDetect")->click();
  }
  int Listed() const { return Find<QListWidget>("LvDetectClock")->count(); }
  QString Status() const { return Find<QLabel>("lblStatus")->text(); }
  TPortChooser* Port() const { return Find<TPortChooser>("edtPort"); }

  sim::ScopedVirtualPlatform vp;
  sim::TextClockModel clock;
  std::vector<std::string> messages;
};

TEST_F(LineSettingsTest, InterfaceStartsOnTheCable) {
  auto* interfaceCombo = Find<QComboBox>("cbInterface");
  EXPECT_EQ(interfaceCombo->currentIndex(), 0);
  EXPECT_EQ(interfaceCombo->currentText(), QString("كابل"));
  EXPECT_TRUE(Find<QWidget>("comBoxBaudRate")->isVisible());
  EXPECT_FALSE(Find<QWidget>("edtPhoneNumber")->isVisible());
}

TEST_F(LineSettingsTest, ChangedPortAppliesToTheNextDetection) {
  Detect();
  ASSERT_EQ(Listed(), 1);
  ASSERT_TRUE(Line().ComPort()->isOpen());

  // Each way of changing the port: the next detection opens the port the window shows.
  struct Step {
    const char* What;
    std::function<void()> Change;
    const char* Opened;
  };
  const Step steps[] = {
      {"spin up", [&] { Find<QToolButton>("SpeedButton1")->click(); }, "COM2"},
      {"spin down", [&] { Find<QToolButton>("SpeedButton2")->click(); }, "COM1"},
      {"typed device",
       [&] {
         Port()->SetPortName("/dev/ttyUSB3");
         emit Port()->PortChosen();
       },
       "/dev/ttyUSB3"},
      {"interface chosen again",
       [&] {
         Port()->SetPortName("COM4");
         Choose(Find<QComboBox>("cbInterface"), 0);
       },
       "COM4"},
  };
  for (const Step& step : steps) {
    step.Change();
    vp.P.SerialOpened.clear();
    Detect();
    ASSERT_FALSE(vp.P.SerialOpened.empty()) << step.What;
    EXPECT_EQ(vp.P.SerialOpened.front(), step.Opened) << step.What;
    EXPECT_EQ(Line().SerialPortName(), step.Opened) << step.What;
  }
  EXPECT_TRUE(messages.empty());
}

TEST_F(LineSettingsTest, ChangedSpeedAppliesToTheOpenPort) {
  clock.settings().Baud = 19200;
  Detect();
  EXPECT_EQ(Listed(), 0);
  Choose(Find<QComboBox>("comBoxBaudRate"), 3);
  Detect();
  EXPECT_EQ(Listed(), 1);
}

TEST_F(LineSettingsTest, StatusLineSaysWhatTheDetectionDid) {
  ASSERT_TRUE(LoadLanguage("en"));
  main->ApplyLanguage();

  Detect();
  EXPECT_TRUE(QRegularExpression("^1 clock found on COM1 in \\d+ s$").match(Status()).hasMatch())
      << Status().toStdString();

  clock.settings().Baud = 19200;
  Detect();
  EXPECT_EQ(Status(), QString("no clock answered on COM1 at 9600: check cable and speed"));

  vp.P.SerialOpenFails = true;
  Find<QToolButton>("SpeedButton1")->click();
  Detect();
  EXPECT_TRUE(Status().startsWith("COM2 could not be opened: cannot open COM2"))
      << Status().toStdString();
  EXPECT_TRUE(messages.empty());
  // The detection's own controls are idle again.
  EXPECT_TRUE(Find<QPushButton>("btnDetect")->isEnabled());
}

TEST_F(LineSettingsTest, StatusCountsTheClocksOfABusScan) {
  sim::Rs485BusModel bus;
  for (int number : {1, 3, 4}) bus.addClock(number);
  vp.P.Wire.setModel(&bus);
  Line().MaxClockNumber = 4;
  ASSERT_TRUE(LoadLanguage("en"));
  main->ApplyLanguage();
  Choose(Find<QComboBox>("comBoxSearchType"), cstKRTal);
  Detect();
  EXPECT_EQ(Listed(), 3);
  EXPECT_TRUE(QRegularExpression("^3 clocks found on COM1 in \\d+ s$").match(Status()).hasMatch())
      << Status().toStdString();
}

TEST_F(LineSettingsTest, RefusedEvenParityIsToldOnceInTheStatusAndTheLog) {
  // A Lumen listens at even parity only; the device keeps the line without it.
  clock.settings().Name = "Lumen 200";
  clock.settings().Kind = sim::TextClockKind::Lumen;
  vp.P.SerialRefusesEvenParity = true;
  ASSERT_TRUE(LoadLanguage("en"));
  main->ApplyLanguage();

  Detect();
  EXPECT_EQ(Listed(), 0);
  const QString told = Status();
  EXPECT_TRUE(told.contains("COM1 refuses even parity: clocks that listen at even parity (Lumen) "
                            "cannot be found on it"))
      << told.toStdString();
  // The log beside the program holds the same words, and the status line says where it is.
  const QStringList logs = QDir(FilePath("Logs")).entryList(QDir::Files);
  ASSERT_EQ(logs.size(), 1) << logs.join(',').toStdString();
  EXPECT_TRUE(told.contains(FilePath("Logs/" + logs[0]))) << told.toStdString();
  QFile log(FilePath("Logs/" + logs[0]));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  EXPECT_TRUE(QString::fromUtf8(log.readAll()).contains("COM1 refuses even parity"));

  // Once: the next detection on the same port says only what it found.
  Detect();
  EXPECT_FALSE(Status().contains("parity")) << Status().toStdString();

  // A device that takes even parity finds the clock.
  vp.P.SerialRefusesEvenParity = false;
  Detect();
  EXPECT_EQ(Listed(), 1);
}

}  // namespace
