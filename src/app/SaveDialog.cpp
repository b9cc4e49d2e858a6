#include "SaveDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include "GeneralUtilities.h"

QString AskSaveFileName(QWidget* AParent, const std::string& ATitle, const QString& ADefaultName,
                        const std::vector<TSaveFileType>& ATypes) {
  QFileDialog dialog(AParent, TranslateQ(ATitle));
  dialog.setObjectName("dlgSaveFile");
  // Qt's dialog, whose captions can be set; the overwrite question is the program's own.
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setLayoutDirection(DictionaryDirection());
  dialog.setLabelText(QFileDialog::LookIn, TranslateQ("پوشه:"));
  dialog.setLabelText(QFileDialog::FileName, TranslateQ("نام فایل:"));
  dialog.setLabelText(QFileDialog::FileType, TranslateQ("نوع فایل:"));
  dialog.setLabelText(QFileDialog::Accept, TranslateQ("ذخیره"));
  dialog.setLabelText(QFileDialog::Reject, TranslateQ("انصراف"));
  QStringList filters;
  for (const TSaveFileType& type : ATypes)
    filters << TranslateQ(type.first) + QStringLiteral(" (") + type.second + QLatin1Char(')');
  dialog.setNameFilters(filters);
  dialog.selectFile(ADefaultName);
  while (dialog.exec() == QDialog::Accepted) {
    const QString name = dialog.selectedFiles().value(0);
    if (name.isEmpty()) return QString();
    if (!QFileInfo::exists(name)) return name;
    const std::string question =
        TranslateFormat("فایل %1 وجود دارد. جایگزین شود؟", {PathText(name)}).toStdString();
    if (ShowMessageDlg(question, mtConfirmation, mbYes | mbNo, 0) == mrYes) return name;
  }
  return QString();
}
