#pragma once
// The pictures that come with dumped records, kept below one folder: a folder per year, month and
// day of the record's own date ("1403/09/17"; "undated" when the date cannot be read), a file per
// picture named after the card and the time, "123_0805.jpg", then "123_0805_1.jpg" and so on for
// more pictures of the same card and minute. An earlier picture is never written over, and a
// picture is on the disk (synced) before Store returns.
#include <string>

#include "connections/RecordDates.h"
#include "utils/ClockVocabulary.h"

class TPictureStore {
 public:
  explicit TPictureStore(std::string AFolder) : FFolder(std::move(AFolder)) {}
  const std::string& Folder() const { return FFolder; }

  // Stores APicture, taken with ARecord of ADay; the file's path, or '' with AError when the
  // folders or the file cannot be written.
  std::string Store(const TVexRecord& ARecord, const TRecordDay& ADay, const std::string& APicture,
                    std::string& AError) const;

  // How many pictures of one card and minute a day's folder takes at most.
  static constexpr int kMaxSameName = 1000;

 private:
  std::string FFolder;
};

// The folder below the store for a record of ADay: its date in full in the record's own calendar
// ("1403/09/17"), or "undated" when the date names no day.
std::string PictureDayFolder(const TRecordDay& ADay);
// The name of a record's pictures without number and extension: card, "_", time as HHMM.
// A card number is written without leading zeros ("000123" gives "123"); a card or time that is
// not a number keeps only letters, digits and "-", the other characters becoming "_", so that
// the name stays inside its folder whatever the clock sent.
std::string PictureFileStem(const TVexRecord& ARecord);
