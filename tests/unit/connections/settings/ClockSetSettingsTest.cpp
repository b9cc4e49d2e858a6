// The settings strings of one line: what BuildProperties/BuildSpecifications write, what
// ApplyProperties/ApplySpecifications restore, and how far a broken string gets.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "calendar/ConvertError.h"
#include "connections/ClockSet.h"
#include "inproc/VirtualPlatform.h"

namespace {

class ClockSetSettingsTest : public ::testing::Test {
 protected:
  // The clock numbers, models and states of the line, as "1;KRTal;Active|3;...".
  static std::string clocksOf(const TClockSet& ALine) {
    std::string text;
    for (const auto& clock : ALine.Clocks()) {
      if (!text.empty()) text += '|';
      text += std::to_string(clock->ClockNumber) + ";" + ClockTypeToStr(clock->ClockType) + ";" +
              (clock->Active ? "Active" : "Inactive");
    }
    return text;
  }

  sim::ScopedVirtualPlatform vp;
  TClockSet line;
};

// ---- Writing ----

struct BuildCase {
  const char* Name;
  std::function<void(TClockSet&)> Setup;
  const char* Properties;
  const char* Specifications;
};

TEST_F(ClockSetSettingsTest, BuildWritesEveryConnectionTypeInItsLayout) {
  const BuildCase cases[] = {
      {"new line with its clock", [](TClockSet& L) { L.ConnectionName = "line1"; },
       "line1,,1,br7,RS232,1,1;MX4100;Active", "1,RS232,1,1;MX4100;Active"},
      {"cable COM3 19200 RS485 without clocks",
       [](TClockSet& L) {
         L.ConnectionName = "line1";
         L.ChangeSerialPortNumber(3);
         L.ChangeBaudRate(br19200);
         L.SetProtocol(RS485);
         L.Clocks().clear();
       },
       "line1,,3,br9,RS485,0", "3,RS485,0"},
      {"the same line on TCP/IP",
       [](TClockSet& L) {
         L.ConnectionName = "line1";
         L.ChangeSerialPortNumber(3);
         L.ChangeBaudRate(br19200);
         L.SetProtocol(RS485);
         L.Clocks().clear();
         L.ChangeConnectionType(TcpIp);
         L.ChangeSocketAddress("10.0.0.5");
         L.ChangeSocketPort(1001);
       },
       "line1,,10.0.0.5,1001,RS485,0", "10.0.0.5,RS485,0"},
      {"modem line with a comma in its number and two clocks",
       [](TClockSet& L) {
         L.ConnectionName = "far";
         L.ChangeConnectionType(Modem);
         L.ChangePhoneNumber("9,021");
         L.ChangeSerialPortNumber(12);
         L.SetProtocol(ptHdlc);
         L.Clocks()[0]->ClockType = KREmber;
         TBasicClock& second = L.NewClock(4);
         second.ClockType = KRTal;
         second.Active = false;
       },
       "far,P9 021,12,br7,Hdlc,2,1;KREmber;Active,4;KRTal;Inactive",
       "12,Hdlc,2,1;KREmber;Active,4;KRTal;Inactive"},
      {"modem line without a number is written as cable",
       [](TClockSet& L) {
         L.ChangeConnectionType(Modem);
         L.Clocks().clear();
       },
       ",,1,br7,RS232,0", "1,RS232,0"},
  };
  for (const auto& c : cases) {
    TClockSet fresh;
    c.Setup(fresh);
    EXPECT_EQ(fresh.BuildProperties(), c.Properties) << c.Name;
    EXPECT_EQ(fresh.BuildSpecifications(), c.Specifications) << c.Name;
  }
}

// ---- Reading ----

struct ApplyCase {
  const char* Input;
  const char* Name;
  const char* Phone;
  TConnectionType Type;
  // Port number of a serial line, or address and TCP port of a TCP/IP line.
  int PortNumber;
  const char* Address;
  int TcpPort;
  TBaudRate Speed;
  TProtocol Protocol;
  const char* Clocks;
};

TEST_F(ClockSetSettingsTest, ApplyPropertiesRestoresEachField) {
  const ApplyCase cases[] = {
      // The speed field of the serial layout is skipped; a count of 0 keeps the clocks.
      {"line1,,3,br9,RS485,0", "line1", "", Cable, 3, "", 0, br9600, RS485, "1;MX4100;Active"},
      {"line1,021,3,br7,RS232,0", "line1", "P021", Modem, 3, "", 0, br9600, RS232,
       "1;MX4100;Active"},
      {"line1,021,10.0.0.5,1001,RS485,0", "line1", "", TcpIp, 0, "10.0.0.5", 1001, br9600, RS485,
       "1;MX4100;Active"},
      {" spaced , t5 , 7 , br7 , Hdlc , 0 ", "spaced", "T5", Modem, 7, "", 0, br9600, ptHdlc,
       "1;MX4100;Active"},
      // A TCP port that is no number, or no port at all, is 1001.
      {"t,,clockhost,abc,Hdlc,0", "t", "", TcpIp, 0, "clockhost", 1001, br9600, ptHdlc,
       "1;MX4100;Active"},
      {"t,,clockhost,70000,Hdlc,0", "t", "", TcpIp, 0, "clockhost", 1001, br9600, ptHdlc,
       "1;MX4100;Active"},
      // A speed field in the fifth place (before the protocol) is set on a cable line;
      // one that is no speed ordinal gives 300 baud.
      {"old,,4,x,br9,RS485,0", "old", "", Cable, 4, "", 0, br19200, RS485, "1;MX4100;Active"},
      {"old,,4,x,BRx,RS485,0", "old", "", Cable, 4, "", 0, br300, RS485, "1;MX4100;Active"},
      {"old,,4,x,br16,RS485,0", "old", "", Cable, 4, "", 0, br300, RS485, "1;MX4100;Active"},
      // ...but not on a modem line, whose speed cannot be changed.
      {"old,55,4,x,br9,RS485,0", "old", "P55", Modem, 4, "", 0, br9600, RS485, "1;MX4100;Active"},
      // Protocol names are exact; anything else is RS232.
      {"p,,2,br7,rs485,0", "p", "", Cable, 2, "", 0, br9600, RS232, "1;MX4100;Active"},
      // The clocks are rebuilt in the order written, each from its own settings.
      {"c,,1,br7,RS485,2,7;kremBER;inactive,3;KRTal;Active", "c", "", Cable, 1, "", 0, br9600,
       RS485, "7;KREmber;Inactive|3;KRTal;Active"},
      // A count that is no number keeps the clocks.
      {"c,,1,br7,RS485,x,7;KREmber;Active", "c", "", Cable, 1, "", 0, br9600, RS485,
       "1;MX4100;Active"},
  };
  for (const auto& c : cases) {
    TClockSet target;
    target.ApplyProperties(c.Input);
    SCOPED_TRACE(c.Input);
    EXPECT_EQ(target.ConnectionName, c.Name);
    EXPECT_EQ(target.PhoneNumber(), c.Phone);
    EXPECT_EQ(target.EffectiveConnectionType(), c.Type);
    if (c.Type == TcpIp) {
      EXPECT_EQ(target.SocketAddress(), c.Address);
      EXPECT_EQ(target.SocketPort(), c.TcpPort);
      EXPECT_EQ(target.ComPort(), nullptr);
    } else {
      EXPECT_EQ(target.SerialPortNumber(), c.PortNumber);
      ASSERT_NE(target.ComPort(), nullptr);
      EXPECT_EQ(target.ComPort()->baudRate(), c.Speed);
    }
    EXPECT_EQ(target.BaudRate(), c.Speed);
    EXPECT_EQ(target.Protocol(), c.Protocol);
    EXPECT_EQ(clocksOf(target), c.Clocks);
  }
}

TEST_F(ClockSetSettingsTest, SwitchingBetweenSerialAndTcpIpReplacesTheComponent) {
  line.ApplyProperties("a,555,10.1.1.1,4370,RS232,0");
  EXPECT_EQ(line.EffectiveConnectionType(), TcpIp);
  EXPECT_EQ(line.PhoneNumber(), "");  // a TCP/IP line dials nothing
  EXPECT_EQ(line.SocketPort(), 4370);

  line.ApplyProperties("a,,6,br7,RS232,0");
  EXPECT_EQ(line.EffectiveConnectionType(), Cable);
  EXPECT_EQ(line.TcpIpPort(), nullptr);
  EXPECT_EQ(line.SerialPortNumber(), 6);
}

TEST_F(ClockSetSettingsTest, ApplySpecificationsKeepsPhoneNumberAndName) {
  line.ConnectionName = "keep";
  line.ChangePhoneNumber("777");
  line.ChangeConnectionType(Modem);
  line.NewClock(2);

  line.ApplySpecifications("5,Hdlc,0");
  EXPECT_EQ(line.SerialPortNumber(), 5);
  EXPECT_EQ(line.Protocol(), ptHdlc);
  EXPECT_EQ(line.PhoneNumber(), "P777");
  EXPECT_EQ(line.EffectiveConnectionType(), Modem);
  EXPECT_EQ(line.ConnectionName, "keep");
  EXPECT_EQ(clocksOf(line), "1;MX4100;Active|2;MX4100;Active");

  // An empty port field is port 1 here (no error), and a port beyond 16 bits as well.
  line.ApplySpecifications(",RS485,1,9;KRTal;Active");
  EXPECT_EQ(line.SerialPortNumber(), 1);
  EXPECT_EQ(clocksOf(line), "9;KRTal;Active");
  line.ApplySpecifications("65536,RS485,0");
  EXPECT_EQ(line.SerialPortNumber(), 1);

  line.ApplySpecifications("10.0.0.9,RS485,0");
  EXPECT_EQ(line.EffectiveConnectionType(), TcpIp);
  EXPECT_EQ(line.SocketAddress(), "10.0.0.9");
  EXPECT_EQ(line.PhoneNumber(), "P777");
}

// ---- Round trips ----

TEST_F(ClockSetSettingsTest, WhatIsWrittenIsReadBackByAFreshLine) {
  const std::function<void(TClockSet&)> setups[] = {
      [](TClockSet& L) {
        L.ConnectionName = "office";
        L.ChangeSerialPortNumber(4);
        L.SetProtocol(RS485);
        L.Clocks()[0]->ClockNumber = 2;
        L.Clocks()[0]->ClockType = KRCorax;
        L.NewClock(5).Active = false;
      },
      [](TClockSet& L) {
        L.ConnectionName = "remote";
        L.ChangeConnectionType(Modem);
        L.ChangePhoneNumber("T0215,55");
        L.ChangeSerialPortNumber(2);
        L.SetProtocol(ptHdlc);
      },
      [](TClockSet& L) {
        L.ConnectionName = "lan";
        L.ChangeConnectionType(TcpIp);
        L.ChangeSocketAddress("192.168.10.20");
        L.ChangeSocketPort(4370);
        L.Clocks()[0]->ClockType = KRMira120Clock;
      },
  };
  for (const auto& setup : setups) {
    TClockSet source;
    setup(source);
    const std::string written = source.BuildProperties();
    TClockSet restored;
    restored.ApplyProperties(written);
    EXPECT_EQ(restored.BuildProperties(), written);
    EXPECT_EQ(restored.EffectiveConnectionType(), source.EffectiveConnectionType()) << written;

    const std::string reducedText = source.BuildSpecifications();
    TClockSet fromReduced;
    fromReduced.ChangePhoneNumber(source.PhoneNumber());
    fromReduced.ApplySpecifications(reducedText);
    EXPECT_EQ(fromReduced.BuildSpecifications(), reducedText);
  }
}

TEST_F(ClockSetSettingsTest, SpeedIsNotPartOfTheLinesOwnRoundTrip) {
  line.ChangeBaudRate(br19200);
  TClockSet restored;
  restored.ApplyProperties(line.BuildProperties());
  EXPECT_EQ(restored.BaudRate(), br9600);
}

// ---- Broken strings ----

TEST_F(ClockSetSettingsTest, EmptyPortFieldRaisesAfterTheEarlierFields) {
  line.ChangeConnectionType(TcpIp);
  line.SetProtocol(ptHdlc);
  EXPECT_THROW(line.ApplyProperties("half,,,br7,RS485,0"), EConvertError);
  // Name, phone number and connection type were set before the port field failed.
  EXPECT_EQ(line.ConnectionName, "half");
  EXPECT_EQ(line.EffectiveConnectionType(), Cable);
  EXPECT_EQ(line.Protocol(), ptHdlc);
  EXPECT_EQ(line.Clocks().size(), 1u);
}

TEST_F(ClockSetSettingsTest, EmptyOrOversizedCountRaisesAndKeepsTheClocks) {
  line.NewClock(3);
  const char* inputs[] = {"x,,2,br7,Hdlc,", "x,,2,br7,Hdlc", "x,,2,br7,Hdlc,256",
                          "x,,2,br7,Hdlc,99999999999"};
  for (const char* input : inputs) {
    line.SetProtocol(RS232);
    EXPECT_THROW(line.ApplyProperties(input), EConvertError) << input;
    EXPECT_EQ(line.SerialPortNumber(), 2) << input;
    EXPECT_EQ(line.Protocol(), ptHdlc) << input;
    EXPECT_EQ(clocksOf(line), "1;MX4100;Active|3;MX4100;Active") << input;
  }
  EXPECT_THROW(line.ApplySpecifications("4,RS485,"), EConvertError);
  EXPECT_EQ(line.SerialPortNumber(), 4);
  EXPECT_EQ(line.Clocks().size(), 2u);
}

TEST_F(ClockSetSettingsTest, PortNumberBeyondSixteenBitsIsRefusedNotWrapped) {
  line.ChangeSerialPortNumber(2);
  // 65539 would wrap to COM3.
  EXPECT_THROW(line.ApplyProperties("w,,65539,br7,RS232,0"), EConvertError);
  EXPECT_EQ(line.SerialPortNumber(), 2);
  EXPECT_THROW(line.ApplyProperties("w,,99999999999,br7,RS232,0"), EConvertError);
}

TEST_F(ClockSetSettingsTest, CountLargerThanTheClockFieldsRebuildsTheMissingOnesFromNothing) {
  line.ApplyProperties("s,,1,br7,RS232,2,6;KRTal;Inactive");
  // The second clock is restored from an empty settings string: it keeps the number of a new
  // clock object and its state, and has no model.
  EXPECT_EQ(clocksOf(line), "6;KRTal;Inactive|1;Unknown;Active");

  // The largest count a line takes.
  line.ApplySpecifications("1,RS232,255");
  EXPECT_EQ(line.Clocks().size(), 255u);
}

}  // namespace
