#pragma once
// The small always-on-top window shown while the modem dials a clock: the number dialled, the
// speed the modem reported, and a button that gives the dial up.
#include <QWidget>
#include <memory>

class QLabel;
class QPushButton;
namespace Ui {
class TfrmDialing;
}

class TfrmDialing : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmDialing(QWidget* AParent = nullptr);
  ~TfrmDialing() override;

  QLabel* lblPhoneNumber() const;
  // The modem's connection speed after the dial.
  QLabel* Label2() const;
  QPushButton* BitBtnCancel() const;

 protected:
  // The user cannot close the window; the main window hides it after the dial.
  void closeEvent(QCloseEvent* AEvent) override;

 private slots:
  void BitBtnCancelClick();

 private:
  std::unique_ptr<Ui::TfrmDialing> ui;
};

// The dialing window of the program, created at start-up (nullptr until then).
extern TfrmDialing* frmDialing;
