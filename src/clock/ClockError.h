#pragma once
#include <stdexcept>

// A clock refused an operation that cannot report failure by its result (setting the Date or
// Time property). The message is the user's text, UTF-8.
class EClockError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
