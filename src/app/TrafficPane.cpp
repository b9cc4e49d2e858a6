#include "TrafficPane.h"

#include <QCloseEvent>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

#include "GeneralUtilities.h"
#include "SaveDialog.h"
#include "utils/HexText.h"
#include "utils/MessageHook.h"

namespace {
constexpr int kTimeWidth = 12;      // HH:MM:SS.zzz
constexpr int kDirectionWidth = 2;  // TX, RX
constexpr int kColumnGap = 2;
constexpr int kHexWidth = TTrafficPane::kBytesPerLine * 3 - 1;

QString Gap() {
  return QString(kColumnGap, QLatin1Char(' '));
}

// One row of bytes: their hex, padded to the column's width, then the same bytes as text.
QString ByteColumns(const std::string& ABytes) {
  QString printable;
  printable.reserve(static_cast<qsizetype>(ABytes.size()));
  for (const char c : ABytes) {
    const auto byte = static_cast<unsigned char>(c);
    printable += byte >= 0x20 && byte < 0x7F ? QChar(byte) : QChar('.');
  }
  return QString::fromStdString(BytesToHexText(ABytes)).leftJustified(kHexWidth) + Gap() +
         QLatin1Char('|') + printable + QLatin1Char('|');
}
}  // namespace

TTrafficPane::TTrafficPane(QWidget* AParent) : QWidget(AParent) {
  // Bytes read from left to right, whatever the window's direction.
  setLayoutDirection(Qt::LeftToRight);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 4, 6, 6);
  layout->setSpacing(4);

  auto* bar = new QHBoxLayout;
  auto* title = new QLabel(QStringLiteral("ترافیک خط"), this);
  title->setObjectName("lblTraffic");
  FSave = new QPushButton(QStringLiteral("ذخیره ..."), this);
  FSave->setObjectName("btnSaveTraffic");
  FClear = new QPushButton(QStringLiteral("پاک کردن"), this);
  FClear->setObjectName("btnClearTraffic");
  FDetach = new QPushButton(QStringLiteral("پنجره جدا"), this);
  FDetach->setObjectName("btnDetachTraffic");
  FDetach->setCheckable(true);
  bar->addWidget(FSave);
  bar->addWidget(FClear);
  bar->addWidget(FDetach);
  bar->addStretch(1);
  bar->addWidget(title);
  layout->addLayout(bar);

  // The columns' titles, each over its column of the list.
  auto* titles = new QHBoxLayout;
  titles->setSpacing(0);
  for (const char* name : {"lblTrafficTime", "lblTrafficDirection", "lblTrafficHex",
                           "lblTrafficText", "lblTrafficMeaning"}) {
    auto* column = new QLabel(this);
    column->setObjectName(name);
    column->setTextFormat(Qt::PlainText);
    column->setLayoutDirection(Qt::LeftToRight);
    column->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignVCenter);
    titles->addWidget(column);
    FColumns.push_back(column);
  }
  titles->addStretch(1);
  layout->addLayout(titles);

  FList = new QPlainTextEdit(this);
  FList->setObjectName("MemoTraffic");
  FList->setReadOnly(true);
  FList->setLineWrapMode(QPlainTextEdit::NoWrap);
  FList->setMaximumBlockCount(kMaxLines);
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  mono.setPointSize(8);
  FList->setFont(mono);
  // Each title as wide as its column's characters in the list's font.
  const QFontMetrics metrics(mono);
  const int columns[] = {kTimeWidth, kDirectionWidth, kHexWidth, kBytesPerLine + 2};
  titles->setContentsMargins(
      FList->frameWidth() + static_cast<int>(FList->document()->documentMargin()), 0, 0, 0);
  for (std::size_t i = 0; i < std::size(columns); ++i)
    FColumns[i]->setFixedWidth(
        metrics.horizontalAdvance(QString(columns[i] + kColumnGap, QLatin1Char('0'))));
  layout->addWidget(FList, 1);
  ShowColumnTitles();

  FQuiet = new QTimer(this);
  FQuiet->setObjectName("TimerTrafficQuiet");
  FQuiet->setSingleShot(true);
  FQuiet->setInterval(kQuietMs);
  connect(FQuiet, &QTimer::timeout, this, &TTrafficPane::FlushFrames);

  connect(FSave, &QPushButton::clicked, this, &TTrafficPane::SaveClick);
  connect(FClear, &QPushButton::clicked, this, &TTrafficPane::Clear);
  connect(FDetach, &QPushButton::clicked, this, &TTrafficPane::DetachRequested);
}

void TTrafficPane::SetDetached(bool ADetached) {
  FDetach->setChecked(ADetached);
}

void TTrafficPane::closeEvent(QCloseEvent* AEvent) {
  // Closing the pane's own window puts it back into the main window.
  if (isWindow()) {
    AEvent->ignore();
    emit DetachRequested(false);
    return;
  }
  QWidget::closeEvent(AEvent);
}

QStringList TTrafficPane::FormatFrame(const QString& ATimeOfDay, const TTrafficFrame& AFrame) {
  QStringList lines;
  const std::string& bytes = AFrame.Bytes;
  const QString direction =
      AFrame.Direction == TTrafficDirection::Tx ? QStringLiteral("TX") : QStringLiteral("RX");
  for (std::size_t at = 0; at < bytes.size() || at == 0; at += kBytesPerLine) {
    const QString columns = ByteColumns(bytes.substr(at, kBytesPerLine));
    if (at > 0) {
      lines << QString(kTimeWidth + kDirectionWidth + 2 * kColumnGap, QLatin1Char(' ')) + columns;
      continue;
    }
    QString line = ATimeOfDay.leftJustified(kTimeWidth) + Gap() + direction + Gap() + columns;
    if (!AFrame.Meaning.empty()) line += Gap() + QString::fromStdString(AFrame.Meaning);
    lines << line;
  }
  return lines;
}

void TTrafficPane::ShowColumnTitles() {
  const char* const titles[] = {"زمان", "جهت", "بایت ها (هگز)", "متن", "معنی"};
  for (std::size_t i = 0; i < FColumns.size(); ++i) FColumns[i]->setText(TranslateQ(titles[i]));
}

void TTrafficPane::AddTraffic(std::uint32_t ATick, TProtocol AProtocol,
                              TTrafficDirection ADirection, const std::string& AData) {
  if (AData.empty()) return;
  FStamps.emplace_back(ATick, QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")));
  ShowFrames(FFramer.Add(AProtocol, ADirection, AData, ATick));
  FQuiet->start();
}

void TTrafficPane::FlushFrames() {
  FQuiet->stop();
  ShowFrames(FFramer.Flush());
}

void TTrafficPane::ShowFrames(const std::vector<TTrafficFrame>& AFrames) {
  for (const TTrafficFrame& frame : AFrames) {
    // A frame begins with a chunk later than the previous frame's first: the stamps before its
    // own are done with.
    QString stamp = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    for (std::size_t i = 0; i < FStamps.size(); ++i) {
      if (FStamps[i].first != frame.Tick) continue;
      stamp = FStamps[i].second;
      FStamps.erase(FStamps.begin(), FStamps.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
    for (const QString& line : FormatFrame(stamp, frame)) FList->appendPlainText(line);
  }
}

QString TTrafficPane::Text() const {
  return FList->toPlainText();
}

int TTrafficPane::LineCount() const {
  return FList->document()->isEmpty() ? 0 : FList->document()->blockCount();
}

void TTrafficPane::Clear() {
  FlushFrames();
  FList->clear();
}

bool TTrafficPane::SaveToFile(const QString& AFileName) const {
  QFile file(AFileName);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) return false;
  QString text = Text();
  if (!text.isEmpty()) text += QLatin1Char('\n');
  const QByteArray bytes = text.toUtf8();
  return file.write(bytes) == bytes.size() && file.flush();
}

void TTrafficPane::SaveClick() {
  FlushFrames();
  const QString name = AskSaveFileName(
      this, "ذخیره ترافیک خط", QStringLiteral("traffic.txt"),
      {{"فایل متنی", QStringLiteral("*.txt")}, {"همه فایل ها", QStringLiteral("*")}});
  if (name.isEmpty()) return;
  if (!SaveToFile(name))
    ShowMessageDlg(TranslateText("ذخیره فایل ممکن نشد:") + " " + name.toStdString(), mtError, mbOK,
                   0);
}
