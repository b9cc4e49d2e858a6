#pragma once
#include <optional>
#include <string>

// "COMn" with n >= 1 gives n; any other name gives nothing.
std::optional<int> ComPortNumber(const std::string& AName);

// The device a port name opens. On Linux COMn opens /dev/ttyS<n-1> unless the environment
// variable CLOCKDIAG_COMn names another device (the simulator's pseudo-terminal, a USB adapter).
// A name that is not COMn is taken as a device path as it stands.
std::string ComPortDevice(const std::string& AName);
