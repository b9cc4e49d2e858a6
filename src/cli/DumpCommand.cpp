// dump: reads records out of the first clock found and removes them from it, through the dump
// engine every front end shares. This file keeps only what the command line shows: the options,
// the lines or JSON on stdout, the CSV file and the messages on stderr.
#include <algorithm>
#include <ostream>

#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/DumpSink.h"
#include "cli/Interrupt.h"
#include "cli/JsonText.h"
#include "cli/Progress.h"
#include "clock/VexClock.h"
#include "connections/ClockSet.h"
#include "connections/PictureStore.h"
#include "connections/RecordDump.h"

namespace {
constexpr int kDefaultRecordCount = 3;

// --csv-bom=yes|no, wherever it stands; true when absent.
bool TakeByteOrderMark(std::vector<std::string>& AArgs) {
  const std::string prefix = "--csv-bom=";
  bool mark = true;
  for (auto it = AArgs.begin(); it != AArgs.end();) {
    if (it->rfind(prefix, 0) != 0) {
      ++it;
      continue;
    }
    const std::string value = it->substr(prefix.size());
    if (value != "yes" && value != "no") throw UsageError{*it, "give yes or no"};
    mark = value == "yes";
    it = AArgs.erase(it);
  }
  return mark;
}

// The records the sink kept, as the JSON array's members, with where each is now.
std::string JsonRecords(const TDumpResult& AResult) {
  std::string json;
  for (std::size_t i = 0; i < AResult.Entries.size(); ++i) {
    const TDumpEntry& entry = AResult.Entries[i];
    // A repeat was never kept; the last entry of a failed dump is the one that was not kept.
    const bool notKept = AResult.Stop == TDumpStop::SinkFailed && i + 1 == AResult.Entries.size();
    if (entry.Repeat || notKept) continue;
    json += (json.empty() ? "" : ",") + TCliDumpSink::JsonEntry(entry);
  }
  return json;
}

std::string ReleaseWords(TRecordRelease ARelease) {
  switch (ARelease) {
    case TRecordRelease::OneByOne:
      return "one by one";
    case TRecordRelease::HdlcBlock:
      return "a block at a time";
    case TRecordRelease::WholeLog:
      return "with the whole log";
  }
  return "";
}
}  // namespace

int RunDumpCommand(std::vector<std::string>& AArgs, const LineOptions& AOptions, std::ostream& AOut,
                   std::ostream& AErr) {
  int maxRecords = kDefaultRecordCount;
  const auto max = TakeOption(AArgs, "--max");
  const bool all = TakeFlag(AArgs, "--all");
  if (max && all) throw UsageError{"--max and --all", "give one of them"};
  if (max) maxRecords = ParseInt(*max, "--max", 1, 100000);
  if (all) maxRecords = 0;
  const auto outFile = TakeOption(AArgs, "--out");
  const auto imageDir = TakeOption(AArgs, "--images");
  const bool byteOrderMark = TakeByteOrderMark(AArgs);
  RejectLeftovers(AArgs, "dump");
  if (outFile && outFile->empty()) throw UsageError{"--out", "needs a file name"};
  if (imageDir && imageDir->empty()) throw UsageError{"--images", "needs a folder"};

  // The file is opened before the clocks are asked, so that a wrong name costs no record.
  TRecordCsvFile csv;
  if (outFile) {
    std::string error;
    if (!csv.Open(*outFile, byteOrderMark, error))
      throw CliError("write-failed", "cannot write " + *outFile, error);
  }

  LineHandle line;
  std::vector<TBasicClock*> listed;
  DetectOnLine(AOptions, line, listed, "\"records\":[]");
  TBasicClock& clock = *listed.front();
  const TRecordRelease release = RecordReleaseOf(clock.ClockType, line->Protocol());

  TCliDumpSink sink(outFile ? &csv : nullptr, outFile.value_or(""), AOptions.Json, AOut, AErr);
  const TPictureStore pictures(imageDir.value_or(""));
  TDumpOptions options;
  options.Count = maxRecords;
  options.WantPictures = imageDir.has_value();
  options.Pictures = imageDir ? &pictures : nullptr;
  options.Cancelled = [] { return cli::Interrupted(); };
  // What is written as leaving the clock does leave it: an HDLC block is read to its end, and a
  // terminal whose log holds no more than the count is cleared.
  options.FinishRelease = true;
  // Only the JSON output lists the records at the end; the lines and rows are written as the
  // records come.
  options.KeepEntries = AOptions.Json;
  const TDumpResult result = TRecordDump(*line, clock, sink, options).Run();

  std::string finishError;
  const bool finished = sink.Finish(finishError);
  const std::string clockName = "clock " + std::to_string(clock.ClockNumber);
  // Built only where it is printed: a whole log is thousands of records.
  const std::string json =
      AOptions.Json ? "\"records\":[" + JsonRecords(result) + "]" : std::string();
  cli::ShowProgress("dump: " + std::to_string(result.Read) + " records read, " +
                    std::to_string(result.Kept) + " kept, " +
                    std::to_string(result.CountLeaving(TRecordLeave::Left)) + " left " +
                    clockName);

  // Written as leaving, still on the clock: a release that failed. They come again.
  const int notReleased = sink.WrittenLeaving() - result.CountLeaving(TRecordLeave::Left);
  if (notReleased > 0)
    AErr << "clockctl: dump: " << notReleased << " of the records written as leaving "
         << clockName << " were not released (its records leave " << ReleaseWords(release)
         << "); they stay on it and come again on the next dump\n";
  if (sink.WrittenStaying() > 0 && release == TRecordRelease::WholeLog)
    AErr << "clockctl: dump: " << clockName << " clears its log only as a whole, and "
         << (result.Stop == TDumpStop::CountReached
                 ? "it holds more than the " + std::to_string(maxRecords) + " records asked for"
                 : std::string("the dump ended before the log did"))
         << ": nothing was cleared; the " << sink.WrittenStaying()
         << " records written stay on it and come again on the next dump (dump --all empties "
            "it)\n";

  cli::ThrowIfInterrupted("dump", json);
  if (!finished) throw CliError("write-failed", "dump", finishError, json);
  if (result.Stop == TDumpStop::SinkFailed) {
    const bool picture = !result.Entries.empty() &&
                         result.Entries.back().Picture == TPictureOutcome::StoreFailed;
    throw CliError("write-failed", picture ? "cannot store the picture" : "dump",
                   result.Error + "; the record stays on the clock", json);
  }
  // A terminal whose log could not be read: nothing more was released.
  if (result.Stop == TDumpStop::ClockFailed)
    throw CliError("no-answer", clockName, result.Error, json);
  if (result.Kept == 0) {
    if (result.Stop == TDumpStop::ClockEmpty)
      throw CliError("clock-empty", "dump", clockName + " holds no record", json);
    throw CliError("no-answer", "dump", clockName + " gave no record", json);
  }
  if (AOptions.Json) AOut << "{" << json << "}\n";
  return kExitDone;
}
