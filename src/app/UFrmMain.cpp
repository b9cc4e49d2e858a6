#include "UFrmMain.h"

#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QListWidgetItem>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleOptionButton>
#include <QTimer>
#include <QTreeWidgetItem>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>

#include "DialingForm.h"
#include "DumpListSink.h"
#include "GeneralUtilities.h"
#include "PortChooser.h"
#include "SaveDialog.h"
#include "calendar/DateValue.h"
#include "calendar/PersianCalendar.h"
#include "calendar/VexDateTime.h"
#include "clock/ClockFamilies.h"
#include "connections/ConnectionList.h"
#include "connections/RecordCsv.h"
#include "platform/ComPortNames.h"
#include "platform/Deadline.h"
#include "platform/Platform.h"
#include "ui_UFrmMain.h"
#include "AppLog.h"
#include "utils/ProgramDirectory.h"
#include "utils/ShippedFiles.h"
#include "utils/SystemDate.h"

TFrmMain* FrmMain = nullptr;

// The window's pictures are compiled into the library; a static library must register them.
static void InitWindowResources() {
  Q_INIT_RESOURCE(clockdiag);
}

namespace {
// The window's first size; it grows and shrinks with the user from there.
constexpr int kClientWidth = 760;
constexpr int kClientHeight = 460;
constexpr int kTrafficHeight = 240;
constexpr int kClipFrameWidth = 120;
constexpr int kClipStopFrame = 12;

// The log the window writes what it tells the technician to.
const char* const kWindowLogName = "ClockDiag";

const char* const kWindowCaption = "ابزار ارتباط با دستگاههای شرکت زروند";

// Line feed then carriage return: the line break of a detected clock's caption.
const char* const kItemLineBreak = "\n\r";

// The baud-rate combo's items, by index.
constexpr TBaudRate kBaudRates[] = {br2400, br4800, br9600, br19200, br57600};

// The number that S holds from its character AFrom (0-based) on, at most AMaxLength characters;
// false when they are not all digits.
bool NumberAt(const QString& S, int AFrom, int AMaxLength, int& AValue) {
  const QString digits = S.mid(AFrom, AMaxLength);
  if (digits.isEmpty()) return false;
  bool ok = false;
  const int value = digits.toInt(&ok);
  if (!ok || digits.front() == QLatin1Char('+') || digits.front() == QLatin1Char('-')) return false;
  AValue = value;
  return true;
}

// The caption of a push button with an icon: Qt's common style (6.4) places the icon, then asks
// for the caption aligned beside it, an alignment the painter mirrors in a right-to-left window,
// so the caption lands against the button's far border, away from its icon. The window's buttons
// draw icon and caption here instead: centred together, the icon first in the reading order
// (on the right in a right-to-left window) and the caption beside it, with an alignment that is
// not mirrored.
class TIconButtonStyle : public QProxyStyle {
 public:
  void drawControl(ControlElement AElement, const QStyleOption* AOption, QPainter* APainter,
                   const QWidget* AWidget) const override {
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(AOption);
    if (AElement != CE_PushButtonLabel || !button || button->icon.isNull() ||
        button->text.isEmpty()) {
      QProxyStyle::drawControl(AElement, AOption, APainter, AWidget);
      return;
    }
    constexpr int kIconSpacing = 4;
    const bool enabled = button->state & State_Enabled;
    const QIcon::Mode mode = !enabled                           ? QIcon::Disabled
                             : (button->state & State_HasFocus) ? QIcon::Active
                                                                : QIcon::Normal;
    const QIcon::State state = button->state & State_On ? QIcon::On : QIcon::Off;
    const QPixmap pixmap =
        button->icon.pixmap(button->iconSize, APainter->device()->devicePixelRatio(), mode, state);
    const QSize iconSize = pixmap.deviceIndependentSize().toSize();
    const QRect area = button->rect;
    const int textWidth = button->fontMetrics.horizontalAdvance(button->text);
    const int groupWidth = std::min(area.width(), iconSize.width() + kIconSpacing + textWidth);
    const int groupLeft = area.left() + (area.width() - groupWidth) / 2;
    const int iconTop = area.top() + (area.height() - iconSize.height()) / 2;
    QRect iconRect, textRect;
    if (button->direction == Qt::RightToLeft) {
      iconRect = QRect(groupLeft + groupWidth - iconSize.width(), iconTop, iconSize.width(),
                       iconSize.height());
      textRect = QRect(area.left(), area.top(), iconRect.left() - kIconSpacing - area.left(),
                       area.height());
    } else {
      iconRect = QRect(groupLeft, iconTop, iconSize.width(), iconSize.height());
      const int textLeft = iconRect.right() + 1 + kIconSpacing;
      textRect = QRect(textLeft, area.top(), area.right() + 1 - textLeft, area.height());
    }
    APainter->drawPixmap(iconRect, pixmap);
    const Qt::Alignment side =
        button->direction == Qt::RightToLeft ? Qt::AlignRight : Qt::AlignLeft;
    proxy()->drawItemText(APainter, textRect,
                          side | Qt::AlignAbsolute | Qt::AlignVCenter | Qt::TextShowMnemonic,
                          button->palette, enabled, button->text, QPalette::ButtonText);
  }
};

// The picture of a model: the file shipped with the program (pictures/model<key>.png, which a
// user may replace), else the copy built into the program.
QIcon ModelPicture(TClockType AClockType) {
  static std::map<int, QIcon> pictures;
  const int key = ModelPictureKey(AClockType);
  auto found = pictures.find(key);
  if (found == pictures.end()) {
    const std::string file = ShippedDataFile("pictures/model" + std::to_string(key) + ".png");
    found = pictures
                .emplace(key, file.empty() ? QIcon(QString(":/models/%1.png").arg(key))
                                           : QIcon(QString::fromStdString(file)))
                .first;
  }
  return found->second;
}
}  // namespace

TFrmMain::TFrmMain(QWidget* AParent)
    : QWidget(AParent),
      ui(std::make_unique<Ui::TFrmMain>()),
      FConnectingHook([this](bool AVisible) {
        // A face terminal's status query shows that it connects, detection or not.
        ui->Animate1->setVisible(AVisible);
        ui->Animate1->SetActive(AVisible);
        ui->LaConnectProcess->setVisible(AVisible);
        if (AVisible) ProcessMessages();
      }) {
  InitWindowResources();
  ui->setupUi(this);
  FrmMain = this;
  setWindowIcon(ModelPicture(KRTal));
  CreateLanguageMenu();
  resize(QSize(kClientWidth, kClientHeight).expandedTo(sizeHint()));
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
  // The two halves take the new width in their measure; the traffic pane, once shown, takes new
  // height.
  ui->SplitterTraffic->setStretchFactor(0, 1);
  ui->SplitterTraffic->setStretchFactor(1, 1);

  // The connection list creates the default line, a cable line on COM1 at 9600 baud. Its record
  // logs stay off and its events unassigned.
  VexConnections = std::make_unique<TConnectionList>();
  Line().OnTraffic = [this](std::uint32_t ATick, TTrafficDirection ADirection,
                            const std::string& AData) {
    ui->PanelTraffic->AddTraffic(ATick, Line().Protocol(), ADirection, AData);
  };

  TimerAppProcess = new QTimer(this);
  TimerAppProcess->setObjectName("TimerAppProcess");
  TimerAppProcess->setInterval(100);
  connect(TimerAppProcess, &QTimer::timeout, this, &TFrmMain::TimerAppProcessTimer);
  TimerStopReading = new QTimer(this);
  TimerStopReading->setObjectName("TimerStopReading");
  TimerStopReading->setInterval(1000);
  connect(TimerStopReading, &QTimer::timeout, this, &TFrmMain::TimerStopReadingTimer);

  auto* buttonStyle = new TIconButtonStyle();
  buttonStyle->setParent(this);
  ui->btnDetect->setStyle(buttonStyle);
  ui->btnStartStop->setStyle(buttonStyle);

  ui->Animate1->SetStopFrame(kClipStopFrame);
  // The columns share the list's width; the picture's takes what is left.
  ui->LvDumRecord->setColumnWidth(TDumpListSink::colEvent, 85);
  ui->LvDumRecord->setColumnWidth(TDumpListSink::colCard, 60);
  ui->LvDumRecord->setColumnWidth(TDumpListSink::colTime, 45);
  ui->LvDumRecord->setColumnWidth(TDumpListSink::colDate, 75);
  ui->LvDumRecord->setColumnWidth(TDumpListSink::colLeft, 75);

  // The handlers answer the user's choices only, not the window's own changes of the controls.
  connect(ui->comBoxSearchType, &QComboBox::activated, this, &TFrmMain::comBoxSearchTypeChange);
  connect(ui->cbInterface, &QComboBox::activated, this, &TFrmMain::cbInterfaceChange);
  connect(ui->comBoxBaudRate, &QComboBox::activated, this, &TFrmMain::comBoxBaudRateChange);
  connect(ui->ChBoxTCPIP, &QCheckBox::clicked, this, &TFrmMain::ChBoxTCPIPClick);
  connect(ui->SpeedButton1, &QToolButton::clicked, this, &TFrmMain::SpeedButton1Click);
  connect(ui->SpeedButton2, &QToolButton::clicked, this, &TFrmMain::SpeedButton2Click);
  connect(ui->btnDetect, &QPushButton::clicked, this, &TFrmMain::btnDetectClick);
  connect(ui->btnStartStop, &QPushButton::clicked, this, &TFrmMain::btnStartStopClick);
  connect(ui->btnExportCsv, &QPushButton::clicked, this, &TFrmMain::btnExportCsvClick);
  connect(ui->btnTraffic, &QToolButton::toggled, this, &TFrmMain::ShowTraffic);
  connect(ui->PanelTraffic, &TTrafficPane::DetachRequested, this, &TFrmMain::DetachTraffic);

  // A changed setting reaches the line at once, so that the next exchange uses it.
  connect(ui->edtPort, &TPortChooser::PortChosen, this, &TFrmMain::edtPortChange);
  connect(ui->edtPhoneNumber, &QLineEdit::textChanged, this, [this] {
    if (!ui->ChBoxTCPIP->isChecked() && ui->cbInterface->currentIndex() == 1)
      edtPhoneNumberChange();
  });
  connect(ui->EdIPAddress, &QLineEdit::textChanged, this, [this] {
    if (ui->ChBoxTCPIP->isChecked()) EdIPAddressChange();
  });
  connect(ui->edTCPIPPort, &QLineEdit::textChanged, this, [this] {
    if (ui->ChBoxTCPIP->isChecked()) edTCPIPPortChange();
  });
  ShowPortDevice();
}

TFrmMain::~TFrmMain() {
  TimerAppProcess->stop();
  TimerStopReading->stop();
  // A pane on its own is no child of the window any more.
  if (!ui->PanelTraffic->parent()) delete ui->PanelTraffic;
  if (FrmMain == this) FrmMain = nullptr;
}

TClockSet& TFrmMain::Line() const {
  return *VexConnections->DefaultItem();
}

TBasicClock* TFrmMain::FirstClock() const {
  const TClockList& clocks = Line().Clocks();
  return clocks.empty() ? nullptr : clocks.front().get();
}

void TFrmMain::showEvent(QShowEvent* AEvent) {
  QWidget::showEvent(AEvent);
  // Shown by the program, not restored by the desktop.
  if (!AEvent->spontaneous()) FormShow();
}

void TFrmMain::closeEvent(QCloseEvent* AEvent) {
  // A dump in progress ends with the window.
  if (FReading || TimerStopReading->isActive()) StopReading();
  QWidget::closeEvent(AEvent);
}

void TFrmMain::FormShow() {
  ApplyLanguage();
  Initialize();
  // The computer's current year, in full, in the calendar the hidden box names.
  int year = 0, month = 0, day = 0;
  try {
    if (ui->ChIsSolar->isChecked()) {
      year = SolarToday().Year;
    } else {
      DecodeDate(Today(), year, month, day);
    }
  } catch (const std::exception&) {
    year = 0;
  }
  FCurrentYear = year > 0 ? std::to_string(year) : std::string();
}

void TFrmMain::Initialize() {
  FillChoiceTexts();
  // The interface starts on the cable, as the line does.
  ui->cbInterface->setCurrentIndex(0);
  ui->comBoxSearchType->setCurrentIndex(0);

  ui->Animate1->hide();
  ui->Animate1->Stop();
  ui->LaConnectProcess->hide();
  ui->lblProbeClock->hide();
  TimerAppProcess->stop();

  // Dates are written and read as YYYY/MM/DD throughout the program.
  SetShortDateFormat("YYYY/MM/DD");

  ui->Animate1->SetClip(":/video/502.png", kClipFrameWidth);
}

void TFrmMain::FillChoiceTexts() {
  const int interfaceIndex = ui->cbInterface->currentIndex();
  const int searchType = ui->comBoxSearchType->currentIndex();
  ui->cbInterface->clear();
  ui->cbInterface->addItem(TranslateQ("كابل"));
  ui->cbInterface->addItem(TranslateQ("مودم"));
  ui->cbInterface->setCurrentIndex(interfaceIndex);
  ui->comBoxSearchType->clear();
  for (const TClockFamily& family : ClockFamilies())
    ui->comBoxSearchType->addItem(TranslateQ(family.Caption));
  ui->comBoxSearchType->setCurrentIndex(searchType);
}

void TFrmMain::ShowConnecting(bool AVisible) {
  ui->Animate1->setVisible(AVisible);
  ui->LaConnectProcess->setVisible(AVisible);
  ui->Animate1->SetActive(AVisible);
  if (!AVisible) ui->lblProbeClock->hide();
}

// ---- Line settings ----

void TFrmMain::comBoxSearchTypeChange() {
  const int index = ui->comBoxSearchType->currentIndex();
  if (index < 0 || index >= kClockSearchTypeCount) return;
  const TClockFamily& family = ClockFamily(static_cast<TClockSearchType>(index));
  bool isNumber = false;
  const int typed = ui->edTCPIPPort->text().trimmed().toInt(&isNumber);
  // A port the user typed stays, unless the family's terminal listens on its own port only;
  // an empty port or another family's default gives way to this family's.
  const bool typedByUser = isNumber && !IsDefaultTcpPort(typed);
  if (family.FixedTcpPort || !typedByUser)
    ui->edTCPIPPort->setText(QString::number(family.DefaultTcpPort));
}

void TFrmMain::SpeedButton1Click() {
  int n = 0;
  if (!NumberAt(ui->edtPort->PortName(), 3, -1, n)) return;
  if (n >= 19) return;
  ui->edtPort->SetPortName(QStringLiteral("COM%1").arg(n + 1));
  edtPortChange();
}

void TFrmMain::SpeedButton2Click() {
  int n = 0;
  if (!NumberAt(ui->edtPort->PortName(), 3, -1, n)) return;
  if (n <= 1) return;
  ui->edtPort->SetPortName(QStringLiteral("COM%1").arg(n - 1));
  edtPortChange();
}

void TFrmMain::cbInterfaceChange() {
  const bool cable = ui->cbInterface->currentIndex() == 0;
  if (cable) {
    Line().ChangePhoneNumber("");
  } else {
    Line().ChangePhoneNumber(ui->edtPhoneNumber->text().toStdString());
  }
  ui->comBoxBaudRate->setVisible(cable);
  ui->lblBaudRate->setVisible(cable);
  ui->edtPhoneNumber->setVisible(!cable);
  ui->lblPhoneNumber->setVisible(!cable);
  UpdateConnectionType();
}

void TFrmMain::ChBoxTCPIPClick() {
  const bool tcpIp = ui->ChBoxTCPIP->isChecked();
  ui->EdIPAddress->setEnabled(tcpIp);
  ui->edTCPIPPort->setEnabled(tcpIp);
  ui->lbTCPIPPort->setEnabled(tcpIp);
  ui->Label3->setEnabled(!tcpIp);
  const bool serial = ui->Label3->isEnabled();
  for (QWidget* control :
       {static_cast<QWidget*>(ui->Label2), static_cast<QWidget*>(ui->lblPhoneNumber),
        static_cast<QWidget*>(ui->edtPort), static_cast<QWidget*>(ui->cbInterface),
        static_cast<QWidget*>(ui->edtPhoneNumber), static_cast<QWidget*>(ui->comBoxBaudRate),
        static_cast<QWidget*>(ui->lblBaudRate), static_cast<QWidget*>(ui->lblPortDevice)})
    control->setEnabled(serial);
  if (ui->cbInterface->currentIndex() < 0) ui->cbInterface->setCurrentIndex(0);
  UpdateConnectionType();
}

void TFrmMain::UpdateConnectionType() {
  if (ui->ChBoxTCPIP->isChecked()) {
    Line().ChangeConnectionType(TcpIp);
    Line().ChangePhoneNumber("");
    EdIPAddressChange();
    edTCPIPPortChange();
    return;
  }
  const int index = ui->cbInterface->currentIndex();
  if (index < 0) return;
  Line().ChangeConnectionType(index == 0 ? Cable : Modem);
  edtPortChange();
  comBoxBaudRateChange();
  if (index == 1) edtPhoneNumberChange();
}

void TFrmMain::EdIPAddressChange() {
  Line().ChangeSocketAddress(ui->EdIPAddress->text().toStdString());
}

void TFrmMain::edTCPIPPortChange() {
  bool ok = false;
  const int port = ui->edTCPIPPort->text().trimmed().toInt(&ok);
  Line().ChangeSocketPort(ok ? port : kCardClockTcpPort);
}

void TFrmMain::edtPortChange() {
  // A COMn name or a device path, as chosen or typed; an empty field keeps the line's port.
  const QString name = ui->edtPort->PortName();
  if (!name.isEmpty()) Line().ChangeSerialPortName(name.toStdString());
  ShowPortDevice();
}

void TFrmMain::ShowPortDevice() {
  const std::string name = ui->edtPort->PortName().toStdString();
  const std::string device = ComPortDevice(name);
  ui->lblPortDevice->setText(device == name || name.empty()
                                 ? QString()
                                 : QStringLiteral("→ ") + QString::fromStdString(device));
  ui->lblPortDevice->setToolTip(QString::fromStdString(device));
}

void TFrmMain::comBoxBaudRateChange() {
  const int index = ui->comBoxBaudRate->currentIndex();
  if (index >= 0 && index < static_cast<int>(std::size(kBaudRates)))
    Line().ChangeBaudRate(kBaudRates[index]);
}

void TFrmMain::edtPhoneNumberChange() {
  Line().ChangePhoneNumber(ui->edtPhoneNumber->text().toStdString());
}

// ---- Detection ----

std::string TFrmMain::ClockItemCaption(const std::string& AName, const std::string& AFirmware,
                                       const std::string& ADateTime) {
  return AName + kItemLineBreak + AFirmware + kItemLineBreak + ADateTime;
}

void TFrmMain::btnDetectClick() {
  ui->btnDetect->setEnabled(false);
  FDetecting = true;
  // A dump left suspended ends here: its timer would ask the line while the clocks are replaced.
  if (TimerStopReading->isActive()) StopReading();
  if (ui->ChBoxTCPIP->isChecked()) {
    try {
      edTCPIPPortChange();
      Line().ChangeSocketAddress(ui->EdIPAddress->text().trimmed().toStdString());
    } catch (const std::exception&) {
      // The detection goes on with the line's settings as they are.
    }
  }
  const std::uint32_t start = platform::Clock().tickCount();
  QString status;
  try {
    ShowConnecting(true);
    TimerAppProcess->start();
    ui->LvDetectClock->clear();
    SetStatus(QString());
    ProcessMessages();

    const int searchType = ui->comBoxSearchType->currentIndex();
    const bool modem = !ui->ChBoxTCPIP->isChecked() && ui->cbInterface->currentIndex() == 1;
    if (modem && Line().PhoneNumber().empty()) {
      // Nothing to dial: no empty outcome, and no detection on the modem as if it were a cable.
      status = TranslateQ("شماره تلفن را برای شماره گیری وارد کنید");
    } else {
      if (modem) miDialClick();
      const bool modemDown = Line().EffectiveConnectionType() == Modem && !Line().ModemConnected();
      if (modemDown) {
        status = TranslateFormat("شماره گیری %1 ناموفق بود: %2",
                                 {ui->edtPhoneNumber->text().trimmed(),
                                  DisplayText(TranslateText(FLastDialResult))});
      } else if (searchType >= 0 && searchType < kClockSearchTypeCount) {
        DetectAndList(static_cast<TClockSearchType>(searchType));
        status = DetectionStatus(ui->LvDetectClock->count(),
                                 platform::Clock().tickCount() - start);
        const QString parity = EvenParityNotice();
        if (!parity.isEmpty()) status += QStringLiteral(" — ") + parity;
      }
    }
  } catch (const std::exception& error) {
    // The list shows what was found until then; the status line says why it stopped.
    status = TranslateFormat("شناسایی روی %1 ناموفق بود: %2",
                             {LineDescription(), QString::fromUtf8(error.what())});
  }
  SetStatus(status);
  ShowConnecting(false);
  TimerAppProcess->stop();
  ui->PanelTraffic->FlushFrames();
  FDetecting = false;
  ui->btnDetect->setEnabled(!FReading);
}

QString TFrmMain::LineDescription() const {
  if (ui->ChBoxTCPIP->isChecked())
    return QString::fromStdString(Line().SocketAddress()) + ':' +
           QString::number(Line().SocketPort());
  if (Line().EffectiveConnectionType() == Modem) return ui->edtPhoneNumber->text().trimmed();
  return PathText(QString::fromStdString(Line().SerialPortName()));
}

QString TFrmMain::DetectionStatus(int ACount, std::uint32_t AMilliseconds) {
  const QString seconds = QString::number((AMilliseconds + 500) / 1000);
  if (ACount == 1)
    return TranslateFormat("یک ساعت روی %1 در %2 ثانیه پیدا شد", {LineDescription(), seconds});
  if (ACount > 1)
    return TranslateFormat("%1 ساعت روی %2 در %3 ثانیه پیدا شد",
                           {QString::number(ACount), LineDescription(), seconds});
  if (ui->ChBoxTCPIP->isChecked())
    return TranslateFormat("هیچ ساعتی در %1 پاسخ نداد: نشانی و پورت را بررسی کنید",
                           {LineDescription()});
  if (Line().EffectiveConnectionType() == Modem)
    return TranslateFormat("هیچ ساعتی پس از شماره گیری %1 پاسخ نداد", {LineDescription()});
  // The link takes a port that cannot be opened for a silent line; the port says why.
  if (ISerialPort* port = Line().ComPort(); port && !port->isOpen()) {
    try {
      port->open();
    } catch (const std::exception& error) {
      return TranslateFormat("دریچه %1 باز نشد: %2",
                             {LineDescription(), QString::fromUtf8(error.what())});
    }
  }
  return TranslateFormat("هیچ ساعتی روی %1 با نرخ %2 پاسخ نداد: کابل و نرخ انتقال را بررسی کنید",
                         {LineDescription(), QString::number(BaudRateToBits(Line().BaudRate()))});
}

QString TFrmMain::EvenParityNotice() {
  const ISerialPort* port = Line().ComPort();
  if (!port || !port->evenParityRefused() || FParityNoticed.count(port->portName())) return {};
  FParityNoticed.insert(port->portName());
  const QString notice = TranslateFormat(
      "دریچه %1 توازن زوج را نمی پذیرد: ساعت هایی که با توازن زوج کار می کنند (Lumen) روی آن "
      "پیدا نمی شوند",
      {QString::fromStdString(port->portName())});
  try {
    const std::string log = WriteLog(notice.toStdString(), kWindowLogName, true);
    return notice + ' ' + TranslateFormat("(در %1 ثبت شد)", {PathText(QString::fromStdString(log))});
  } catch (const std::exception&) {
    return notice;
  }
}

QString TFrmMain::StatusText() const {
  return ui->lblStatus->text();
}

void TFrmMain::SetStatus(const QString& AText) {
  ui->lblStatus->setText(AText);
  ui->lblStatus->setToolTip(AText);
}

void TFrmMain::AddClockItem(TBasicClock& AClock, const std::string& ADateTime) {
  const std::string caption = ClockItemCaption(AClock.ClockName, AClock.FirmwareVer, ADateTime);
  auto* item = new QListWidgetItem(ModelPicture(AClock.ClockType), DisplayText(caption));
  item->setData(kRawCaptionRole, QString::fromStdString(caption));
  item->setData(kImageIndexRole, static_cast<int>(AClock.ClockType));
  item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
  ui->LvDetectClock->addItem(item);
  ui->btnStartStop->setEnabled(true);
}

void TFrmMain::ShowProbedClock(int AClockNumber, int AMaxClockNumber) {
  ui->lblProbeClock->setText(QStringLiteral("%1 / %2").arg(AClockNumber).arg(AMaxClockNumber));
  ui->lblProbeClock->setVisible(FDetecting);
}

void TFrmMain::TimerAppProcessTimer() {
  ProcessMessages();
}

namespace {
// While the modem dials, the line lets the application handle its messages, so the dialing window
// is drawn and its cancel button works; the main window takes no input meanwhile, so that nothing
// else starts on the line during the dial.
class TDialingBreath {
 public:
  TDialingBreath(TClockSet& ALine, QWidget* AWindow)
      : FLine(ALine), FWindow(AWindow), FPrevious(ALine.OnBreath) {
    FLine.OnBreath = [] { ProcessMessages(); };
    FWindow->setEnabled(false);
  }
  ~TDialingBreath() {
    FLine.OnBreath = FPrevious;
    FWindow->setEnabled(true);
  }
  TDialingBreath(const TDialingBreath&) = delete;
  TDialingBreath& operator=(const TDialingBreath&) = delete;

 private:
  TClockSet& FLine;
  QWidget* FWindow;
  TBreathEvent FPrevious;
};

void HideDialingWindow() {
  if (!frmDialing) return;
  frmDialing->hide();
  frmDialing->Label2()->clear();
}
}  // namespace

void TFrmMain::miDialClick() {
  TClockSet& line = Line();
  FLastDialResult.clear();
  if (line.PhoneNumber().empty()) {
    SetStatus(TranslateQ("شماره تلفن را برای شماره گیری وارد کنید"));
    return;
  }
  if (frmDialing) {
    // The number as the user typed it; the line's dial string carries the modem's dialing mode.
    frmDialing->lblPhoneNumber()->setText(ui->edtPhoneNumber->text().trimmed());
    frmDialing->show();
    frmDialing->raise();
  }
  std::string result;
  try {
    TDialingBreath breath(line, this);
    line.Dial(result);
  } catch (...) {
    HideDialingWindow();
    throw;
  }
  if (frmDialing)
    frmDialing->Label2()->setText(
        QString::fromStdString(line.Clocks().empty() ? std::string() : line.ConnectSpeed()));
  FLastDialResult = result;
  if (!result.empty()) ShowMessageDlg(result, mtInformation, mbOK, 0);
  HideDialingWindow();
}

// ---- Record dump ----

void TFrmMain::btnStartStopClick() {
  try {
    ui->LvDumRecord->clear();
    FListedRecords.clear();
    ShowRecordCount();
    ui->LvDumRecord->setFocus();
    if (Line().ClockType() == CTUnknown) return;
    if (!StartStop()) StopReading();
  } catch (const std::exception&) {
    StopReading();
  }
}

bool TFrmMain::StartStop() {
  if (ui->btnStartStop->text() == TranslateQ("توقف")) {
    StopReading();
    return true;
  }
  return StartReading();
}

bool TFrmMain::StartReading() {
  ui->btnStartStop->setText(TranslateQ("توقف"));
  return StartReadingClock();
}

bool TFrmMain::StartReadingClock() {
  if (Line().ClockType() == CTUnknown) {
    StopReading();
    return false;
  }
  if (!Line().PhoneNumber().empty() && !Line().ModemConnected()) {
    if (ShowMessageDlg("ارتباط مودم قطع مي باشد، آيا ارتباط از طريق مودم ايجاد شود؟",
                       mtConfirmation, mbYes | mbNo, 0) == mrYes)
      miDialClick();
    return false;
  }
  ReadStoped = false;
  ReadSuspended = false;
  TimerStopReading->start();
  {
    // No detection while the dump reads: it would replace the clock being read.
    struct TReadingScope {
      TFrmMain& Form;
      explicit TReadingScope(TFrmMain& AForm) : Form(AForm) {
        Form.FReading = true;
        Form.ui->btnDetect->setEnabled(false);
      }
      ~TReadingScope() {
        Form.FReading = false;
        Form.ui->btnDetect->setEnabled(!Form.FDetecting);
      }
    } reading(*this);
    DumpFirstClock();
  }
  ui->PanelTraffic->FlushFrames();
  Breath();
  if (ReadStoped) ui->btnStartStop->setText(TranslateQ("تخليه"));
  ReadStoped = false;
  return true;
}

QString TFrmMain::RecordsReadText(int ACount) {
  return ACount == 1 ? TranslateQ("یک رکورد خوانده شد")
                     : TranslateFormat("%1 رکورد خوانده شد", {QString::number(ACount)});
}

void TFrmMain::ShowRecordCount() {
  const auto count = static_cast<int>(FListedRecords.size());
  ui->lblRecordCount->setText(count > 0 ? RecordsReadText(count) : QString());
  ui->btnExportCsv->setEnabled(count > 0);
}

bool TFrmMain::ExportRecords(const QString& AFileName, QString& AError) const {
  // The export is the list as it stands, not an addition to an earlier file.
  if (QFile::exists(AFileName) && !QFile::remove(AFileName)) {
    AError = TranslateFormat("فایل %1 جایگزین نشد", {AFileName});
    return false;
  }
  TRecordCsvFile file;
  std::string error;
  bool written = file.Open(AFileName.toStdString(), true, error);
  for (auto entry = FListedRecords.begin(); written && entry != FListedRecords.end(); ++entry)
    written = file.Write(*entry, entry->Leave == TRecordLeave::Left, error);
  written = written && file.Sync(error);
  if (!written) AError = QString::fromStdString(error);
  return written;
}

void TFrmMain::btnExportCsvClick() {
  const QString name =
      AskSaveFileName(this, "ذخیره فهرست رکوردها", QStringLiteral("records.csv"),
                      {{"فایل CSV", QStringLiteral("*.csv")}, {"همه فایل ها", QStringLiteral("*")}});
  if (name.isEmpty()) return;
  QString error;
  if (ExportRecords(name, error))
    SetStatus(TranslateFormat("%1 رکورد در %2 ذخیره شد",
                              {QString::number(FListedRecords.size()), PathText(name)}));
  else
    SetStatus(TranslateFormat("ذخیره فهرست در %1 ناموفق بود: %2", {PathText(name), error}));
}

bool TFrmMain::StopReading() {
  Breath();
  ui->btnStartStop->setText(TranslateQ("تخليه"));
  ReadStoped = true;
  ReadSuspended = false;
  ui->btnStartStop->setEnabled(false);
  repaint();
  TimerStopReading->stop();
  return true;
}

void TFrmMain::TimerStopReadingTimer() {
  ProcessMessages();
  if (!TimerStopReading->isActive()) return;
  try {
    if (LineIsEmpty()) {
      TimerStopReading->stop();
      StopReading();
    }
  } catch (const std::exception&) {
    TimerStopReading->stop();
    StopReading();
  }
}

void TFrmMain::Breath(const std::string&) {
  ProcessMessages();
}

// ---- Traffic pane ----

void TFrmMain::ShowTraffic(bool AVisible) {
  TTrafficPane* pane = ui->PanelTraffic;
  if (ui->btnTraffic->isChecked() != AVisible) ui->btnTraffic->setChecked(AVisible);
  if (pane->isWindow()) {
    // On its own the pane is shown and hidden as a window.
    pane->setVisible(AVisible);
    if (AVisible) pane->raise();
    return;
  }
  const bool wasVisible = pane->isVisible();
  pane->setVisible(AVisible);
  // The window grows by the pane's height unless it is already tall enough for both.
  if (AVisible && !wasVisible && !isMaximized() && !isFullScreen()) {
    const int needed = ui->PanelWork->minimumSizeHint().height() + kTrafficHeight +
                       ui->lblStatus->sizeHint().height() + 40;
    if (height() < needed) resize(width(), needed);
    const int work = std::max(ui->PanelWork->height(), ui->PanelWork->minimumSizeHint().height());
    ui->SplitterTraffic->setSizes({work, kTrafficHeight});
  }
}

void TFrmMain::DetachTraffic(bool ADetach) {
  TTrafficPane* pane = ui->PanelTraffic;
  if (ADetach == pane->isWindow()) return;
  if (ADetach) {
    const QSize size(std::max(pane->width(), width()), std::max(pane->height(), kTrafficHeight));
    pane->setParent(nullptr, Qt::Window);
    pane->setAttribute(Qt::WA_QuitOnClose, false);
    pane->setWindowTitle(TranslateQ("ترافیک خط"));
    pane->setWindowIcon(windowIcon());
    pane->resize(size);
  } else {
    ui->SplitterTraffic->addWidget(pane);
  }
  pane->SetDetached(ADetach);
  ShowTraffic(true);
}

void TFrmMain::CreateLanguageMenu() {
  auto* bar = new QMenuBar(this);
  bar->setObjectName("MenuBarMain");
  auto* menu = new QMenu(QStringLiteral("زبان"), bar);
  menu->setObjectName("menuLanguage");
  auto* persian = menu->addAction(QStringLiteral("فارسی"));
  persian->setObjectName("actLanguageFa");
  auto* english = menu->addAction(QStringLiteral("English"));
  english->setObjectName("actLanguageEn");
  bar->addMenu(menu);
  layout()->setMenuBar(bar);
  connect(persian, &QAction::triggered, this, [this] { SetLanguage("fa"); });
  connect(english, &QAction::triggered, this, [this] { SetLanguage("en"); });
}

void TFrmMain::SetLanguage(const std::string& ALanguage) {
  // Not while the line is busy: the dump's button is told apart by its caption.
  if (FDetecting || FReading) return;
  if (!LoadLanguage(ALanguage))
    SetStatus(TranslateFormat("واژه نامه زبان %1 پیدا نشد", {QString::fromStdString(ALanguage)}));
  ApplyLanguage();
}

void TFrmMain::SetCaptionSuffix(const QString& ASuffix) {
  FCaptionSuffix = ASuffix;
  setWindowTitle(TranslateQ(kWindowCaption) + FCaptionSuffix);
}

void TFrmMain::ApplyLanguage() {
  const Qt::LayoutDirection direction = DictionaryDirection();
  setLayoutDirection(direction);
  TranslateWidgetTexts(this);
  setWindowTitle(TranslateQ(kWindowCaption) + FCaptionSuffix);
  if (ui->PanelTraffic->isWindow()) {
    ui->PanelTraffic->setWindowTitle(TranslateQ("ترافیک خط"));
    TranslateWidgetTexts(ui->PanelTraffic);
  }
  ui->PanelTraffic->ShowColumnTitles();
  if (auto* menu = findChild<QMenu*>("menuLanguage")) menu->setTitle(TranslateQ("زبان"));
  if (frmDialing) {
    frmDialing->setLayoutDirection(direction);
    TranslateWidgetTexts(frmDialing);
  }
  FillChoiceTexts();
  ShowPortDevice();
  ShowRecordCount();
  // The rows follow the language too: their texts are the dictionary's.
  TDumpListSink::Retranslate(*ui->LvDumRecord);
}
