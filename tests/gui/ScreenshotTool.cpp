// Pictures of the main window for the documentation: the window as the program starts it, with
// its port chooser open, then set to TCP/IP against clocksim serving an RS485 bus of clocks of
// different models: after a detection; against an HDLC clock with a camera: after a dump of
// three records of which one lost its picture, with the traffic pane by frames at 1100 x 800;
// after a detection that found nothing (a second, silent clocksim), and in English.
// Writes the pictures named in kPictures into the folder named on the command line
// (docs/screenshots by default) and fails when the window did not list the clocks or the three
// records.
//
// Runs on whatever platform Qt is given: scripts/screenshot.sh runs it on an X server (Xvfb).
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QAction>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "GeneralUtilities.h"
#include "PortChooser.h"
#include "ProgramWindows.h"
#include "SimProcess.h"
#include "UFrmMain.h"
#include "connections/ConnectionList.h"
#include "utils/ProgramDirectory.h"

namespace {

// A bus of three clocks numbered without gaps, as the fast search expects them: a KR-Tal, a
// KR-Corax and an MX-4100, each with its own firmware.
const char* const kScenario =
    "protocol RS485;"
    "clock 1; name KR-Tal 101; firmware VER 3.10; clear-records;"
    "record 10231 1403/09/17 07:52 type2=03; record 10232 1403/09/17 12:10 event=1;"
    "record 10233 1403/09/17 17:05 type2=02; record 10234 1403/09/17 17:40 type2=02;"
    "record 10235 1403/09/17 18:02 type2=02;"
    "clock 2; name KR-Corax 102; firmware VER 2.04; clear-records;"
    "clock 3; name MX-4100 103; firmware VER 1.20; clear-records";
// An HDLC clock with a camera for the dump: the first record's picture does not come (every try
// of its transfer brings a block numbered wrong), the second's does.
const char* const kPictureScenario =
    "protocol hdlc; clock 1; name KR-Tal 201; firmware VER 4.02; clear-records;"
    "record 30417 1403/09/17 07:58 picture=700; record 30418 1403/09/17 08:03 picture=700;"
    "record 30419 1403/09/17 08:11; record 30420 1403/09/17 16:45;"
    "misbehave wrongblock times=3";
constexpr int kExpectedClocks = 3;
constexpr int kExpectedRecords = 3;
// A detection of three clocks and a dump take seconds; a modal message or a hung line must not
// keep the script waiting for ever.
constexpr int kWatchdogMs = 120000;
// The pause before a picture.
constexpr int kSettleMs = 300;

void Fail(const QString& AWhat) {
  std::fprintf(stderr, "clockdiag_screenshots: %s\n", qPrintable(AWhat));
}

// Reduced to a palette of 256 colours: the window's flat surfaces survive unchanged, and the
// files stay small enough to keep in the repository.
// The window with APopup (a list open over it, a window of its own) drawn where it stands.
bool SavePicture(QWidget& AWindow, const QString& APath, QWidget* APopup = nullptr) {
  // The lists lay out their items and scroll bars a moment after they change, as the user sees
  // them.
  QElapsedTimer settling;
  settling.start();
  while (settling.elapsed() < kSettleMs) {
    ProcessMessages();
    QThread::msleep(10);
  }
  QPixmap shot = AWindow.grab();
  if (APopup && APopup->isVisible()) {
    const QPoint at = APopup->mapToGlobal(QPoint()) - AWindow.mapToGlobal(QPoint());
    const QRect whole = QRect(QPoint(), shot.size()).united(QRect(at, APopup->size()));
    QPixmap canvas(whole.size());
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.drawPixmap(-whole.topLeft(), shot);
    painter.drawPixmap(at - whole.topLeft(), APopup->grab());
    painter.end();
    shot = canvas;
  }
  const QImage picture = shot.toImage().convertToFormat(QImage::Format_Indexed8,
                                                        Qt::ThresholdDither | Qt::AvoidDither);
  if (!picture.save(APath, "PNG", 0)) {
    Fail("cannot write " + APath);
    return false;
  }
  std::printf("%s %dx%d\n", qPrintable(APath), picture.width(), picture.height());
  return true;
}

// What the window listed, for the message of a failed run.
QString Listed(const QListWidget& AClocks, const QTreeWidget& ARecords) {
  QStringList clocks;
  for (int i = 0; i < AClocks.count(); ++i)
    clocks << AClocks.item(i)->data(TFrmMain::kRawCaptionRole).toString().section("\n\r", 0, 0);
  QStringList cards;
  for (int i = 0; i < ARecords.topLevelItemCount(); ++i) cards << ARecords.topLevelItem(i)->text(1);
  return QStringLiteral("clocks [%1], records [%2]").arg(clocks.join(", "), cards.join(", "));
}

int Run(TFrmMain& AWindow, const QDir& AOutput, SimProcess& ASim, SimProcess& APictures,
        SimProcess& ASilent) {
  auto* clocks = AWindow.findChild<QListWidget*>("LvDetectClock");
  auto* records = AWindow.findChild<QTreeWidget*>("LvDumRecord");
  auto* detect = AWindow.findChild<QPushButton*>("btnDetect");
  auto* dump = AWindow.findChild<QPushButton*>("btnStartStop");
  auto* searchType = AWindow.findChild<QComboBox*>("comBoxSearchType");
  auto* address = AWindow.findChild<QLineEdit*>("EdIPAddress");
  auto* port = AWindow.findChild<QLineEdit*>("edTCPIPPort");
  auto* tcpIp = AWindow.findChild<QCheckBox*>("ChBoxTCPIP");
  if (!clocks || !records || !detect || !dump || !searchType || !address || !port || !tcpIp) {
    Fail("the main window lacks one of its controls");
    return 1;
  }

  // The port chooser as it opens: the system's serial ports, then the COM names with their
  // devices.
  if (auto* ports = AWindow.findChild<TPortChooser*>("edtPort")) {
    ports->showPopup();
    const bool saved = SavePicture(AWindow, AOutput.filePath("port-chooser.png"),
                                   ports->view()->window());
    ports->hidePopup();
    if (!saved) return 1;
  }

  // As the user does it: TCP/IP ticked, the simulator's address and port typed in.
  tcpIp->click();
  address->setText("127.0.0.1");
  port->setText(QString::number(APictures.Port()));

  // The dump of a clock with a camera, one of whose pictures is lost on the way. Both clicks
  // return when their work is done: the window handles its messages meanwhile.
  searchType->setCurrentIndex(cstKRTalR2);
  emit searchType->activated(cstKRTalR2);
  detect->click();
  if (clocks->count() != 1 || !dump->isEnabled()) {
    Fail("the detection did not list the clock with a camera: " + Listed(*clocks, *records) +
         "\n" + APictures.Errors());
    return 1;
  }
  dump->click();
  if (records->topLevelItemCount() != kExpectedRecords) {
    Fail("the dump did not list three records: " + Listed(*clocks, *records) + "\n" +
         APictures.Errors());
    return 1;
  }
  if (!SavePicture(AWindow, AOutput.filePath("after-dump.png"))) return 1;

  // The traffic of the detection and the dump by frames, in a window grown to 1100 x 800.
  if (auto* traffic = AWindow.findChild<QAbstractButton*>("btnTraffic")) traffic->click();
  AWindow.resize(1100, 800);
  if (!SavePicture(AWindow, AOutput.filePath("traffic-1100x800.png"))) return 1;
  if (auto* traffic = AWindow.findChild<QAbstractButton*>("btnTraffic")) traffic->click();
  AWindow.resize(AWindow.sizeHint().expandedTo(QSize(760, 460)));

  // The bus of three clocks, found by the first search type (KR-Tal, fast bus scan).
  searchType->setCurrentIndex(cstKRTalFast);
  emit searchType->activated(cstKRTalFast);
  port->setText(QString::number(ASim.Port()));
  detect->click();
  std::set<int> models;
  for (int i = 0; i < clocks->count(); ++i)
    models.insert(clocks->item(i)->data(TFrmMain::kImageIndexRole).toInt());
  if (clocks->count() != kExpectedClocks || models.size() != kExpectedClocks ||
      !dump->isEnabled()) {
    Fail("the detection did not list the simulator's clocks: " + Listed(*clocks, *records) + "\n" +
         ASim.Errors());
    return 1;
  }
  // The list as the user sees it, from its first item.
  clocks->scrollToTop();
  if (!SavePicture(AWindow, AOutput.filePath("after-detection.png"))) return 1;

  // A line where nothing answers: the status line says so.
  port->setText(QString::number(ASilent.Port()));
  detect->click();
  if (clocks->count() != 0) {
    Fail("the silent simulator's line listed clocks: " + Listed(*clocks, *records));
    return 1;
  }
  if (!SavePicture(AWindow, AOutput.filePath("nothing-found.png"))) return 1;

  // In English, after a detection on the simulator's bus.
  AWindow.SetLanguage("en");
  port->setText(QString::number(ASim.Port()));
  detect->click();
  if (clocks->count() != kExpectedClocks) {
    Fail("the detection in English did not list the clocks: " + Listed(*clocks, *records));
    return 1;
  }
  clocks->scrollToTop();
  if (!SavePicture(AWindow, AOutput.filePath("english.png"))) return 1;
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() > 2 || arguments.contains("--help") || arguments.contains("-h")) {
    std::printf("Usage: clockdiag_screenshots [OUTPUT_FOLDER]\n");
    return arguments.size() > 2 ? 2 : 0;
  }
  const QDir output(arguments.size() == 2 ? arguments[1] : QStringLiteral("docs/screenshots"));
  if (!QDir().mkpath(output.path())) {
    Fail("cannot create " + output.path());
    return 1;
  }

  // The program's folder is an empty one of its own, so that no dictionary file or log lying
  // beside the tool changes the window: it shows its own Persian texts.
  QTemporaryDir programFolder;
  if (!programFolder.isValid()) {
    Fail("cannot create a temporary folder");
    return 1;
  }
  SetProgramDirectory(programFolder.path().toStdString());

  SimProcess sim(kScenario);
  SimProcess pictures(kPictureScenario);
  SimProcess silent(QStringLiteral("misbehave silence"));
  if (sim.Port() <= 0 || pictures.Port() <= 0 || silent.Port() <= 0) {
    Fail("clocksim did not start: " + sim.Errors() + pictures.Errors() + silent.Errors());
    return 1;
  }

  // The start-up of the program, in its order.
  const auto windows = StartProgramWindows();
  TFrmMain& mainWindow = windows->MainWindow;

  QTimer::singleShot(kWatchdogMs, [] {
    QString modal;
    if (QWidget* widget = QApplication::activeModalWidget()) {
      for (const QLabel* label : widget->findChildren<QLabel*>())
        if (!label->text().isEmpty()) modal += " \"" + label->text() + "\"";
    }
    Fail("gave up after " + QString::number(kWatchdogMs / 1000) + " s" +
         (modal.isEmpty() ? QString() : "; a message is open:" + modal));
    // The simulator ends when its standard input closes with this process.
    std::_Exit(1);
  });
  int result = 1;
  QTimer::singleShot(0, [&] {
    result = Run(mainWindow, output, sim, pictures, silent);
    QApplication::exit(result);
  });
  application.exec();
  return result;
}
