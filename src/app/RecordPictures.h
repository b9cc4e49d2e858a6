#pragma once
// The pictures that come with dumped records, kept below the folder "IOImages" beside the
// program: one folder per year, month and day, one file per picture named after the card and the
// time, "123_0805.jpg", then "123_0805_1.jpg" and so on for more pictures of the same minute.
#include <stdexcept>
#include <string>

#include "clock/ClockTypes.h"

// The picture could not be written; the record it came with must stay on the clock.
class EPictureWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The card number as a decimal number without leading zeros ("000123" gives "123"). Raises
// EConvertError when it is not a number.
std::string CardNumberText(const std::string& AKartNo);

// Writes ARecord's picture (ARecord.ImageData, which must be assigned) into its day's folder below
// AProgramDirectory/IOImages, creating the folders, and returns the file's path. Raises
// EConvertError for a card number that is not a number and EPictureWriteError when a folder or
// the file cannot be written.
std::string StoreRecordPicture(const TVexRecord& ARecord, const std::string& AProgramDirectory);
