// dump: reads records out of the first clock found and removes them from it, through the dump
// engine every front end shares. This file keeps only what the command line shows: the options,
// the lines or JSON on stdout, the CSV file and the messages on stderr.
#include <ostream>

#include "cli/Commands.h"
#include "cli/DumpSink.h"
#include "cli/JsonText.h"
#include "connections/PictureStore.h"
#include "connections/RecordDump.h"

namespace {
constexpr int kDefaultRecordCount = 3;
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
  TRecordCsvFile csv;
  if (outFile) {
    std::string error;
    if (!csv.Open(*outFile, error)) {
      AErr << "cannot write " << error << "\n";
      return kExitUsage;
    }
  }

  LineHandle line;
  std::vector<TBasicClock*> listed;
  if (const int code = DetectOnLine(AOptions, AErr, line, listed)) return code;
  TBasicClock& clock = *listed.front();

  TCliDumpSink sink(outFile ? &csv : nullptr, outFile.value_or(""), AOptions.Json, AOut, AErr);
  const TPictureStore pictures(imageDir.value_or(""));
  TDumpOptions options;
  options.Count = maxRecords;
  options.WantPictures = imageDir.has_value();
  options.Pictures = imageDir ? &pictures : nullptr;
  const TDumpResult result = TRecordDump(*line, clock, sink, options).Run();

  const bool failed = result.Stop == TDumpStop::SinkFailed;
  if (failed) {
    const bool picture = !result.Entries.empty() &&
                         result.Entries.back().Picture == TPictureOutcome::StoreFailed;
    AErr << (picture ? "cannot store the picture: " : "") << result.Error
         << "; the record stays on the clock\n";
  }
  const bool clockFailed = result.Stop == TDumpStop::ClockFailed;
  if (clockFailed) AErr << "clock " << clock.ClockNumber << ": " << result.Error << "\n";
  if (AOptions.Json)
    AOut << "{\"records\":[" << sink.JsonRecords()
         << "],\"error\":" << JsonString(ClockErrorName(result.LastError)) << "}\n";
  if (failed || clockFailed) return kExitNoAnswer;
  return result.Kept > 0 ? kExitDone : kExitNoAnswer;
}
