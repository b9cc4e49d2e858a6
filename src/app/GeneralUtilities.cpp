#include "GeneralUtilities.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <utility>
#include <vector>

#include "MessageBoxForm.h"
#include "utils/Dictionary.h"
#include "utils/ProgramDirectory.h"

namespace {
bool& Arabic() {
  static bool flag = false;
  return flag;
}

IKeyboardLayouts*& Layouts() {
  static IKeyboardLayouts* layouts = nullptr;
  return layouts;
}

// The language of the message box's dictionary that sends messages to the standard dialog.
bool IsArabicLanguage(const std::string& ALanguage) {
  if (ALanguage == "فارسي") return false;
  return QString::fromStdString(ALanguage).toUpper() == QLatin1String("ARABIC");
}

// The standard message dialog: the kind's icon, the requested buttons, the same results as the
// message box.
int ShowStandardDialog(const std::string& AMsg, TMsgDlgType ADlgType, TMsgDlgButtons AButtons) {
  QMessageBox box;
  switch (ADlgType) {
    case mtWarning:
      box.setIcon(QMessageBox::Warning);
      break;
    case mtError:
      box.setIcon(QMessageBox::Critical);
      break;
    case mtInformation:
      box.setIcon(QMessageBox::Information);
      break;
    case mtConfirmation:
      box.setIcon(QMessageBox::Question);
      break;
    default:
      box.setIcon(QMessageBox::NoIcon);
      break;
  }
  box.setText(DisplayText(TranslateText(AMsg)));
  struct TChoice {
    TMsgDlgButtons Bit;
    QMessageBox::StandardButton Standard;
    int Result;
  };
  static constexpr TChoice kChoices[] = {
      {mbYes, QMessageBox::Yes, mrYes},
      {mbNo, QMessageBox::No, mrNo},
      {mbOK, QMessageBox::Ok, mrOk},
      {mbCancel, QMessageBox::Cancel, mrCancel},
      {mbAbort, QMessageBox::Abort, mrAbort},
      {mbRetry, QMessageBox::Retry, mrRetry},
      {mbIgnore, QMessageBox::Ignore, mrIgnore},
      {mbAll, QMessageBox::NoButton, mrAll},
      {mbNoToAll, QMessageBox::NoToAll, mrNoToAll},
      {mbYesToAll, QMessageBox::YesToAll, mrYesToAll},
      {mbHelp, QMessageBox::Help, mrNone},
  };
  std::vector<std::pair<QAbstractButton*, int>> results;
  for (const TChoice& choice : kChoices) {
    if (!(AButtons & choice.Bit)) continue;
    QAbstractButton* button = choice.Standard != QMessageBox::NoButton
                                  ? box.addButton(choice.Standard)
                                  : box.addButton(QStringLiteral("All"), QMessageBox::AcceptRole);
    results.emplace_back(button, choice.Result);
  }
  box.exec();
  for (const auto& [button, result] : results)
    if (box.clickedButton() == button) return result;
  // Closed without a button.
  return mrCancel;
}
}  // namespace

void ProcessMessages() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

bool ArabicFlag() {
  return Arabic();
}
void SetArabicFlag(bool AValue) {
  Arabic() = AValue;
}

std::string TranslateText(const std::string& AText) {
  if (!frmMessageBox) return AText;
  return frmMessageBox->Dictionary.GetValue(AText, "");
}

QString TranslateQ(const std::string& AText) {
  return DisplayText(TranslateText(AText));
}

QString DisplayText(const std::string& AText) {
  QString text = QString::fromStdString(AText);
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1String("\n\r"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

bool CheckMainDictionary() {
  const std::string path = ProgramFilePath("MainDict.edf");
  if (!QFileInfo::exists(QString::fromStdString(path))) return false;
  TDictionary lines;
  lines.LoadFromFile(path);
  if (lines.Count() == 0) return false;
  const std::string& first = lines.Strings(0);
  SelectKeyboardLayout(first.find("English") != std::string::npos);
  SetArabicFlag(first.find("Arabic") != std::string::npos);
  return true;
}

void SetKeyboardLayouts(IKeyboardLayouts* ALayouts) {
  Layouts() = ALayouts;
}

void SelectKeyboardLayout(bool AEnglish) {
  IKeyboardLayouts* layouts = Layouts();
  if (!layouts) return;
  const std::string active = layouts->ActiveLayoutId();
  if ((!AEnglish && active == "00000409") || (AEnglish && active == "00000401"))
    layouts->ActivateNextLayout();
}

int ShowMessageInWindow(const std::string& AMsg, TMsgDlgType ADlgType, TMsgDlgButtons AButtons,
                        std::int32_t AHelpCtx) {
  if (!frmMessageBox) return ShowStandardDialog(AMsg, ADlgType, AButtons);
  if (!IsArabicLanguage(frmMessageBox->Dictionary.Language())) {
    frmMessageBox->Initialize(AMsg, ADlgType, AButtons, AHelpCtx);
    return frmMessageBox->ShowModal();
  }
  return ShowStandardDialog(AMsg, ADlgType, AButtons);
}
