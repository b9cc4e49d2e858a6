#include "platform/SerialPortList.h"

#include <QSerialPortInfo>
#include <QString>

#include "platform/ComPortNames.h"

namespace {
std::string HexId(quint16 AValue) {
  return QStringLiteral("%1").arg(AValue, 4, 16, QLatin1Char('0')).toStdString();
}
}  // namespace

std::vector<TSerialPortDescription> SystemSerialPorts() {
  std::vector<TSerialPortDescription> result;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    TSerialPortDescription port;
    port.Name = port.Device = info.systemLocation().toStdString();
    port.Description = info.description().trimmed().toStdString();
    if (info.hasVendorIdentifier() && info.hasProductIdentifier())
      port.UsbId = HexId(info.vendorIdentifier()) + ":" + HexId(info.productIdentifier());
    result.push_back(port);
  }
  return result;
}

std::vector<TSerialPortDescription> ComPortNames(int ACount) {
  std::vector<TSerialPortDescription> result;
  for (int n = 1; n <= ACount; ++n) {
    TSerialPortDescription port;
    port.Name = "COM" + std::to_string(n);
    port.Device = ComPortDevice(port.Name);
    result.push_back(port);
  }
  return result;
}
