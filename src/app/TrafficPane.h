#pragma once
// The technician's view of a line's traffic, frame by frame as the protocol makes them (a text
// command, the reply to it, one HDLC frame, a modem line) by the framer the command line's trace
// uses: the time of day to the millisecond at which the frame's first byte passed, its direction,
// its bytes in hex, the same bytes as text and what the frame means. A long frame goes on over
// several lines of sixteen bytes. The list can be saved to a text file.
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "clock/ClockTypes.h"
#include "clock/TrafficFrames.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

class TTrafficPane : public QWidget {
  Q_OBJECT

 public:
  explicit TTrafficPane(QWidget* AParent = nullptr);

  // The pane keeps the latest lines up to this number; older ones are dropped.
  static constexpr int kMaxLines = 20000;

  // Bytes on one line's row of a frame.
  static constexpr int kBytesPerLine = 16;
  // A frame still open is shown once the line has been quiet this long.
  static constexpr int kQuietMs = 300;

  // One chunk written or read at the line's tick ATick, on a line speaking AProtocol. The frames
  // it completes are listed, each with the time of day its first chunk came.
  void AddTraffic(std::uint32_t ATick, TProtocol AProtocol, TTrafficDirection ADirection,
                  const std::string& AData);
  // Lists the frame still being collected (a reply is whole only when the next command goes).
  void FlushFrames();
  // The lines of one frame: "HH:MM:SS.zzz  TX  02 41 03  |.A.|  meaning", then the further rows
  // of sixteen bytes below the first.
  static QStringList FormatFrame(const QString& ATimeOfDay, const TTrafficFrame& AFrame);
  // The columns' titles through the dictionary, aligned over the list.
  void ShowColumnTitles();
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
  void ShowFrames(const std::vector<TTrafficFrame>& AFrames);

  TTrafficFramer FFramer;
  // The time of day of each chunk whose frame is not listed yet, by the chunk's tick.
  std::deque<std::pair<std::uint32_t, QString>> FStamps;
  QTimer* FQuiet;
  std::vector<QLabel*> FColumns;
  QPlainTextEdit* FList;
  QPushButton* FSave;
  QPushButton* FClear;
  QPushButton* FDetach;
};
