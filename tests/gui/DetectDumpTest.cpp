// The detection and the dump of the main window against clocksim over TCP, in real time.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeWidget>

#include <QDirIterator>
#include <QFileDialog>
#include <QFileInfo>

#include "AppLog.h"
#include "Animate.h"
#include "DumpListSink.h"
#include "GuiFixture.h"
#include "SimProcess.h"
#include "connections/RecordCsv.h"

namespace {

class DetectDumpTest : public WindowsFixture {
 protected:
  // Starts the simulator with AStatements and points the window's line at it over TCP/IP.
  void Serve(const QString& AStatements) {
    sim = std::make_unique<SimProcess>(AStatements);
    ASSERT_GT(sim->Port(), 0) << sim->Errors().toStdString();
    CreateWindows();
    main->show();
    Find<QLineEdit>("EdIPAddress")->setText("127.0.0.1");
    Find<QLineEdit>("edTCPIPPort")->setText(QString::number(sim->Port()));
    Find<QCheckBox>("ChBoxTCPIP")->click();
    ASSERT_EQ(Line().EffectiveConnectionType(), TcpIp);
  }
  void Detect(int ASearchType) {
    Choose(Find<QComboBox>("comBoxSearchType"), ASearchType);
    Find<QPushButton>("btnDetect")->click();
  }
  QListWidget* Clocks() const { return Find<QListWidget>("LvDetectClock"); }
  QTreeWidget* Records() const { return Find<QTreeWidget>("LvDumRecord"); }
  QPushButton* DumpButton() const { return Find<QPushButton>("btnStartStop"); }
  QStringList CaptionLines(int ARow) const {
    return Clocks()->item(ARow)->data(TFrmMain::kRawCaptionRole).toString().split("\n\r");
  }
  // The card numbers of the rows listed.
  QStringList Cards() const {
    QStringList cards;
    for (int i = 0; i < Records()->topLevelItemCount(); ++i)
      cards << Records()->topLevelItem(i)->text(1);
    return cards;
  }
  // A detection, then a dump; the cards it listed.
  QStringList DetectAndDump() {
    Detect(cstKRTalFast);
    EXPECT_TRUE(DumpButton()->isEnabled());
    DumpButton()->click();
    return Cards();
  }
  void ExpectIdle() const {
    EXPECT_TRUE(Find<QPushButton>("btnDetect")->isEnabled());
    EXPECT_FALSE(Find<QWidget>("Animate1")->isVisible());
    EXPECT_FALSE(Find<TAnimate>("Animate1")->Active());
    EXPECT_FALSE(Find<QWidget>("LaConnectProcess")->isVisible());
    EXPECT_FALSE(Find<QTimer>("TimerAppProcess")->isActive());
  }
  void ExpectDumpEnded() const {
    EXPECT_FALSE(DumpButton()->isEnabled());
    EXPECT_EQ(DumpButton()->text(), QString("تخليه"));
    EXPECT_FALSE(Find<QTimer>("TimerStopReading")->isActive());
  }

  std::unique_ptr<SimProcess> sim;
};

TEST_F(DetectDumpTest, SingleClockIsListedWithItsLinesDriftAndPicture) {
  Serve("");
  Detect(cstKRTalFast);
  ASSERT_EQ(Clocks()->count(), 1);
  const QStringList lines = CaptionLines(0);
  ASSERT_EQ(lines.size(), 5) << lines.join('|').toStdString();
  EXPECT_EQ(lines[0].toUpper(), QString("KR-TAL 100"));
  EXPECT_EQ(lines[1], QString("VER 3.10"));
  EXPECT_TRUE(lines[2].startsWith("1403/09/1")) << lines[2].toStdString();
  EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d$").match(lines[3]).hasMatch())
      << lines[3].toStdString();
  // The drift from the computer's clock, in seconds: the simulated clock lives in 1403.
  EXPECT_TRUE(QRegularExpression("^-\\d+ s$").match(lines[4]).hasMatch()) << lines[4].toStdString();
  EXPECT_EQ(Clocks()->item(0)->data(TFrmMain::kImageIndexRole).toInt(), int(KRTal));
  EXPECT_TRUE(DumpButton()->isEnabled());
  ExpectIdle();
}

TEST_F(DetectDumpTest, NothingAnsweringLeavesTheListEmptyAndTheDumpButtonAsItWas) {
  Serve("misbehave silence");
  // As after an earlier detection that found a clock.
  DumpButton()->setEnabled(true);
  Clocks()->addItem("earlier");
  Detect(cstKRTalFast);
  EXPECT_EQ(Clocks()->count(), 0);
  EXPECT_TRUE(DumpButton()->isEnabled());
  ExpectIdle();
}

TEST_F(DetectDumpTest, BusScanListsOnlyTheClocksOfTheSearchType) {
  Serve(
      "protocol RS485; clock 1; name KR-Optica 1; clock 2; name KR-Tal 2; clock 3;"
      "name KR-Ember 3; clock 4; name KR-Corax 4");
  Line().MaxClockNumber = 5;
  Detect(cstKRTal);
  ASSERT_EQ(Line().Clocks().size(), 4u);
  ASSERT_EQ(Clocks()->count(), 2);
  EXPECT_EQ(CaptionLines(0)[0].toUpper(), QString("KR-TAL 2"));
  EXPECT_EQ(Clocks()->item(0)->data(TFrmMain::kImageIndexRole).toInt(), int(KRTal));
  EXPECT_EQ(CaptionLines(1)[0].toUpper(), QString("KR-CORAX 4"));
  EXPECT_EQ(Clocks()->item(1)->data(TFrmMain::kImageIndexRole).toInt(), int(KRCorax));
  // The scan showed the numbers it asked, up to the last.
  EXPECT_EQ(Find<QLabel>("lblProbeClock")->text(), QString("5 / 5"));
  EXPECT_FALSE(Find<QLabel>("lblProbeClock")->isVisible());
  EXPECT_FALSE(Line().OnProbeClock);
  ExpectIdle();
}

TEST_F(DetectDumpTest, DumpTakesThreeRecordsAndLeavesTheRestOnTheClock) {
  Serve(
      "clear-records; record 1001 1403/09/17 08:01; record 1002 1403/09/17 08:02;"
      "record 1003 1403/09/17 08:03; record 1004 1403/09/17 08:04;"
      "record 1005 1403/09/17 08:05");
  EXPECT_EQ(DetectAndDump(), QStringList({"1001", "1002", "1003"}));
  ExpectDumpEnded();
  // Solar records on a solar computer keep their dates.
  const QTreeWidgetItem* first = Records()->topLevelItem(0);
  EXPECT_EQ(first->text(2), QString("08:01"));
  EXPECT_EQ(first->text(3), QString("1403/09/17"));

  EXPECT_EQ(DetectAndDump(), QStringList({"1004", "1005"}));
  ExpectDumpEnded();
  // An empty clock ends the dump at once, without a message.
  int messages = 0;
  TScopedMessageHook hook([&](const std::string&, TMsgDlgType, TMsgDlgButtons, std::int32_t) {
    ++messages;
    return static_cast<int>(mrOk);
  });
  EXPECT_TRUE(DetectAndDump().isEmpty());
  ExpectDumpEnded();
  EXPECT_EQ(messages, 0);
}

TEST_F(DetectDumpTest, SecondClickStopsTheDumpAndClearsTheList) {
  Serve(
      "clear-records; record 2001 1403/09/17 09:01; record 2002 1403/09/17 09:02;"
      "record 2003 1403/09/17 09:03; record 2004 1403/09/17 09:04;"
      "record 2005 1403/09/17 09:05");
  Detect(cstKRTalFast);
  bool clicked = false;
  QTimer stopper;
  QObject::connect(&stopper, &QTimer::timeout, [&] {
    if (clicked || Records()->topLevelItemCount() < 1) return;
    clicked = true;
    EXPECT_EQ(DumpButton()->text(), QString("توقف"));
    DumpButton()->click();
  });
  stopper.start(1);
  DumpButton()->click();
  stopper.stop();
  ASSERT_TRUE(clicked);
  EXPECT_EQ(Records()->topLevelItemCount(), 0);
  ExpectDumpEnded();
  // The record listed before the stop was taken from the clock, the others stayed there.
  EXPECT_EQ(DetectAndDump(), QStringList({"2002", "2003", "2004"}));
  EXPECT_EQ(DetectAndDump(), QStringList({"2005"}));
}

// An HDLC clock whose first picture is lost on the way and whose second arrives, in a program
// folder where the pictures' folder cannot be made (a file has its name): the pictures go to the
// user's data folder, the list shows full dates, where each record is and the lost picture, the
// counter and the status line say what the dump did.
TEST_F(DetectDumpTest, DumpListsWhereRecordsAndPicturesWentAndSaysSo) {
  WriteFile("IOImages", "not a folder");
  QTemporaryDir userData;
  SetAppLogFallbackFolder(userData.path().toStdString());
  struct Restore {
    ~Restore() { SetAppLogFallbackFolder(""); }
  } restore;
  Serve(
      "protocol hdlc; clock 1; clear-records; record 3001 1403/09/17 10:01 picture=700;"
      "record 3002 1403/09/17 10:02 picture=700; record 3003 1403/09/17 10:03;"
      "record 3004 1403/09/17 10:04; misbehave wrongblock times=3");
  Detect(cstKRTalR2);
  ASSERT_TRUE(DumpButton()->isEnabled()) << sim->Errors().toStdString();
  DumpButton()->click();
  ASSERT_EQ(Cards(), QStringList({"3001", "3002", "3003"})) << sim->Errors().toStdString();

  QStringList dates, left, pictures;
  for (int i = 0; i < Records()->topLevelItemCount(); ++i) {
    dates << Records()->topLevelItem(i)->text(TDumpListSink::colDate);
    left << Records()->topLevelItem(i)->text(TDumpListSink::colLeft);
    pictures << Records()->topLevelItem(i)->text(TDumpListSink::colPicture);
  }
  EXPECT_EQ(dates, QStringList({"1403/09/17", "1403/09/17", "1403/09/17"}));
  // A block of three: releasing its last record releases the block.
  EXPECT_EQ(left, QStringList({"بله", "بله", "بله"}));
  EXPECT_EQ(pictures, QStringList({"دریافت نشد", "ذخیره شد", ""}));
  EXPECT_EQ(Find<QLabel>("lblRecordCount")->text(), QString("3 رکورد خوانده شد"));

  const QString pictureFolder = userData.path() + "/IOImages";
  QStringList stored;
  for (QDirIterator it(pictureFolder, {"*.jpg"}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
    stored << QFileInfo(it.next()).fileName();
  EXPECT_EQ(stored, QStringList({"3002_1002.jpg"}));
  const QString status = main->StatusText();
  EXPECT_TRUE(status.startsWith("3 رکورد خوانده شد، 1 تصویر ناموفق")) << status.toStdString();
  EXPECT_TRUE(status.contains(pictureFolder)) << status.toStdString();
}

// The list goes to a CSV file through the save dialog, in the words of the dictionary, written
// as the command line writes its dump file; a second export replaces the first.
TEST_F(DetectDumpTest, ListIsExportedAsTheCommandLineWritesItsDump) {
  Serve("clear-records; record 1001 1403/09/17 08:01; record 1002 1403/09/17 08:02 event=1");
  auto* exportButton = Find<QPushButton>("btnExportCsv");
  EXPECT_FALSE(exportButton->isEnabled());
  EXPECT_EQ(DetectAndDump(), QStringList({"1001", "1002"}));
  ASSERT_TRUE(exportButton->isEnabled());

  const QString path = FilePath("records.csv");
  QString title, accept, reject;
  const auto save = [&] {
    ModalAnswer answer([&](QWidget* AModal) {
      auto* dialog = qobject_cast<QFileDialog*>(AModal);
      if (!dialog) {
        AModal->close();
        return;
      }
      title = dialog->windowTitle();
      accept = dialog->labelText(QFileDialog::Accept);
      reject = dialog->labelText(QFileDialog::Reject);
      dialog->selectFile(path);
      static_cast<QDialog*>(dialog)->accept();
    });
    exportButton->click();
    EXPECT_TRUE(answer.Acted());
  };
  save();
  EXPECT_EQ(title, QString("ذخیره فهرست رکوردها"));
  EXPECT_EQ(accept, QString("ذخیره"));
  EXPECT_EQ(reject, QString("انصراف"));
  // Saved again over the first file: the program asks, then replaces it.
  int asked = 0;
  TScopedMessageHook yes([&](const std::string&, TMsgDlgType, TMsgDlgButtons, std::int32_t) {
    ++asked;
    return static_cast<int>(mrYes);
  });
  save();
  EXPECT_EQ(asked, 1);

  // The rows as the command line's writer makes them from the same entries, once.
  std::string expected = std::string(TRecordCsvFile::kHeader) + "\n";
  for (const TDumpEntry& entry : main->ListedRecords())
    expected += TRecordCsvFile::Row(entry, entry.Leave == TRecordLeave::Left);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray written = file.readAll();
  EXPECT_TRUE(written.endsWith(QByteArray::fromStdString(expected)))
      << written.toStdString();
  EXPECT_EQ(written.count("1001"), 1);
  EXPECT_EQ(written.count("1002"), 1);
  EXPECT_TRUE(main->StatusText().contains(path)) << main->StatusText().toStdString();

  QString error;
  EXPECT_FALSE(main->ExportRecords(FilePath("no such folder/records.csv"), error));
  EXPECT_FALSE(error.isEmpty());
}

}  // namespace
