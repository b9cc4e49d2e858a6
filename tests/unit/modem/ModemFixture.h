#pragma once
#include <stdexcept>
#include <string>

#include "link/LinkFixture.h"

// A modem line (number 123, dialled as "P123") on the virtual platform. Every pass of a modem
// loop calls the line's OnBreath; the watchdog handler installed here counts the passes and
// stops a loop that would spin without virtual time going on, so that such a fault fails the
// test instead of hanging it.
class ModemFixture : public LinkFixture {
 protected:
  static constexpr int kSpinLimit = 100000;

  ModemFixture() {
    line.ChangeConnectionType(Modem);
    line.ChangePhoneNumber("123");
    line.OnBreath = [this] { countPass(); };
  }
  void countPass() {
    if (++passes > kSpinLimit) throw std::runtime_error("a modem loop spins without pausing");
  }
  std::string dial() {
    std::string result;
    line.Dial(result);
    return result;
  }

  int passes = 0;
};

// The dial command as the tool writes it for the fixture's number.
inline const std::string kDialCommand = "ATDP123\r";
