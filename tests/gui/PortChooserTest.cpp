// The serial port field: the system's ports and the COMn names with their devices, read afresh
// whenever the list is opened; a chosen or typed port reaches the line and the device it opens is
// shown.
#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>

#include "GuiFixture.h"
#include "PortChooser.h"
#include "platform/ComPortNames.h"

namespace {

class PortChooserTest : public WindowsFixture {
 protected:
  void SetUp() override {
    TPortChooser::SetPortLister([this] { return system; });
    ShowMain();
  }
  void TearDown() override { TPortChooser::SetPortLister({}); }
  TPortChooser* Port() const { return Find<TPortChooser>("edtPort"); }
  QStringList Entries() const {
    QStringList entries;
    for (int i = 0; i < Port()->count(); ++i) entries << Port()->itemText(i);
    return entries;
  }
  int EntryOf(const QString& AName) const {
    for (int i = 0; i < Port()->count(); ++i)
      if (Port()->itemData(i, TPortChooser::kPortNameRole).toString() == AName) return i;
    return -1;
  }

  std::vector<TSerialPortDescription> system{
      {"/dev/ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART", "0403:6001"},
      {"/dev/ttyS0", "/dev/ttyS0", "", ""}};
};

TEST_F(PortChooserTest, ListsTheSystemsPortsAndTheComNamesReadAfreshWhenOpened) {
  Port()->showPopup();
  const QStringList entries = Entries();
  ASSERT_EQ(entries.size(), 2 + TPortChooser::kComNames);
  EXPECT_EQ(entries[0], QString("/dev/ttyUSB0  FT232R USB UART  [0403:6001]"));
  EXPECT_EQ(entries[1], QString("/dev/ttyS0"));
  EXPECT_EQ(entries[2], "COM1  →  " + QString::fromStdString(ComPortDevice("COM1")));
  EXPECT_EQ(entries.last(), "COM19  →  " + QString::fromStdString(ComPortDevice("COM19")));
  Port()->hidePopup();

  // An adapter plugged in meanwhile is there the next time the list opens; the field keeps the
  // port it shows.
  system.push_back({"/dev/ttyACM0", "/dev/ttyACM0", "CDC modem", "2341:0043"});
  Port()->showPopup();
  Port()->hidePopup();
  EXPECT_EQ(EntryOf("/dev/ttyACM0"), 2);
  EXPECT_EQ(Port()->PortName(), QString("COM1"));
}

TEST_F(PortChooserTest, PortsReadLeftToRightInTheRightToLeftWindow) {
  ASSERT_EQ(main->layoutDirection(), Qt::RightToLeft);
  Port()->showPopup();
  QAbstractItemView* list = Port()->view();
  EXPECT_EQ(list->layoutDirection(), Qt::LeftToRight);
  EXPECT_EQ(list->window()->layoutDirection(), Qt::LeftToRight);
  EXPECT_EQ(Port()->lineEdit()->layoutDirection(), Qt::LeftToRight);
  const int adapter = EntryOf("/dev/ttyUSB0");
  ASSERT_GE(adapter, 0);
  EXPECT_EQ(Port()->itemData(adapter, Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
            Qt::AlignLeft);
  Port()->hidePopup();
}

TEST_F(PortChooserTest, ChosenOrTypedPortReachesTheLineWithItsDeviceShown) {
  Port()->showPopup();
  Port()->hidePopup();
  const int adapter = EntryOf("/dev/ttyUSB0");
  ASSERT_GE(adapter, 0);
  Port()->setCurrentIndex(adapter);
  emit Port()->activated(adapter);
  // The field holds the name to open, not the entry's description.
  EXPECT_EQ(Port()->PortName(), QString("/dev/ttyUSB0"));
  EXPECT_EQ(Line().SerialPortName(), "/dev/ttyUSB0");

  const int com3 = EntryOf("COM3");
  Port()->setCurrentIndex(com3);
  emit Port()->activated(com3);
  EXPECT_EQ(Line().SerialPortName(), "COM3");
  EXPECT_TRUE(Find<QLabel>("lblPortDevice")->text().contains(QString::fromStdString(ComPortDevice("COM3"))));

  Port()->SetPortName(" /dev/pts/7 ");
  emit Port()->PortChosen();
  EXPECT_EQ(Line().SerialPortName(), "/dev/pts/7");
  // An emptied field leaves the line on its port.
  Port()->SetPortName("");
  emit Port()->PortChosen();
  EXPECT_EQ(Line().SerialPortName(), "/dev/pts/7");
}

}  // namespace
