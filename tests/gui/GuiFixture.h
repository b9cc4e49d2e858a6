#pragma once
// The program's three windows as the start-up creates them, with the program's folder pointed at
// a fresh temporary folder (no dictionary files unless a test writes them).
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "DialingForm.h"
#include "GeneralUtilities.h"
#include "MessageBoxForm.h"
#include "UFrmMain.h"
#include "connections/ConnectionList.h"
#include "utils/ProgramDirectory.h"

// Acts once on the modal window that the code under test opens, from inside its event loop, and
// closes any modal window still open after ALimitMs, so that a fault fails a test instead of
// hanging it. Nothing is left pending once the object is gone.
class ModalAnswer {
 public:
  explicit ModalAnswer(std::function<void(QWidget*)> AAction, int ALimitMs = 5000)
      : FAction(std::move(AAction)) {
    QObject::connect(&FPoll, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || !modal->isVisible() || FActed) return;
      FActed = true;
      FPoll.stop();
      FAction(modal);
    });
    QObject::connect(&FGuard, &QTimer::timeout, [this] {
      FTimedOut = true;
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    FPoll.start(5);
    FGuard.setSingleShot(true);
    FGuard.start(ALimitMs);
  }
  bool Acted() const { return FActed; }
  bool TimedOut() const { return FTimedOut; }

 private:
  std::function<void(QWidget*)> FAction;
  QTimer FPoll;
  QTimer FGuard;
  bool FActed = false;
  bool FTimedOut = false;
};

// Texts as they read in a failed check.
inline void PrintTo(const QString& AText, std::ostream* AOut) {
  *AOut << '"' << AText.toStdString() << '"';
}

class ProgramFolderFixture : public ::testing::Test {
 protected:
  ProgramFolderFixture() {
    SetProgramDirectory(folder.path().toStdString());
    SetArabicFlag(false);
  }
  ~ProgramFolderFixture() override {
    SetProgramDirectory("");
    SetArabicFlag(false);
    SetKeyboardLayouts(nullptr);
  }
  // Writes AText (UTF-8) as the file AName in the program's folder.
  void WriteFile(const QString& AName, const std::string& AText) {
    QFile file(folder.filePath(AName));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(AText.data(), static_cast<qint64>(AText.size()));
  }
  QString FilePath(const QString& AName) const { return folder.filePath(AName); }

  QTemporaryDir folder;
};

class WindowsFixture : public ProgramFolderFixture {
 protected:
  // The windows in the start-up's order; a test that needs dictionary files writes them first.
  void CreateWindows() {
    main = std::make_unique<TFrmMain>();
    box = std::make_unique<TfrmMessageBox>();
    dialing = std::make_unique<TfrmDialing>();
  }
  void ShowMain() {
    if (!main) CreateWindows();
    main->show();
  }
  ~WindowsFixture() override {
    dialing.reset();
    box.reset();
    main.reset();
  }

  template <typename T>
  T* Find(const char* AName) const {
    T* child = main->findChild<T*>(AName);
    EXPECT_NE(child, nullptr) << AName;
    return child;
  }
  TClockSet& Line() const { return main->Line(); }
  // Chooses AIndex in a combo box as the user does.
  static void Choose(QComboBox* ACombo, int AIndex) {
    ACombo->setCurrentIndex(AIndex);
    emit ACombo->activated(AIndex);
  }

  std::unique_ptr<TFrmMain> main;
  std::unique_ptr<TfrmMessageBox> box;
  std::unique_ptr<TfrmDialing> dialing;
};
