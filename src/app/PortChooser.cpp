#include "PortChooser.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QStyle>

namespace {
TPortChooser::TPortLister& Lister() {
  static TPortChooser::TPortLister lister;
  return lister;
}
}  // namespace

TPortChooser::TPortChooser(QWidget* AParent) : QComboBox(AParent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setMinimumContentsLength(8);
  // Device paths and COM names read from left to right, in the field and in the list, whatever
  // the window's direction ("/dev/ttyUSB0" would otherwise show as "dev/ttyUSB0/").
  lineEdit()->setLayoutDirection(Qt::LeftToRight);
  view()->setLayoutDirection(Qt::LeftToRight);
  Refresh();
  SetPortName(QStringLiteral("COM1"));
  connect(this, &QComboBox::activated, this, [this](int AIndex) {
    const QString name = itemData(AIndex, kPortNameRole).toString();
    if (!name.isEmpty()) SetPortName(name);
    emit PortChosen();
  });
  connect(lineEdit(), &QLineEdit::editingFinished, this, &TPortChooser::PortChosen);
}

void TPortChooser::SetPortLister(TPortLister ALister) {
  Lister() = std::move(ALister);
}

QString TPortChooser::PortName() const {
  return currentText().trimmed();
}

void TPortChooser::SetPortName(const QString& AName) {
  setEditText(AName);
}

QString TPortChooser::EntryText(const TSerialPortDescription& APort) {
  QString text = QString::fromStdString(APort.Name);
  if (APort.Device != APort.Name)
    text += QStringLiteral("  →  ") + QString::fromStdString(APort.Device);
  if (!APort.Description.empty())
    text += QStringLiteral("  ") + QString::fromStdString(APort.Description);
  if (!APort.UsbId.empty())
    text += QStringLiteral("  [") + QString::fromStdString(APort.UsbId) + ']';
  return text;
}

void TPortChooser::Refresh() {
  const QString kept = PortName();
  const QSignalBlocker quiet(this);
  clear();
  std::vector<TSerialPortDescription> ports = Lister() ? Lister()() : SystemSerialPorts();
  for (const TSerialPortDescription& port : ComPortNames(kComNames)) ports.push_back(port);
  for (const TSerialPortDescription& port : ports) {
    addItem(EntryText(port));
    setItemData(count() - 1, QVariant(Qt::AlignLeft | Qt::AlignVCenter), Qt::TextAlignmentRole);
    setItemData(count() - 1, QString::fromStdString(port.Name), kPortNameRole);
    setItemData(count() - 1, QString::fromStdString(port.Device), Qt::ToolTipRole);
  }
  setCurrentIndex(-1);
  SetPortName(kept);
}

void TPortChooser::showPopup() {
  Refresh();
  // The entry of the port in the field is the one marked.
  for (int i = 0; i < count(); ++i)
    if (itemData(i, kPortNameRole).toString() == PortName()) {
      const QString kept = PortName();
      setCurrentIndex(i);
      SetPortName(kept);
      break;
    }
  // Wide enough for the longest entry (a USB adapter's description), however narrow the field.
  view()->setMinimumWidth(view()->sizeHintForColumn(0) + 2 * view()->frameWidth() +
                          style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  QComboBox::showPopup();
  view()->window()->setLayoutDirection(Qt::LeftToRight);
}
