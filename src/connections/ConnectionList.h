#pragma once
// The lines a program works with, one of them the default line, all written to and restored from
// one settings string.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "connections/ClockSet.h"

// An index outside the list.
class EListError : public std::out_of_range {
 public:
  using std::out_of_range::out_of_range;
};

// The name of the line a new list starts with ("default").
extern const char* const kDefaultConnectionName;

class TConnectionList {
 public:
  // A list with one line, named kDefaultConnectionName, which is the default line.
  TConnectionList();
  ~TConnectionList();
  TConnectionList(const TConnectionList&) = delete;
  TConnectionList& operator=(const TConnectionList&) = delete;

  // ---- The lines; the list owns them ----
  std::int32_t Count() const { return static_cast<std::int32_t>(FItems.size()); }
  // Raises EListError for an index outside 0..Count-1.
  TClockSet& Items(std::int32_t AIndex) const;
  // A new line with the list's log files and events, appended; it becomes the default line when
  // it is the only one.
  TClockSet& NewConnection();
  // Removes and frees a line; the list has no default line afterwards when it was that one.
  // Raises EListError for an index outside the list.
  void Delete(std::int32_t AIndex);
  // Closes every line.
  void Close();

  // ---- The default line ----
  TClockSet* DefaultItem() const { return FDefaultItem; }
  // Makes AValue the default line: its status event is cleared and a modem connection it holds
  // is hung up. Nothing when it already is the default.
  void ChangeDefaultItem(TClockSet* AValue);
  // The index of the default line, -1 when the list has none.
  std::int32_t DefaultIndex() const;
  // Makes the line at AValue the default; an index outside the list changes nothing.
  void ChangeDefaultIndex(std::int32_t AValue);

  // ---- Shared by every line; a change reaches the lines already in the list ----
  const std::string& LogFileName() const { return FLogFileName; }
  void ChangeLogFileName(const std::string& AValue);
  const std::string& ErrorLogFileName() const { return FErrorLogFileName; }
  void ChangeErrorLogFileName(const std::string& AValue);
  const TModemDisconnectEvent& OnModemDisconnect() const { return FOnModemDisconnect; }
  void ChangeOnModemDisconnect(TModemDisconnectEvent AValue);
  const TBreathEvent& OnBreath() const { return FOnBreath; }
  void ChangeOnBreath(TBreathEvent AValue);

  // ---- Settings string ----
  // The line count, each line's settings string, and the default index, separated by "-".
  std::string BuildProperties() const;
  // Rebuilds the lines from that text, then restores the default line's serial port number and
  // speed, which a line's own settings string does not restore. Raises EConvertError for an
  // empty count or index field; the list keeps the lines rebuilt before it.
  void ApplyProperties(const std::string& AValue);
  std::string Properties() const { return BuildProperties(); }
  void SetProperties(const std::string& AValue) { ApplyProperties(AValue); }

 private:
  // The second pass of ApplyProperties: port number and speed of the default line from the
  // serial fields of ALineText (the line's settings string, or the whole list's text).
  void RestoreDefaultSerialSettings(const std::string& ALineText);

  std::vector<std::unique_ptr<TClockSet>> FItems;
  std::string FLogFileName;
  std::string FErrorLogFileName;
  TModemDisconnectEvent FOnModemDisconnect;
  TClockSet* FDefaultItem = nullptr;
  TBreathEvent FOnBreath;
};
