#pragma once
// The serial ports a technician can choose from: the ones the system reports, and the COMn names
// with the device each of them opens.
#include <string>
#include <vector>

struct TSerialPortDescription {
  // What the port field takes: a device path ("/dev/ttyUSB0") or a COMn name.
  std::string Name;
  // The device the name opens (the name itself for a device path).
  std::string Device;
  // The system's description of the device ('' when it has none).
  std::string Description;
  // "0403:6001" for a USB adapter whose vendor and product are known, else ''.
  std::string UsbId;
};

// The serial ports the system reports now, by device path.
std::vector<TSerialPortDescription> SystemSerialPorts();

// COM1 to ACount with the device each opens.
std::vector<TSerialPortDescription> ComPortNames(int ACount);
