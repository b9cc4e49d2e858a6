#pragma once
// The main window: the line test on the right (search type, serial port, cable or modem, TCP/IP;
// detection of the clocks that answer) and the record dump on the left (at most three records
// read from the detected clock, listed and removed from it). Every control acts on the default
// line of the window's connection list.
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

#include "clock/ClockTypes.h"
#include "utils/MessageHook.h"

class QTimer;
class TConnectionList;
class TClockSet;
namespace Ui {
class TFrmMain;
}

class TFrmMain : public QWidget {
  Q_OBJECT

 public:
  explicit TFrmMain(QWidget* AParent = nullptr);
  ~TFrmMain() override;

  // The window's lines; the window works with its default line only.
  std::unique_ptr<TConnectionList> VexConnections;

  // The computer's current year in full, in the computer's calendar (set when the window is
  // shown); it decides which calendar dumped records are shown in.
  const std::string& CurrentYear() const { return FCurrentYear; }
  void SetCurrentYear(const std::string& AValue) { FCurrentYear = AValue; }

  // State of the record dump.
  bool ReadStoped = false;
  bool ReadSuspended = false;
  // Records one dump takes at most.
  static constexpr int kDumpCount = 3;

  // The default line.
  TClockSet& Line() const;

  // ---- Start-up ----
  void FormShow();
  void Initialize();

  // ---- Line settings from the controls ----
  void comBoxSearchTypeChange();
  void cbInterfaceChange();
  void ChBoxTCPIPClick();
  void comBoxBaudRateChange();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void UpdateConnectionType();
  void EdIPAddressChange();
  void edTCPIPPortChange();
  void edtPortChange();
  void edtPhoneNumberChange();

  // ---- Detection ----
  void btnDetectClick();
  void TimerAppProcessTimer();
  void miDialClick();

  // ---- Record dump ----
  void btnStartStopClick();
  bool StartStop();
  bool StartReading();
  bool StartReadingClock();
  // Lists ARecord (its date as it is to be shown).
  void AddToList(const TVexRecord& ARecord);
  bool StopReading();
  void SuspendReading() { ReadSuspended = true; }
  void TimerStopReadingTimer();
  void Breath(const std::string& AMessage = std::string());

  // ---- The traffic pane ----
  void ShowTraffic(bool AVisible);

  // Item data of LvDetectClock: the caption as composed (with its LF CR line breaks) and the
  // picture index (the clock type's ordinal).
  static constexpr int kRawCaptionRole = Qt::UserRole + 1;
  static constexpr int kImageIndexRole = Qt::UserRole + 2;

  // The text of a detected clock's item: name, firmware, date and time on four lines, each line
  // ending in LF CR.
  static std::string ClockItemCaption(const std::string& AName, const std::string& AFirmware,
                                      const std::string& ADateTime);

 protected:
  void showEvent(QShowEvent* AEvent) override;
  void closeEvent(QCloseEvent* AEvent) override;

 private:
  // The line's detection and the listing of the clocks it found.
  void DetectAndList(TClockSearchType ASearchType);
  void AddClockItem(TBasicClock& AClock, const std::string& ADateTime);
  // During a bus scan: the clock number being asked.
  void ShowProbedClock(int AClockNumber, int AMaxClockNumber);
  // Whether every clock of the line reports that it holds no record.
  bool LineIsEmpty();
  // The dump of the line's first clock into the list, as far as it goes.
  void DumpFirstClock();
  // The list of detected clocks grows over the label's place while no detection runs, and gives
  // it back while one does.
  void ExtendClockList(bool AExtend);
  void ShowConnecting(bool AVisible);
  TBasicClock* FirstClock() const;

  std::unique_ptr<Ui::TFrmMain> ui;
  QTimer* TimerAppProcess;
  QTimer* TimerStopReading;
  std::string FCurrentYear;
  bool FClockListExtended = false;
  bool FDetecting = false;
  bool FReading = false;
  int FBaseHeight = 0;
  TScopedConnectingIndicationHook FConnectingHook;
};

// The main window of the program, created at start-up (nullptr until then).
extern TFrmMain* FrmMain;
