#pragma once
// The window's save dialog: Qt's own dialog (the same on every desktop), with its title, labels,
// buttons and file types through the dictionary and in the dictionary's direction.
#include <QString>
#include <string>
#include <utility>
#include <vector>

class QWidget;

// One file type of the dialog: its caption (a dictionary key) and its patterns ("*.csv").
using TSaveFileType = std::pair<std::string, QString>;

// Asks where to save, starting on ADefaultName; a file that is there already is replaced only
// when the user confirms it. '' when the user cancels.
QString AskSaveFileName(QWidget* AParent, const std::string& ATitle, const QString& ADefaultName,
                        const std::vector<TSaveFileType>& ATypes);
