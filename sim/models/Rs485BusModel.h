#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "models/DeviceModel.h"
#include "models/TextClockModel.h"

namespace sim {

// Several text-protocol clocks sharing one RS485 bus.
//
// A command frame is: address, address OR 40h, the command bytes each mapped to
// ((b - 20h) AND 3Fh) OR 80h (except "/", sent as it is), and the XOR of all the bytes before.
// The address is the clock number's decimal digits read as hexadecimal, masked to 6 bits.
// The mapping loses the top bits: 01h and "A" both become A1h. A frame with one mapped byte is
// therefore read as a control byte (the decoded character minus 40h: A1h is 01h), a longer
// frame as text ("AFV?^", "T..."). Mapped bytes lie in 80h..BFh and the check byte of a frame
// always has bit 6 set (the address pair contributes 40h, mapped bytes and "/" never have it),
// so the check byte is the first byte after the address pair that is neither a mapped byte nor
// "/". Only the addressed clock answers; a frame with a wrong check byte, or to an address where
// no clock is, gets no answer.
class Rs485BusModel : public DeviceModel {
 public:
  // Adds a clock (its settings' Number is its bus address); returns it for further setting up.
  TextClockModel& addClock(TextClockSettings ASettings);
  TextClockModel& addClock(int ANumber);
  TextClockModel* clock(int ANumber);
  const std::vector<std::unique_ptr<TextClockModel>>& clocks() const { return FClocks; }

  ReplyPlan receive(const std::string& ABytes) override;
  void lineSettings(int ABaud, TParity AParity) override;

  // Frames the bus could not use: wrong check byte, or a broken start.
  int badFrames() const { return FBadFrames; }
  // Well-formed frames for addresses where no clock is.
  int unansweredFrames() const { return FUnanswered; }

  static std::uint8_t addressOf(int AClockNumber);
  // The command carried by the mapped bytes of a frame (see above).
  static std::string decodeCommand(const std::string& AMapped);

 private:
  // Handles one complete, checked frame.
  ReplyPlan frame(std::uint8_t AAddress, const std::string& AMapped);
  std::vector<std::unique_ptr<TextClockModel>> FClocks;
  std::string FInput;
  int FBadFrames = 0;
  int FUnanswered = 0;
};

}  // namespace sim
