#pragma once
// The window's side of a record dump: each record kept is listed in the dump list (event type,
// card, time, the full date in the computer's calendar, whether it left the clock and what became
// of its picture); a clock that stops answering is reported once per dump. The dump engine stores
// the pictures and releases the records. The entries listed stay with the sink, for the export.
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "connections/RecordDump.h"

class QTreeWidget;
class QTreeWidgetItem;

class TDumpListSink : public IDumpSink {
 public:
  // The list's columns.
  enum TColumn { colEvent, colCard, colTime, colDate, colLeft, colPicture, kColumnCount };

  // AClockDate gives the clock's date (four-digit year first), which tells the clock's calendar;
  // ACurrentYear is the computer's current year in full.
  TDumpListSink(QTreeWidget& AList, std::function<std::string()> AClockDate,
                std::string ACurrentYear);
  bool Persist(const TDumpEntry& AEntry, std::string& AError) override;
  void Settled(const TDumpEntry& AEntry) override;
  void Notice(const TDumpNotice& ANotice) override;
  // Once the dump is over: records taken with an HDLC block or a terminal's log are shown where
  // AResult says they are now.
  void Finish(const TDumpResult& AResult);

  // Called after each row is added or changed (the window's counter).
  std::function<void()> OnChanged;

  // The entries listed, in the list's order, with where each record is now; rows the user has
  // cleared from the list meanwhile are left out.
  std::vector<TDumpEntry> Entries() const;
  // Records whose picture was lost on the way or could not be stored.
  int PicturesFailed() const;

  // Adds the row of AEntry, its date shown as ADate, and selects it.
  static void AddRow(QTreeWidget& AList, const TDumpEntry& AEntry, const std::string& ADate);
  // The row's texts that come from the dictionary: the event, whether the record left the clock
  // and its picture.
  static void ShowTexts(QTreeWidgetItem& ARow, const TDumpEntry& AEntry);
  // The rows' texts again, in the language loaded now.
  static void Retranslate(QTreeWidget& AList);
  static QString LeaveText(TRecordLeave ALeave);
  static QString PictureText(TPictureOutcome APicture);

 private:
  void ShowLeave(std::size_t AIndex);
  static void Retranslate(QTreeWidgetItem& ARow);
  // The row of entry AIndex while it is still in the list; nullptr once it was cleared.
  QTreeWidgetItem* Row(std::size_t AIndex) const;

  QTreeWidget& FList;
  std::function<std::string()> FClockDate;
  std::string FCurrentYear;
  std::vector<TDumpEntry> FEntries;
  // Each row carries its entry's number, by which it is found again.
  std::uint64_t FFirstTag;
  bool FDisconnectedShown = false;
};
