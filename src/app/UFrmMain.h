#pragma once
// The main window: the line test on the right (search type, serial port, cable or modem, TCP/IP;
// detection of the clocks that answer) and the record dump on the left (at most three records
// read from the detected clock, listed and removed from it). Every control acts on the default
// line of the window's connection list.
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "clock/ClockTypes.h"
#include "connections/RecordDump.h"
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
  // The records the last dump listed, with where each is now.
  const std::vector<TDumpEntry>& ListedRecords() const { return FListedRecords; }
  // Writes the records listed to AFileName as the command line's dump writes its file (a file
  // already there is replaced); false with AError.
  bool ExportRecords(const QString& AFileName, QString& AError) const;
  void btnExportCsvClick();
  // The folder the pictures of dumped records are stored in: beside the program when it can be
  // written, else in the user's data folder.
  static std::string PictureFolder();
  bool StopReading();
  void SuspendReading() { ReadSuspended = true; }
  void TimerStopReadingTimer();
  void Breath(const std::string& AMessage = std::string());

  // ---- The traffic pane ----
  void ShowTraffic(bool AVisible);
  // The pane as a window of its own, or back in the main window below the two halves.
  void DetachTraffic(bool ADetach);

  // ---- Language and status ----
  // Loads the dictionaries of ALanguage ("en", "fa"; '' for the files beside the program) and
  // shows every text of the windows in it.
  void SetLanguage(const std::string& ALanguage);
  // Puts the texts of the windows through the dictionary loaded and takes its direction.
  void ApplyLanguage();
  // Text put after the window's caption in every language (the program's version).
  void SetCaptionSuffix(const QString& ASuffix);
  // The status line: what the last operation did.
  QString StatusText() const;
  void SetStatus(const QString& AText);
  // The line as the status line names it: its port and speed, its address, or the number
  // dialled; a device path kept left to right.
  QString LineDescription() const;

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
  void ShowConnecting(bool AVisible);
  // "3 records read" in the language loaded.
  static QString RecordsReadText(int ACount);
  // The counter above the record list.
  void ShowRecordCount();
  // What a dump says in the status line.
  QString DumpStatus(const TDumpResult& AResult, int APicturesFailed,
                     const std::string& APictureFolder) const;
  // What a detection that listed ACount clocks in AMilliseconds says in the status line.
  QString DetectionStatus(int ACount, std::uint32_t AMilliseconds);
  // Once per port: the status line's and the log's word that the port refused even parity, so
  // that the clocks probed at even parity could not be found. '' otherwise.
  QString EvenParityNotice();
  // The combo boxes' items in the language loaded; their choices stay.
  void FillChoiceTexts();
  void CreateLanguageMenu();
  // The port shown in the port field, with the device it opens.
  void ShowPortDevice();
  TBasicClock* FirstClock() const;

  std::unique_ptr<Ui::TFrmMain> ui;
  QTimer* TimerAppProcess;
  QTimer* TimerStopReading;
  std::string FCurrentYear;
  bool FDetecting = false;
  bool FReading = false;
  QString FCaptionSuffix;
  // The ports whose refusal of even parity was told.
  std::set<std::string> FParityNoticed;
  std::vector<TDumpEntry> FListedRecords;
  // The outcome text of the last dial.
  std::string FLastDialResult;
  TScopedConnectingIndicationHook FConnectingHook;
};

// The main window of the program, created at start-up (nullptr until then).
extern TFrmMain* FrmMain;
