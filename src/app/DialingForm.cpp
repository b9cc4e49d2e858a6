#include "DialingForm.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include "UFrmMain.h"
#include "connections/ConnectionList.h"
#include "ui_DialingForm.h"

TfrmDialing* frmDialing = nullptr;

TfrmDialing::TfrmDialing(QWidget* AParent)
    : QWidget(AParent), ui(std::make_unique<Ui::TfrmDialing>()) {
  ui->setupUi(this);
  frmDialing = this;
  // No system menu and no close button; always above the main window.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(293, 121);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - QPoint(293 / 2, 121 / 2));
  connect(ui->BitBtnCancel, &QPushButton::clicked, this, &TfrmDialing::BitBtnCancelClick);
}

TfrmDialing::~TfrmDialing() {
  if (frmDialing == this) frmDialing = nullptr;
}

QLabel* TfrmDialing::lblPhoneNumber() const {
  return ui->lblPhoneNumber;
}
QLabel* TfrmDialing::Label2() const {
  return ui->Label2;
}
QPushButton* TfrmDialing::BitBtnCancel() const {
  return ui->BitBtnCancel;
}

void TfrmDialing::closeEvent(QCloseEvent* AEvent) {
  AEvent->ignore();
}

void TfrmDialing::BitBtnCancelClick() {
  // The dial under way notices the cancellation at its next pass; the main window hides this
  // window when the dial is over.
  if (FrmMain && FrmMain->VexConnections && FrmMain->VexConnections->DefaultItem())
    FrmMain->VexConnections->DefaultItem()->CancelDial();
}
