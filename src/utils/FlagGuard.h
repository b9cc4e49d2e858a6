#pragma once

// Sets a re-entrance flag for the lifetime of the object, whatever way the operation ends.
class TFlagGuard {
 public:
  explicit TFlagGuard(bool& AFlag) : FFlag(AFlag) { FFlag = true; }
  ~TFlagGuard() { FFlag = false; }
  TFlagGuard(const TFlagGuard&) = delete;
  TFlagGuard& operator=(const TFlagGuard&) = delete;

 private:
  bool& FFlag;
};
