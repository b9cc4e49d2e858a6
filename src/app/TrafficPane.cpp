#include "TrafficPane.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTime>
#include <QVBoxLayout>

#include "GeneralUtilities.h"
#include "utils/HexText.h"
#include "utils/MessageHook.h"

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

  FList = new QPlainTextEdit(this);
  FList->setObjectName("MemoTraffic");
  FList->setReadOnly(true);
  FList->setLineWrapMode(QPlainTextEdit::NoWrap);
  FList->setMaximumBlockCount(kMaxLines);
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  mono.setPointSize(8);
  FList->setFont(mono);
  layout->addWidget(FList, 1);

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

QString TTrafficPane::FormatLine(const QString& ATimeOfDay, TTrafficDirection ADirection,
                                 const std::string& AData) {
  QString printable;
  printable.reserve(static_cast<qsizetype>(AData.size()));
  for (const char c : AData) {
    const auto byte = static_cast<unsigned char>(c);
    printable += byte >= 0x20 && byte < 0x7F ? QChar(byte) : QChar('.');
  }
  return ATimeOfDay +
         (ADirection == TTrafficDirection::Tx ? QStringLiteral("  TX  ")
                                              : QStringLiteral("  RX  ")) +
         QString::fromStdString(BytesToHexText(AData)) + QStringLiteral("  |") + printable +
         QLatin1Char('|');
}

void TTrafficPane::AddTraffic(std::uint32_t, TTrafficDirection ADirection,
                              const std::string& AData) {
  if (AData.empty()) return;
  FList->appendPlainText(
      FormatLine(QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")), ADirection, AData));
}

QString TTrafficPane::Text() const {
  return FList->toPlainText();
}

int TTrafficPane::LineCount() const {
  return FList->document()->isEmpty() ? 0 : FList->document()->blockCount();
}

void TTrafficPane::Clear() {
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
  const QString name = QFileDialog::getSaveFileName(
      this, TranslateQ("ذخیره ترافیک خط"), QStringLiteral("traffic.txt"),
      TranslateQ("فایل متنی") + QStringLiteral(" (*.txt);;") + TranslateQ("همه فایل ها") +
          QStringLiteral(" (*)"));
  if (name.isEmpty()) return;
  if (!SaveToFile(name))
    ShowMessageDlg(TranslateText("ذخیره فایل ممکن نشد:") + " " + name.toStdString(), mtError, mbOK,
                   0);
}
