// The connection list: its default line, what it hands to its lines, and its settings string
// with the second pass that restores the default line's port and speed.
#include <gtest/gtest.h>

#include <string>

#include "calendar/ConvertError.h"
#include "connections/ConnectionList.h"
#include "inproc/VirtualPlatform.h"

namespace {

class ConnectionListTest : public ::testing::Test {
 protected:
  sim::ScopedVirtualPlatform vp;
  TConnectionList list;
};

TEST_F(ConnectionListTest, StartsWithTheDefaultLine) {
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0).ConnectionName, "\u067E\u064A\u0634 \u0641\u0631\u0636");
  EXPECT_EQ(list.DefaultItem(), &list.Items(0));
  EXPECT_EQ(list.DefaultIndex(), 0);
  EXPECT_EQ(list.BuildProperties(), "1-" + list.Items(0).BuildProperties() + "-0");
  EXPECT_THROW(list.Items(1), EListError);
}

TEST_F(ConnectionListTest, LinesGetTheListsLogFilesAndEvents) {
  int breaths = 0;
  int disconnects = 0;
  list.ChangeLogFileName("rec.log");
  list.ChangeErrorLogFileName("bad.log");
  list.ChangeOnBreath([&] { ++breaths; });
  list.ChangeOnModemDisconnect([&](TClockSet&, bool&) { ++disconnects; });
  TClockSet& second = list.NewConnection();
  // The first line got them when they changed, the second when it was made.
  for (int i = 0; i < 2; ++i) {
    TClockSet& line = list.Items(i);
    EXPECT_EQ(line.LogFileName(), "rec.log");
    EXPECT_EQ(line.ErrorLogFileName(), "bad.log");
    ASSERT_TRUE(line.OnBreath);
    line.OnBreath();
    ASSERT_TRUE(line.OnModemDisconnect);
    bool dial = false;
    line.OnModemDisconnect(line, dial);
  }
  EXPECT_EQ(breaths, 2);
  EXPECT_EQ(disconnects, 2);
  EXPECT_EQ(second.Protocol(), RS232);
  // Only the only line becomes the default by being added.
  EXPECT_EQ(list.DefaultIndex(), 0);

  list.ChangeLogFileName("other.log");
  EXPECT_EQ(list.Items(0).LogFileName(), "other.log");
  EXPECT_EQ(second.LogFileName(), "other.log");
}

TEST_F(ConnectionListTest, ChangingTheDefaultClearsItsStatusEvent) {
  TClockSet& second = list.NewConnection();
  second.OnStatusChange = [](TBasicClock&) {};
  list.Items(0).OnStatusChange = [](TBasicClock&) {};
  list.ChangeDefaultIndex(1);
  EXPECT_EQ(list.DefaultItem(), &second);
  EXPECT_FALSE(second.OnStatusChange);
  // The line that stops being the default keeps its event.
  EXPECT_TRUE(list.Items(0).OnStatusChange);
  // Making the default line the default again touches nothing.
  second.OnStatusChange = [](TBasicClock&) {};
  list.ChangeDefaultItem(&second);
  EXPECT_TRUE(second.OnStatusChange);
  EXPECT_EQ(list.BuildProperties().substr(list.BuildProperties().size() - 2), "-1");
}

TEST_F(ConnectionListTest, DefaultIndexOutsideTheListChangesNothing) {
  list.NewConnection();
  list.ChangeDefaultIndex(1);
  for (int index : {-1, 2, 1000}) {
    list.ChangeDefaultIndex(index);
    EXPECT_EQ(list.DefaultIndex(), 1) << index;
  }
  // The same for an index stored in a settings string: the lines are rebuilt, the first of them
  // is the default and stays so.
  list.ApplyProperties("2-a,,1,br7,RS232,0-b,,2,br7,RS232,0-7");
  EXPECT_EQ(list.DefaultIndex(), 0);
  EXPECT_EQ(list.DefaultItem()->ConnectionName, "a");
}

TEST_F(ConnectionListTest, DeletingTheDefaultLeavesNoDefaultAndTheStringStaysReadable) {
  list.NewConnection().ConnectionName = "second";
  list.Delete(0);
  EXPECT_EQ(list.DefaultItem(), nullptr);
  EXPECT_EQ(list.DefaultIndex(), -1);
  const std::string written = list.BuildProperties();
  EXPECT_EQ(written, "1-second,,1,br7,RS232,1,1;MX4100;Active-0");
  TConnectionList restored;
  restored.ApplyProperties(written);
  EXPECT_EQ(restored.Count(), 1);
  EXPECT_EQ(restored.DefaultItem()->ConnectionName, "second");
  EXPECT_THROW(list.Delete(1), EListError);
}

// A list of one cable line on COM4 at 19200 baud, as the list writes it.
std::string OneCableLineOnCom4At19200() {
  TConnectionList source;
  TClockSet& line = source.Items(0);
  line.ConnectionName = "shop";
  line.ChangeSerialPortNumber(4);
  line.ChangeBaudRate(br19200);
  line.SetProtocol(RS485);
  return source.BuildProperties();
}

TEST_F(ConnectionListTest, SecondPassRestoresTheSpeedThatTheLineItselfSkips) {
  const std::string written = OneCableLineOnCom4At19200();
  EXPECT_EQ(written, "1-shop,,4,br9,RS485,1,1;MX4100;Active-0");
  list.ApplyProperties(written);
  ASSERT_EQ(list.Count(), 1);
  TClockSet& line = list.Items(0);
  EXPECT_EQ(list.DefaultItem(), &line);
  EXPECT_EQ(line.ConnectionName, "shop");
  EXPECT_EQ(line.SerialPortNumber(), 4);
  EXPECT_EQ(line.BaudRate(), br19200);
  EXPECT_EQ(line.ComPort()->baudRate(), br19200);
  EXPECT_EQ(list.BuildProperties(), written);
}

TEST_F(ConnectionListTest, SecondPassSetsTheSpeedOfAModemLineToo) {
  list.ApplyProperties("1-m,021,3,br12,Hdlc,0-0");
  TClockSet& line = list.Items(0);
  EXPECT_EQ(line.EffectiveConnectionType(), Modem);
  EXPECT_EQ(line.BaudRate(), br57600);
  EXPECT_EQ(line.ComPort()->baudRate(), br57600);
}

TEST_F(ConnectionListTest, SecondPassReadsTheSpeedField) {
  const std::pair<const char*, TBaudRate> cases[] = {
      {"1-a,,2,br13,RS232,0-0", br115200}, {"1-a,,2,BR5,RS232,0-0", br2400},
      {"1-a,,2,brfast,RS232,0-0", br9600},  // no number: 9600
      {"1-a,,2,br99,RS232,0-0", br9600},    // no speed of the table: 9600
      {"1-a,,2,x,RS232,0-0", br9600},       // no speed field at all
  };
  for (const auto& [input, speed] : cases) {
    list.Items(0).ChangeBaudRate(br1200);
    list.ApplyProperties(input);
    EXPECT_EQ(list.Items(0).BaudRate(), speed) << input;
    EXPECT_EQ(list.Items(0).ComPort()->baudRate(), speed) << input;
  }
}

TEST_F(ConnectionListTest, TcpIpFirstLineKeepsItsAddressAndRaisesNothing) {
  list.ApplyProperties("1-lan,,10.0.0.5,1001,RS485,0-0");
  TClockSet& line = list.Items(0);
  EXPECT_EQ(line.EffectiveConnectionType(), TcpIp);
  EXPECT_EQ(line.SocketAddress(), "10.0.0.5");
  EXPECT_EQ(line.SocketPort(), 1001);
  EXPECT_EQ(line.ComPort(), nullptr);
  // A host name without a dot is no port number either; the line has no serial port to take it.
  list.ApplyProperties("1-lan,,clockhost,1001,RS485,0-0");
  EXPECT_EQ(list.Items(0).SocketAddress(), "clockhost");
}

TEST_F(ConnectionListTest, DefaultLineThatIsNotTheFirstGetsItsOwnPortAndSpeed) {
  TConnectionList source;
  source.Items(0).ChangeSerialPortNumber(1);
  TClockSet& second = source.NewConnection();
  second.ConnectionName = "b";
  second.ChangeSerialPortNumber(7);
  second.ChangeBaudRate(br38400);
  source.ChangeDefaultItem(&second);
  const std::string written = source.BuildProperties();

  list.ApplyProperties(written);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.DefaultIndex(), 1);
  EXPECT_EQ(list.Items(1).SerialPortNumber(), 7);
  EXPECT_EQ(list.Items(1).BaudRate(), br38400);
  EXPECT_EQ(list.Items(0).SerialPortNumber(), 1);
  EXPECT_EQ(list.Items(0).BaudRate(), br9600);
  EXPECT_EQ(list.BuildProperties(), written);
}

TEST_F(ConnectionListTest, CountOfZeroOrNoCountKeepsTheLines) {
  list.Items(0).ChangeSerialPortNumber(6);
  TClockSet* const before = &list.Items(0);
  list.ApplyProperties("0-0");
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(&list.Items(0), before);
  EXPECT_EQ(list.Items(0).SerialPortNumber(), 6);
  list.ApplyProperties("many-x");
  EXPECT_EQ(&list.Items(0), before);
}

TEST_F(ConnectionListTest, BlankTextHasAnEmptyCountAndChangesNothing) {
  list.Items(0).ChangeBaudRate(br4800);
  for (const char* blank : {"", "   "}) {
    EXPECT_THROW(list.ApplyProperties(blank), EConvertError);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0).BaudRate(), br4800);
  }
}

TEST_F(ConnectionListTest, EmptyCountOrIndexRaisesAndKeepsWhatWasRebuilt) {
  list.Items(0).ConnectionName = "old";
  EXPECT_THROW(list.ApplyProperties("-0"), EConvertError);
  EXPECT_EQ(list.Items(0).ConnectionName, "old");

  EXPECT_THROW(list.ApplyProperties("2-a,,1,br7,RS232,0-b,,2,br7,RS232,0-"), EConvertError);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(1).ConnectionName, "b");
  EXPECT_EQ(list.DefaultIndex(), 0);

  // More lines announced than written: the missing line has an empty port field.
  EXPECT_THROW(list.ApplyProperties("3-a,,1,br7,RS232,0-0"), EConvertError);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(1).ConnectionName, "0");
}

TEST_F(ConnectionListTest, CloseClosesEveryLine) {
  TClockSet& second = list.NewConnection();
  list.Items(0).ComPort()->open();
  second.ComPort()->open();
  list.Close();
  EXPECT_FALSE(list.Items(0).ComPort()->isOpen());
  EXPECT_FALSE(second.ComPort()->isOpen());
}

}  // namespace
