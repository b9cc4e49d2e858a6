#include "RecordPictures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <limits>

#include "calendar/ConvertError.h"
#include "calendar/VexDateTime.h"

namespace {
std::string Part(const std::string& S, std::size_t AStart, std::size_t ALength) {
  return AStart < S.size() ? S.substr(AStart, ALength) : std::string();
}

// One level below AFolder, created when it does not exist. An empty level adds nothing.
QString Descend(const QString& AFolder, const std::string& ALevel) {
  if (ALevel.empty()) return AFolder;
  const QString folder = AFolder + QLatin1Char('/') + QString::fromStdString(ALevel);
  if (!QDir().mkpath(folder))
    throw EPictureWriteError("cannot create the folder " + folder.toStdString());
  return folder;
}
}  // namespace

std::string CardNumberText(const std::string& AKartNo) {
  std::size_t i = 0;
  while (i < AKartNo.size() && AKartNo[i] == ' ') ++i;
  bool negative = false;
  if (i < AKartNo.size() && (AKartNo[i] == '-' || AKartNo[i] == '+'))
    negative = AKartNo[i++] == '-';
  if (i >= AKartNo.size()) throw EConvertError("'" + AKartNo + "' is not a card number");
  std::uint64_t value = 0;
  const std::uint64_t limit =
      static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
  for (; i < AKartNo.size(); ++i) {
    const char c = AKartNo[i];
    if (c < '0' || c > '9') throw EConvertError("'" + AKartNo + "' is not a card number");
    const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    if (value > (limit - digit) / 10) throw EConvertError("'" + AKartNo + "' is too large");
    value = value * 10 + digit;
  }
  if (value == 0) return "0";
  return (negative ? "-" : "") + std::to_string(value);
}

std::string StoreRecordPicture(const TVexRecord& ARecord, const std::string& AProgramDirectory) {
  QString folder = Descend(QString::fromStdString(AProgramDirectory), "IOImages");
  const std::string day = DateStrToYYYYMMDD(ARecord.Date, 0);
  folder = Descend(folder, Part(day, 0, 4));
  folder = Descend(folder, Part(day, 4, 2));
  folder = Descend(folder, Part(day, 6, 2));

  std::string time = ARecord.Time;
  if (time.find(':') != std::string::npos) time = Part(time, 0, 2) + Part(time, 3, 2);
  const std::string stem = CardNumberText(ARecord.KartNo) + "_" + time;

  QString path;
  for (int n = 0;; ++n) {
    const std::string suffix = n == 0 ? std::string() : "_" + std::to_string(n);
    path = folder + QLatin1Char('/') + QString::fromStdString(stem + suffix + ".jpg");
    if (!QFileInfo::exists(path)) break;
  }

  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
    throw EPictureWriteError("cannot create " + path.toStdString() + ": " +
                             file.errorString().toStdString());
  const std::string& data = ARecord.ImageData ? *ARecord.ImageData : std::string();
  const qint64 written = file.write(data.data(), static_cast<qint64>(data.size()));
  const bool flushed = file.flush();
  file.close();
  if (written != static_cast<qint64>(data.size()) || !flushed) {
    // A half-written picture would pass for the record's picture; the record stays on the
    // clock and is dumped again.
    QFile::remove(path);
    throw EPictureWriteError("cannot write " + path.toStdString());
  }
  return path.toStdString();
}
