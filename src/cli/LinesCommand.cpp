#include "cli/LinesCommand.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <memory>
#include <ostream>
#include <set>
#include <sstream>

#include "calendar/ConvertError.h"
#include "cli/CliCommon.h"
#include "cli/Interrupt.h"
#include "cli/JsonText.h"
#include "cli/Progress.h"
#include "platform/BaudRate.h"
#include "platform/ComPortNames.h"

namespace {

// Words separated by blanks; a word in double quotes may hold blanks.
std::vector<std::string> SplitWords(const std::string& AText, std::string& AError) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false, quoted = false;
  for (char c : AText) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quoted) AError = "a quote is not closed";
  if (inWord) words.push_back(word);
  return words;
}

std::string Trimmed(const std::string& AText) {
  const auto first = AText.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return AText.substr(first, AText.find_last_not_of(" \t\r") - first + 1);
}

// The row's options checked as the command line checks them; the label and port key from them.
void TakeOptionsRow(TLineRow& ARow) {
  std::string error;
  ARow.Options = SplitWords(ARow.Text, error);
  if (!error.empty()) {
    ARow.Error = error;
    return;
  }
  try {
    std::vector<std::string> rest = ARow.Options;
    const LineOptions o = TakeLineOptions(rest);
    RejectLeftovers(rest, "row");
    if (o.TcpHost) {
      ARow.Label = *o.TcpHost + ":" + std::to_string(o.TcpPort);
      ARow.PortKey = "tcp " + ARow.Label;
    } else {
      ARow.Label = o.Port;
      ARow.PortKey = "serial " + ComPortDevice(o.Port);
    }
  } catch (const UsageError& e) {
    ARow.Error = e.What + (e.Why.empty() ? "" : ": " + e.Why);
  }
}

// The speed of a serial line's settings string: its fourth field, "br" and the speed's ordinal.
std::optional<int> SettingsBaud(const std::string& AText) {
  std::istringstream fields(AText);
  std::string field;
  for (int i = 0; i < 4 && std::getline(fields, field, ','); ++i) {
  }
  if (field.size() < 3 || (field[0] != 'b' && field[0] != 'B')) return std::nullopt;
  const std::string digits = field.substr(2);
  if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 2)
    return std::nullopt;
  const int ordinal = std::stoi(digits);
  if (ordinal <= brCustom || ordinal > br256000) return std::nullopt;
  return BaudRateToBits(static_cast<TBaudRate>(ordinal));
}

// A line's settings string, read as the line reads it, turned into the command line's options.
void TakeSettingsRow(TLineRow& ARow) {
  TClockSet line;
  try {
    line.ApplyProperties(ARow.Text);
  } catch (const std::exception& e) {
    ARow.Error = std::string("not a line's settings: ") + e.what();
    return;
  }
  std::vector<std::string>& o = ARow.Options;
  if (line.EffectiveConnectionType() == TcpIp) {
    if (line.SocketAddress().empty()) {
      ARow.Error = "the settings name no port or address";
      return;
    }
    const std::string where = line.SocketAddress() + ":" + std::to_string(line.SocketPort());
    o = {"--tcp", where};
    ARow.PortKey = "tcp " + where;
    ARow.Label = where;
  } else {
    const std::string port = line.SerialPortName();
    o = {"--port", port};
    if (const auto baud = SettingsBaud(ARow.Text)) {
      o.push_back("--baud");
      o.push_back(std::to_string(*baud));
    }
    if (!line.PhoneNumber().empty()) {
      o.push_back("--modem");
      o.push_back(line.PhoneNumber());
    }
    ARow.PortKey = "serial " + ComPortDevice(port);
    ARow.Label = port;
  }
  if (line.Protocol() == RS485) {
    o.push_back("--protocol");
    o.push_back("RS485");
  }
  if (!line.ConnectionName.empty()) ARow.Label = line.ConnectionName + " (" + ARow.Label + ")";
}

// What one line's clockctl told.
struct TLineResult {
  const TLineRow* Row = nullptr;
  int Exit = -1;
  QJsonObject Result;
  std::string Failure;  // when it gave no JSON: why
};

std::string Text(const QJsonValue& AValue) {
  if (AValue.isDouble()) return std::to_string(static_cast<long long>(AValue.toDouble()));
  return AValue.toString().toStdString();
}

std::string Joined(const std::vector<std::string>& AParts) {
  std::string text;
  for (const std::string& part : AParts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

std::string ErrorText(const TLineResult& AResult) {
  if (!AResult.Failure.empty()) return AResult.Failure;
  const QJsonObject error = AResult.Result["error"].toObject();
  if (error.isEmpty()) return {};
  return Text(error["code"]) + ": " + Text(error["message"]);
}

// One row of the summary: line, clocks found, names, dates, times, drift, status, error.
std::string SummaryRow(const TLineResult& AResult) {
  const QJsonObject& r = AResult.Result;
  const QJsonArray clocks = r["clocks"].toArray();
  std::vector<std::string> names, dates, times, drifts;
  for (const auto& value : clocks) {
    const QJsonObject c = value.toObject();
    names.push_back(Text(c["name"]));
    if (c.contains("date")) {
      dates.push_back(Text(c["date"]));
      times.push_back(Text(c["time"]));
      drifts.push_back(Text(c["drift"]));
    }
  }
  // datetime reads the first clock only.
  if (r.contains("date")) {
    dates = {Text(r["date"])};
    times = {Text(r["time"])};
    drifts = {Text(r["drift"])};
  }
  std::string status;
  if (r.contains("connected") && r["connected"].toBool())
    status = std::string("connected ") + (r["empty"].toBool() ? "empty" : "records") + " " +
             (r["busy"].toBool() ? "busy" : "idle");
  return "row " + std::to_string(AResult.Row->Row) + " " + AResult.Row->Label + '\t' +
         std::to_string(clocks.size()) + '\t' + Joined(names) + '\t' + Joined(dates) + '\t' +
         Joined(times) + '\t' + Joined(drifts) + '\t' + status + '\t' + ErrorText(AResult);
}

std::string ProgressOf(const TLineResult& AResult) {
  const std::string error = ErrorText(AResult);
  if (!error.empty()) return error;
  return std::to_string(AResult.Result["clocks"].toArray().size()) + " clocks found";
}

// Runs the rows' clockctl processes, at most AJobs at once and never two on one port.
class TLinesRunner {
 public:
  TLinesRunner(const TLinesOptions& AOptions, std::vector<const TLineRow*> ARows)
      : FOptions(AOptions), FWaiting(std::move(ARows)) {}

  std::vector<TLineResult> Run() {
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [this] {
      if (cli::Interrupted() && !FStopping) Stop();
    });
    watch.start(100);
    StartWhatCan();
    if (!FRunning.empty()) FLoop.exec();
    return std::move(FDone);
  }

 private:
  void StartWhatCan() {
    for (auto it = FWaiting.begin(); it != FWaiting.end() && !FStopping;) {
      if (static_cast<int>(FRunning.size()) >= FOptions.Jobs) break;
      if (FBusyPorts.count((*it)->PortKey)) {
        ++it;
        continue;
      }
      Start(*it);
      it = FWaiting.erase(it);
    }
    if (FRunning.empty()) FLoop.quit();
  }

  void Start(const TLineRow* ARow) {
    QStringList args;
    for (const std::string& o : ARow->Options) args << QString::fromStdString(o);
    for (const std::string& o : FOptions.Shared) args << QString::fromStdString(o);
    args << "--quiet" << "--json" << QString::fromStdString(FOptions.Command);
    QProcess* process = FProcesses.emplace_back(std::make_unique<QProcess>()).get();
    FBusyPorts.insert(ARow->PortKey);
    FRunning.push_back(process);
    QObject::connect(process, &QProcess::finished, [this, process, ARow] {
      Finished(process, ARow);
    });
    QObject::connect(process, &QProcess::errorOccurred,
                     [this, process, ARow](QProcess::ProcessError AError) {
                       if (AError == QProcess::FailedToStart) Finished(process, ARow);
                     });
    cli::ShowProgress("row " + std::to_string(ARow->Row) + " " + ARow->Label + ": " +
                      FOptions.Command + " started");
    process->start(QCoreApplication::applicationFilePath(), args);
  }

  void Finished(QProcess* AProcess, const TLineRow* ARow) {
    TLineResult result;
    result.Row = ARow;
    QJsonParseError parse{};
    const QJsonDocument doc = QJsonDocument::fromJson(AProcess->readAllStandardOutput(), &parse);
    if (AProcess->exitStatus() == QProcess::NormalExit &&
        AProcess->error() != QProcess::FailedToStart)
      result.Exit = AProcess->exitCode();
    if (parse.error == QJsonParseError::NoError && doc.isObject()) {
      result.Result = doc.object();
    } else {
      const std::string err = Trimmed(AProcess->readAllStandardError().toStdString());
      result.Failure = "the line's check ended without a result" +
                       (err.empty() ? std::string() : " (" + err + ")");
    }
    cli::ShowProgress("row " + std::to_string(ARow->Row) + " " + ARow->Label + ": " +
                      ProgressOf(result));
    FDone.push_back(std::move(result));
    FBusyPorts.erase(ARow->PortKey);
    std::erase(FRunning, AProcess);
    StartWhatCan();
  }

  void Stop() {
    FStopping = true;
    for (QProcess* process : FRunning) process->terminate();
  }

  const TLinesOptions& FOptions;
  std::vector<const TLineRow*> FWaiting;
  // Every process started; they go with the runner, once they have ended.
  std::vector<std::unique_ptr<QProcess>> FProcesses;
  std::vector<QProcess*> FRunning;
  std::set<std::string> FBusyPorts;
  std::vector<TLineResult> FDone;
  QEventLoop FLoop;
  bool FStopping = false;
};

}  // namespace

std::vector<TLineRow> ParseLineRows(const std::string& AText) {
  std::vector<TLineRow> rows;
  std::istringstream lines(AText);
  std::string text;
  for (int number = 1; std::getline(lines, text); ++number) {
    text = Trimmed(text);
    if (text.empty() || text[0] == '#') continue;
    TLineRow row;
    row.Row = number;
    row.Text = text;
    if (text[0] == '-')
      TakeOptionsRow(row);
    else
      TakeSettingsRow(row);
    rows.push_back(std::move(row));
  }
  return rows;
}

int RunLinesCommand(const TLinesOptions& AOptions, std::ostream& AOut, std::ostream& AErr) {
  std::ifstream file(AOptions.File, std::ios::binary);
  if (!file) throw UsageError{"--lines " + AOptions.File, "cannot read the file"};
  std::ostringstream content;
  content << file.rdbuf();
  const std::vector<TLineRow> rows = ParseLineRows(content.str());

  std::vector<const TLineRow*> lines;
  std::string badJson;
  for (const TLineRow& row : rows) {
    if (row.Error.empty()) {
      lines.push_back(&row);
      continue;
    }
    AErr << "clockctl: --lines " << AOptions.File << " row " << row.Row << ": " << row.Error
         << " (skipped)\n";
    badJson += std::string(badJson.empty() ? "" : ",") + "{\"row\":" + std::to_string(row.Row) +
               ",\"text\":" + JsonString(row.Text) + ",\"error\":" + JsonString(row.Error) + "}";
  }

  std::vector<TLineResult> results = TLinesRunner(AOptions, lines).Run();
  std::sort(results.begin(), results.end(),
            [](const TLineResult& A, const TLineResult& B) { return A.Row->Row < B.Row->Row; });

  bool allDone = badJson.empty() && results.size() == lines.size();
  std::string linesJson;
  std::string table = "line\tclocks\tnames\tdates\ttimes\tdrift\tstatus\terror\n";
  for (const TLineResult& r : results) {
    if (r.Exit != kExitDone) allDone = false;
    table += SummaryRow(r) + "\n";
    const std::string result =
        r.Failure.empty()
            ? QJsonDocument(r.Result).toJson(QJsonDocument::Compact).toStdString()
            : "{\"error\":{\"code\":\"no-answer\",\"message\":" + JsonString(r.Failure) + "}}";
    linesJson += std::string(linesJson.empty() ? "" : ",") +
                 "{\"row\":" + std::to_string(r.Row->Row) +
                 ",\"line\":" + JsonString(r.Row->Label) + ",\"exit\":" + std::to_string(r.Exit) +
                 ",\"result\":" + result + "}";
  }
  // The lines' own results may tell of their interruption; the summary says it at its top.
  const std::string json = std::string(cli::Interrupted() ? "\"interrupted\":true," : "") +
                           "\"lines\":[" + linesJson + "],\"bad_rows\":[" + badJson + "]";
  // What was done is shown also when the work was stopped.
  if (!AOptions.Json) AOut << table;
  cli::ThrowIfInterrupted("--lines " + AOptions.File, json);
  if (AOptions.Json) AOut << "{" << json << "}\n";
  return allDone ? kExitDone : kExitNoAnswer;
}
