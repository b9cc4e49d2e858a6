#pragma once
// The serial port field of the main window: a list of the system's serial ports (device path,
// description, USB vendor and product where known) and of the COMn names with the device each
// opens, read afresh whenever the list is opened. A device path can be typed as well.
#include <QComboBox>
#include <functional>
#include <vector>

#include "platform/SerialPortList.h"

class TPortChooser : public QComboBox {
  Q_OBJECT

 public:
  explicit TPortChooser(QWidget* AParent = nullptr);

  // The COMn names offered: COM1 to this.
  static constexpr int kComNames = 19;
  // Item data: the port name an item stands for.
  static constexpr int kPortNameRole = Qt::UserRole + 1;

  using TPortLister = std::function<std::vector<TSerialPortDescription>()>;
  // Where the system's ports come from (the system itself unless a test gives another lister);
  // an empty function restores the system.
  static void SetPortLister(TPortLister ALister);

  // The port chosen or typed, trimmed.
  QString PortName() const;
  void SetPortName(const QString& AName);
  // Fills the list anew, keeping the port in the field.
  void Refresh();
  // The text of one entry of the list.
  static QString EntryText(const TSerialPortDescription& APort);

  void showPopup() override;

 signals:
  // The user picked a port from the list or finished typing one.
  void PortChosen();
};
