#include <QSerialPortInfo>
#include <ostream>

#include "cli/Commands.h"
#include "platform/ComPortNames.h"

int RunPortsCommand(std::vector<std::string>& AArgs, std::ostream& AOut, std::ostream&) {
  if (!AArgs.empty()) throw UsageError{"ports takes no arguments"};
  for (int n = 1; n <= 19; ++n) {
    const std::string name = "COM" + std::to_string(n);
    AOut << name << "\t" << ComPortDevice(name) << "\n";
  }
  AOut << "system serial ports:\n";
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
    AOut << info.systemLocation().toStdString() << "\t" << info.description().toStdString()
         << "\n";
  return kExitDone;
}
