// dump: reads records out of the first clock found and removes them from it, as the window's
// dump does. A clock forgets a record once it is acknowledged (NextRecord), so every record is
// written to the file (and to the disk, fsync) and its picture stored before it is acknowledged:
// whenever the program is stopped, each record is on the disk, on the clock, or both.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>

#include "calendar/VexDateTime.h"
#include "cli/Commands.h"
#include "cli/JsonText.h"
#include "platform/Platform.h"

namespace {

constexpr int kDefaultRecordCount = 3;
// Passes in a row that bring no record: from the fourth on the dump waits a second per pass and
// stops when the clock says it is empty; the eleventh ends it.
constexpr int kSlowAfterFruitless = 3;
constexpr int kStopAfterFruitless = 10;
constexpr std::uint32_t kFruitlessPauseMs = 1000;

// The entry/exit text the window lists for a record (from its two record types).
std::string EventText(const TVexRecord& ARecord) {
  const std::string type2 = ARecord.RecType2.size() < 2 ? "00" : ARecord.RecType2;
  const char kind1 = ARecord.RecType1.size() >= 2 ? ARecord.RecType1[1] : '\0';
  if (kind1 == '1') return "مرخصي";    // leave
  if (kind1 == '2') return "ماموريت";  // mission
  if (type2[1] == '2') return "خروج";  // exit
  if (type2[1] == '3') return "ورود";  // entry
  return "ورود و خروج";                // entry and exit
}

std::string Trimmed(const std::string& AText) {
  const auto first = AText.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return AText.substr(first, AText.find_last_not_of(' ') - first + 1);
}

// A file written through to the disk: every Write returns only once the bytes are there.
class DurableFile {
 public:
  ~DurableFile() {
    if (FFd >= 0) ::close(FFd);
  }
  // Opens APath for appending, creating it (and making its directory entry durable) when new.
  bool Open(const std::string& APath, bool& ACreated, std::string& AError) {
    ACreated = ::access(APath.c_str(), F_OK) != 0;
    FFd = ::open(APath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (FFd < 0) {
      AError = APath + ": " + std::strerror(errno);
      return false;
    }
    if (ACreated) SyncDirectoryOf(APath);
    return true;
  }
  bool Write(const std::string& ABytes, std::string& AError) {
    std::size_t done = 0;
    while (done < ABytes.size()) {
      const ssize_t n = ::write(FFd, ABytes.data() + done, ABytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        AError = std::strerror(errno);
        return false;
      }
      done += static_cast<std::size_t>(n);
    }
    if (::fsync(FFd) != 0) {
      AError = std::strerror(errno);
      return false;
    }
    return true;
  }
  static void SyncDirectoryOf(const std::string& APath) {
    std::string dir = std::filesystem::path(APath).parent_path().string();
    if (dir.empty()) dir = ".";
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
  }

 private:
  int FFd = -1;
};

std::string CsvField(const std::string& AText) {
  if (AText.find_first_of(",\"\r\n") == std::string::npos) return AText;
  std::string out = "\"";
  for (char ch : AText) {
    if (ch == '"') out += '"';
    out += ch;
  }
  return out + "\"";
}

// The picture of ARecord below ADir as the window stores it: YYYY/MM/DD/CARD_HHMM.jpg, with _1,
// _2, ... when that name is taken. Written through to the disk; the path, or '' with AError.
std::string StorePicture(const std::string& ADir, const TVexRecord& ARecord, std::string& AError) {
  namespace fs = std::filesystem;
  const std::string day = DateStrToYYYYMMDD(ARecord.Date, 0);
  fs::path folder(ADir);
  if (day.size() == 8)
    folder = folder / day.substr(0, 4) / day.substr(4, 2) / day.substr(6, 2);
  else
    folder /= "undated";
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    AError = folder.string() + ": " + ec.message();
    return {};
  }
  std::string time = ARecord.Time;
  if (time.find(':') != std::string::npos && time.size() >= 5)
    time = time.substr(0, 2) + time.substr(3, 2);
  // The card number without leading zeros when it is a number, as it is otherwise.
  std::string card = Trimmed(ARecord.KartNo);
  const auto nonZero = card.find_first_not_of('0');
  if (card.find_first_not_of("0123456789") == std::string::npos)
    card = nonZero == std::string::npos ? "0" : card.substr(nonZero);
  for (char& ch : card)
    if (ch == '/' || ch == '\\') ch = '_';
  for (int n = 0;; ++n) {
    const fs::path file =
        folder / (card + "_" + time + (n == 0 ? "" : "_" + std::to_string(n)) + ".jpg");
    // O_EXCL: never write over an earlier picture.
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) {
      AError = file.string() + ": " + std::strerror(errno);
      return {};
    }
    const std::string& data = *ARecord.ImageData;
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < data.size()) {
      const ssize_t w = ::write(fd, data.data() + done, data.size() - done);
      if (w < 0 && errno == EINTR) continue;
      ok = w > 0;
      if (ok) done += static_cast<std::size_t>(w);
    }
    ok = ok && ::fsync(fd) == 0;
    if (!ok) AError = file.string() + ": " + std::strerror(errno);
    ::close(fd);
    if (!ok) return {};
    DurableFile::SyncDirectoryOf(file.string());
    return file.string();
  }
}

}  // namespace

int RunDumpCommand(std::vector<std::string>& AArgs, const LineOptions& AOptions, std::ostream& AOut,
                   std::ostream& AErr) {
  int maxRecords = kDefaultRecordCount;
  if (auto max = TakeOption(AArgs, "--max")) maxRecords = ParseInt(*max, "--max", 1, 100000);
  const auto outFile = TakeOption(AArgs, "--out");
  const auto imageDir = TakeOption(AArgs, "--images");
  if (!AArgs.empty()) throw UsageError{"dump: unexpected argument '" + AArgs.front() + "'"};
  if (outFile && outFile->empty()) throw UsageError{"--out needs a file name"};
  if (imageDir && imageDir->empty()) throw UsageError{"--images needs a folder"};

  // The file is opened before the clocks are asked, so that a wrong name costs no record.
  DurableFile csv;
  if (outFile) {
    bool created = false;
    std::string error;
    if (!csv.Open(*outFile, created, error)) {
      AErr << "cannot write " << error << "\n";
      return kExitUsage;
    }
    if (created && !csv.Write("clock,card,date,time,type1,type2,sequence,event,picture\n", error)) {
      AErr << "cannot write " << *outFile << ": " << error << "\n";
      return kExitUsage;
    }
  }

  LineHandle line;
  std::vector<TBasicClock*> listed;
  if (const int code = DetectOnLine(AOptions, AErr, line, listed)) return code;
  TBasicClock& clock = *listed.front();
  // Pictures are fetched only when they are wanted: a transfer takes seconds.
  if (imageDir) line->ChangeGetIOImage(true);

  std::string json;
  int dumped = 0;
  int fruitless = 0;
  bool disconnectedReported = false;
  bool failed = false;
  while (dumped < maxRecords) {
    TVexRecord record = clock.GetRecord();
    const TClockError error = clock.LastError();
    if (error == ceClockEmpty) break;
    if (record.KartNo.empty()) {
      // Nothing read: the clock did not answer, or its record could not be read. A refused
      // record is left on the clock, where a later dump may read it.
      if (error == ceClockDisconnected && !disconnectedReported) {
        AErr << "clock " << static_cast<int>(clock.ClockNumber) << " is disconnected\n";
        disconnectedReported = true;
      }
      if (error == ceBadRecord)
        AErr << "clock " << static_cast<int>(clock.ClockNumber)
             << " sent a record that cannot be read\n";
      if (++fruitless > kStopAfterFruitless) break;
      if (fruitless > kSlowAfterFruitless) {
        platform::Clock().sleep(kFruitlessPauseMs);
        if (line->IsEmpty()) break;
      }
      continue;
    }
    fruitless = 0;
    // The clock may decline a record (-1: drop it unlisted) or hold it back (anything else).
    const int sequence = clock.CheckSequence();
    if (sequence == -1) {
      clock.NextRecord();
      continue;
    }
    if (sequence != 0 && sequence != 1) break;

    if (imageDir && !record.ImageData && (record.Version == rv1 || record.Camera)) {
      auto picture = std::make_shared<std::string>();
      try {
        if (clock.GetRecordImage(picture.get())) record.ImageData = picture;
      } catch (...) {
        // The record is dumped without its picture.
      }
    }
    std::string picturePath;
    // A clock asked for a picture it does not have may answer with an empty one.
    if (imageDir && record.ImageData && !record.ImageData->empty()) {
      std::string problem;
      picturePath = StorePicture(*imageDir, record, problem);
      if (picturePath.empty()) {
        AErr << "cannot store the picture: " << problem << "; the record stays on the clock\n";
        failed = true;
        break;
      }
    }
    const std::string event = EventText(record);
    const std::string sequenceText(1, record.SequenceCode);
    if (outFile) {
      const std::string row = std::to_string(clock.ClockNumber) + "," + CsvField(record.KartNo) +
                              "," + CsvField(record.Date) + "," + CsvField(record.Time) + "," +
                              CsvField(record.RecType1) + "," + CsvField(record.RecType2) + "," +
                              CsvField(sequenceText) + "," + CsvField(event) + "," +
                              CsvField(picturePath) + "\n";
      std::string problem;
      if (!csv.Write(row, problem)) {
        AErr << "cannot write " << *outFile << ": " << problem
             << "; the record stays on the clock\n";
        failed = true;
        break;
      }
    }
    if (AOptions.Json) {
      json += std::string(json.empty() ? "" : ",") +
              "{\"clock\":" + std::to_string(record.ClockNumber) +
              ",\"card\":" + JsonString(record.KartNo) + ",\"date\":" + JsonString(record.Date) +
              ",\"time\":" + JsonString(record.Time) + ",\"type1\":" + JsonString(record.RecType1) +
              ",\"type2\":" + JsonString(record.RecType2) +
              ",\"sequence\":" + JsonString(sequenceText) + ",\"event\":" + JsonString(event) +
              (picturePath.empty() ? "" : ",\"picture\":" + JsonString(picturePath)) + "}";
    } else {
      AOut << record.KartNo << '\t' << record.Date.str() << '\t' << record.Time.str() << '\t'
           << event << '\t' << record.RecType1 << '\t' << record.RecType2 << '\t' << sequenceText
           << std::endl;
    }
    // Stored: now the clock may forget it.
    clock.NextRecord();
    ++dumped;
  }
  if (AOptions.Json)
    AOut << "{\"records\":[" << json
         << "],\"error\":" << JsonString(ClockErrorName(clock.LastError())) << "}\n";
  if (failed) return kExitNoAnswer;
  return dumped > 0 ? kExitDone : kExitNoAnswer;
}
