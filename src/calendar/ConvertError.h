#pragma once
#include <stdexcept>

// A text or byte string that cannot be read as the number or date it should hold.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
