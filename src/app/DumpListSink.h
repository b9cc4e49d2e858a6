#pragma once
// The window's side of a record dump: each record kept is listed in the dump list (event type,
// card, time, and the date in the computer's calendar); a clock that stops answering is
// reported once per dump. The dump engine stores the pictures and releases the records.
#include <functional>
#include <string>

#include "connections/RecordDump.h"

class QTreeWidget;

class TDumpListSink : public IDumpSink {
 public:
  // AClockDate gives the clock's date (four-digit year first), which tells the clock's calendar;
  // ACurrentYear is the computer's current year in full.
  TDumpListSink(QTreeWidget& AList, std::function<std::string()> AClockDate,
                std::string ACurrentYear);
  bool Persist(const TDumpEntry& AEntry, std::string& AError) override;
  void Notice(const TDumpNotice& ANotice) override;

  // Adds the row of ARecord (its date as it is to be shown) and selects it.
  static void AddRow(QTreeWidget& AList, const TVexRecord& ARecord);

 private:
  QTreeWidget& FList;
  std::function<std::string()> FClockDate;
  std::string FCurrentYear;
  bool FDisconnectedShown = false;
};
