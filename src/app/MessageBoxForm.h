#pragma once
// The program's own message box: a right-to-left dialog with the kind's icon on the right, the
// translated message to its left and a centred row of Persian (or Arabic) buttons below. One box
// is created at start-up and reused for every message; it also owns the dictionary through which
// every user text is translated.
#include <QDialog>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "utils/Dictionary.h"
#include "utils/MessageHook.h"

class QPushButton;
namespace Ui {
class TfrmMessageBox;
}

class TfrmMessageBox : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmMessageBox(QWidget* AParent = nullptr);
  ~TfrmMessageBox() override;

  // The dictionary of user texts, loaded from "MsgDict.edf" when "MainDict.edf" is usable.
  TDictionary Dictionary;

  // Prepares the box for one message: text, title, icon, buttons and layout. AHelpCtx is accepted
  // and not used.
  void Initialize(const std::string& AMsg, TMsgDlgType ADlgType, TMsgDlgButtons AButtons,
                  std::int32_t AHelpCtx);
  // Shows the box modally and returns the modal result of the button pressed (Cancel when the
  // box is closed from its title bar).
  int ShowModal();

  // The components, by their names.
  QWidget* Panel1() const;
  QWidget* Image1() const;
  QWidget* lMessage() const;
  QPushButton* Button(TMsgDlgButtons AButton) const;

 protected:
  void showEvent(QShowEvent* AEvent) override;
  void keyPressEvent(QKeyEvent* AEvent) override;

 public slots:
  void reject() override;

 private:
  // The keyboard focus goes to the first visible button of the order Yes, Yes to all, No, ...
  void FormActivate();

  struct TButtonInfo {
    TMsgDlgButtons Bit;
    QPushButton* Control;
    int ModalResult;
    const char* PersianCaption;
    const char* ArabicCaption;
  };
  // In the order in which the row is laid out from the left: Help first, Yes last.
  std::array<TButtonInfo, 11> FButtons{};
  std::unique_ptr<Ui::TfrmMessageBox> ui;
  TScopedMessageHook FMessageHook;
};

// The message box of the program, created at start-up (nullptr until then).
extern TfrmMessageBox* frmMessageBox;
