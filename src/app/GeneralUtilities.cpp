#include "GeneralUtilities.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <utility>
#include <vector>

#include "MessageBoxForm.h"
#include "utils/Dictionary.h"
#include "utils/ProgramDirectory.h"
#include "utils/ShippedFiles.h"

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

QString TranslateFormat(const std::string& AText, const QStringList& AArguments) {
  const QString pattern = TranslateQ(AText);
  // One pass, so that a "%" in an argument (a device's error text) stays as it is.
  QString text;
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    const int place = i + 1 < pattern.size() ? pattern[i + 1].digitValue() : -1;
    if (pattern[i] == QLatin1Char('%') && place >= 1 && place <= AArguments.size()) {
      text += AArguments[place - 1];
      ++i;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

QString PathText(const QString& APath) {
  if (!APath.contains(QLatin1Char('/'))) return APath;
  // Left-to-right embedding ... pop directional formatting.
  return QChar(0x202A) + APath + QChar(0x202C);
}

namespace {
// The text a widget was built with, kept under AProperty at the first call; empty when it had
// none.
QString SourceText(QObject* AObject, const char* AProperty, const QString& ACurrent) {
  const QVariant kept = AObject->property(AProperty);
  if (kept.isValid()) return kept.toString();
  AObject->setProperty(AProperty, ACurrent);
  return ACurrent;
}

// A caption through the dictionary, line by line (a dictionary line holds no line break).
QString Translated(const QString& ASource) {
  QStringList lines = ASource.split(QLatin1Char('\n'));
  for (QString& line : lines) {
    const QString key = line.trimmed();
    if (key.isEmpty()) continue;
    const QString value = TranslateQ(key.toStdString());
    // Untranslated captions keep the spacing they were drawn with.
    if (value != key) line = value;
  }
  return lines.join(QLatin1Char('\n'));
}

std::string& Language() {
  static std::string language;
  return language;
}
}  // namespace

void TranslateWidgetTexts(QWidget* ARoot) {
  QList<QWidget*> widgets = ARoot->findChildren<QWidget*>();
  widgets.prepend(ARoot);
  for (QWidget* widget : widgets) {
    if (widget->isWindow()) {
      const QString title = SourceText(widget, "sourceWindowTitle", widget->windowTitle());
      if (!title.isEmpty()) widget->setWindowTitle(Translated(title));
    }
    const QString tip = SourceText(widget, "sourceToolTip", widget->toolTip());
    if (!tip.isEmpty()) widget->setToolTip(Translated(tip));
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      const QString text = SourceText(label, "sourceText", label->text());
      if (!text.isEmpty()) label->setText(Translated(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      const QString text = SourceText(button, "sourceText", button->text());
      if (!text.isEmpty()) button->setText(Translated(text));
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
      const QString text = SourceText(group, "sourceText", group->title());
      if (!text.isEmpty()) group->setTitle(Translated(text));
    } else if (auto* tree = qobject_cast<QTreeWidget*>(widget)) {
      QTreeWidgetItem* header = tree->headerItem();
      for (int column = 0; column < tree->columnCount(); ++column) {
        const QVariant kept = header->data(column, Qt::UserRole);
        const QString text = kept.isValid() ? kept.toString() : header->text(column);
        header->setData(column, Qt::UserRole, text);
        header->setText(column, Translated(text));
      }
    }
  }
}

bool LoadLanguage(const std::string& ALanguage) {
  if (!frmMessageBox) return false;
  Language() = ALanguage;
  if (ALanguage.empty()) {
    if (CheckMainDictionary()) {
      frmMessageBox->Dictionary.LoadFromFile(ProgramFilePath("MsgDict.edf"));
    } else {
      frmMessageBox->Dictionary.Clear();
    }
    return true;
  }
  const std::string folder = "dict/" + ALanguage + "/";
  const std::string main = ShippedDataFile(folder + "MainDict.edf");
  const std::string messages = ShippedDataFile(folder + "MsgDict.edf");
  if (main.empty() || messages.empty()) {
    frmMessageBox->Dictionary.Clear();
    return false;
  }
  TDictionary lines;
  lines.LoadFromFile(main);
  const std::string first = lines.Count() > 0 ? lines.Strings(0) : std::string();
  SelectKeyboardLayout(first.find("English") != std::string::npos);
  SetArabicFlag(first.find("Arabic") != std::string::npos);
  frmMessageBox->Dictionary.LoadFromFile(messages);
  return true;
}

std::string CurrentLanguage() {
  return Language();
}

Qt::LayoutDirection DictionaryDirection() {
  if (frmMessageBox && frmMessageBox->Dictionary.BiDiMode() == bdLeftToRight)
    return Qt::LeftToRight;
  return Qt::RightToLeft;
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
