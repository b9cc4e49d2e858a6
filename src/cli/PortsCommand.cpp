#include <QSerialPortInfo>
#include <ostream>

#include "cli/Commands.h"
#include "cli/JsonText.h"
#include "platform/ComPortNames.h"

int RunPortsCommand(std::vector<std::string>& AArgs, const LineOptions& ALineOptions,
                    std::ostream& AOut, std::ostream&) {
  RejectLeftovers(AArgs, "ports");
  std::string names;
  std::string text;
  for (int n = 1; n <= 19; ++n) {
    const std::string name = "COM" + std::to_string(n);
    names += std::string(names.empty() ? "" : ",") + "{\"name\":" + JsonString(name) +
             ",\"device\":" + JsonString(ComPortDevice(name)) + "}";
    text += name + "\t" + ComPortDevice(name) + "\n";
  }
  std::string system;
  text += "system serial ports:\n";
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    const std::string device = info.systemLocation().toStdString();
    const std::string description = info.description().toStdString();
    system += std::string(system.empty() ? "" : ",") + "{\"device\":" + JsonString(device) +
              ",\"description\":" + JsonString(description) + "}";
    text += device + "\t" + description + "\n";
  }
  if (ALineOptions.Json)
    AOut << "{\"com\":[" << names << "],\"system\":[" << system << "]}\n";
  else
    AOut << text;
  return kExitDone;
}
