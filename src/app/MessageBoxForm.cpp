#include "MessageBoxForm.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QStyle>
#include <algorithm>

#include "GeneralUtilities.h"
#include "ui_MessageBoxForm.h"
#include "utils/ProgramDirectory.h"

TfrmMessageBox* frmMessageBox = nullptr;

namespace {
constexpr int kMargin = 15;
constexpr int kMaxMessageWidth = 400;

struct TKindInfo {
  const char* Title;
  const char* ArabicTitle;
  QStyle::StandardPixmap Icon;
};
// By TMsgDlgType code; the custom kind (4) has no entry.
constexpr TKindInfo kKinds[] = {
    {"توجه", "تحذير", QStyle::SP_MessageBoxWarning},
    {"خطا", "خطأ", QStyle::SP_MessageBoxCritical},
    {"اطلاعات", "معلومات", QStyle::SP_MessageBoxInformation},
    {"تاييد", "حسناً", QStyle::SP_MessageBoxQuestion},
};
}  // namespace

TfrmMessageBox::TfrmMessageBox(QWidget* AParent)
    : QDialog(AParent),
      ui(std::make_unique<Ui::TfrmMessageBox>()),
      FMessageHook(ShowMessageInWindow) {
  ui->setupUi(this);
  frmMessageBox = this;
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
  FButtons = {{
      {mbHelp, ui->btnHelp, mrNone, "&راهنما", "مساعده"},
      {mbAll, ui->btnAll, mrAll, "& همه موارد", "كل"},
      {mbIgnore, ui->btnIgnore, mrIgnore, "&صرفنظر", "تجاهل"},
      {mbRetry, ui->btnRetry, mrRetry, "&سعي مجدد", "إعادة المحاولة"},
      {mbAbort, ui->btnAbort, mrAbort, "لغو", "إحباط"},
      {mbCancel, ui->btnCancel, mrCancel, "انصراف", "إلغاء"},
      {mbOK, ui->btnOk, mrOk, "تاييد", "حسناً"},
      {mbNoToAll, ui->btnNoToAll, mrNoToAll, "&خير براي همه", "لا للجميع"},
      {mbNo, ui->btnNo, mrNo, "&خير", "إلغاء"},
      {mbYesToAll, ui->btnYesToAll, mrYesToAll, "&بله براي همه", "نعم للكل"},
      {mbYes, ui->btnYes, mrYes, "&بله", "حسناً"},
  }};
  for (const TButtonInfo& button : FButtons) {
    button.Control->setAutoDefault(true);
    // Help answers without closing the box.
    if (button.ModalResult == mrNone) continue;
    const int result = button.ModalResult;
    connect(button.Control, &QPushButton::clicked, this, [this, result] { done(result); });
  }
  if (CheckMainDictionary()) Dictionary.LoadFromFile(ProgramFilePath("MsgDict.edf"));
}

TfrmMessageBox::~TfrmMessageBox() {
  if (frmMessageBox == this) frmMessageBox = nullptr;
}

QWidget* TfrmMessageBox::Panel1() const {
  return ui->Panel1;
}
QWidget* TfrmMessageBox::Image1() const {
  return ui->Image1;
}
QWidget* TfrmMessageBox::lMessage() const {
  return ui->lMessage;
}

QPushButton* TfrmMessageBox::Button(TMsgDlgButtons AButton) const {
  for (const TButtonInfo& button : FButtons)
    if (button.Bit == AButton) return button.Control;
  return nullptr;
}

void TfrmMessageBox::Initialize(const std::string& AMsg, TMsgDlgType ADlgType,
                                TMsgDlgButtons AButtons, std::int32_t) {
  QLabel* message = ui->lMessage;
  QLabel* image = ui->Image1;
  QWidget* panel = ui->Panel1;

  // The message at its natural width, at most 400 pixels, then wrapped to that width.
  message->setWordWrap(false);
  message->setText(DisplayText(Dictionary.GetValue(AMsg, "")));
  const int naturalWidth = message->sizeHint().width();
  const int messageWidth = std::min(naturalWidth, kMaxMessageWidth);
  message->setWordWrap(true);
  const int messageHeight = message->heightForWidth(messageWidth);
  message->resize(messageWidth, messageHeight > 0 ? messageHeight : message->sizeHint().height());

  const bool arabic = ArabicFlag();
  if (ADlgType < mtCustom) {
    const TKindInfo& kind = kKinds[ADlgType];
    setWindowTitle(QString::fromUtf8(arabic ? kind.ArabicTitle : kind.Title));
    image->setPixmap(style()->standardIcon(kind.Icon, nullptr, this).pixmap(32, 32));
  } else {
    // The custom kind keeps the title of the message before and shows no icon.
    image->clear();
  }

  // The row from the left: Help ... Yes, a margin between the buttons and at both ends.
  int x = 0;
  for (const TButtonInfo& button : FButtons) {
    QPushButton* control = button.Control;
    if (!(AButtons & button.Bit)) {
      control->hide();
      continue;
    }
    control->setText(QString::fromUtf8(arabic ? button.ArabicCaption : button.PersianCaption));
    control->show();
    control->move(x + kMargin, 0);
    x += control->width() + kMargin;
  }
  const int panelWidth = x + kMargin;
  const int panelHeight = ui->btnYes->height() + 1;

  const int textBottom = std::max(kMargin + image->height(), kMargin + message->height());
  const int panelTop = textBottom + kMargin;
  const int clientHeight = panelTop + panelHeight + kMargin;
  const int clientWidth = std::max(panelWidth, message->width() + image->width() + 3 * kMargin);

  const int imageLeft = clientWidth - image->width() - kMargin;
  image->move(imageLeft, kMargin);
  message->move(imageLeft - message->width() - kMargin, kMargin);
  panel->setGeometry((clientWidth - panelWidth) / 2, panelTop, panelWidth, panelHeight);
  setFixedSize(clientWidth, clientHeight);

  // Centred on the screen.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(clientWidth / 2, clientHeight / 2));
  }
}

int TfrmMessageBox::ShowModal() {
  return exec();
}

void TfrmMessageBox::showEvent(QShowEvent* AEvent) {
  QDialog::showEvent(AEvent);
  FormActivate();
}

void TfrmMessageBox::FormActivate() {
  // Every visible button takes the focus in turn; the last one, Yes when shown, keeps it.
  for (const TButtonInfo& button : FButtons)
    if (button.Control->isVisibleTo(this)) button.Control->setFocus(Qt::OtherFocusReason);
}

void TfrmMessageBox::keyPressEvent(QKeyEvent* AEvent) {
  // Esc presses the "no to all" button when it is shown, and does nothing otherwise.
  if (AEvent->key() == Qt::Key_Escape && AEvent->modifiers() == Qt::NoModifier) {
    if (ui->btnNoToAll->isVisibleTo(this)) ui->btnNoToAll->click();
    AEvent->accept();
    return;
  }
  QDialog::keyPressEvent(AEvent);
}

void TfrmMessageBox::reject() {
  // Closing the box from its title bar answers Cancel.
  done(mrCancel);
}
