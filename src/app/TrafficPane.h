#pragma once
// The technician's view of a line's traffic: every byte exchange with its time to the
// millisecond, its direction and its bytes in hex, as the line reports them. The list can be
// saved to a text file.
#include <QWidget>
#include <cstdint>
#include <string>

#include "clock/ClockTypes.h"

class QPlainTextEdit;
class QPushButton;

class TTrafficPane : public QWidget {
  Q_OBJECT

 public:
  explicit TTrafficPane(QWidget* AParent = nullptr);

  // The pane keeps the latest lines up to this number; older ones are dropped.
  static constexpr int kMaxLines = 20000;

  // One exchange: the line's tick, the direction and the bytes. The time of day is taken now,
  // since the line reports every exchange as it happens.
  void AddTraffic(std::uint32_t ATick, TTrafficDirection ADirection, const std::string& AData);
  // One line of the list: "HH:MM:SS.zzz  TX  02 41 03  |.A.|".
  static QString FormatLine(const QString& ATimeOfDay, TTrafficDirection ADirection,
                            const std::string& AData);

  QString Text() const;
  int LineCount() const;
  void Clear();
  // Writes the list as UTF-8 text; false when the file cannot be written.
  bool SaveToFile(const QString& AFileName) const;

  QPushButton* btnSaveTraffic() const { return FSave; }
  QPushButton* btnClearTraffic() const { return FClear; }
  QPushButton* btnDetachTraffic() const { return FDetach; }
  // The pane stands as a window of its own (its button then offers to put it back).
  void SetDetached(bool ADetached);

 signals:
  // The user asks for the pane on its own (true) or back in the main window (false, also by
  // closing the pane's own window).
  void DetachRequested(bool ADetach);

 protected:
  void closeEvent(QCloseEvent* AEvent) override;

 private slots:
  void SaveClick();

 private:
  QPlainTextEdit* FList;
  QPushButton* FSave;
  QPushButton* FClear;
  QPushButton* FDetach;
};
