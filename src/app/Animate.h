#pragma once
// The animation control of the main window: plays a short looping clip, given as one picture that
// holds its frames side by side, while the window waits for the clocks.
#include <QPixmap>
#include <QTimer>
#include <QWidget>

class TAnimate : public QWidget {
  Q_OBJECT

 public:
  explicit TAnimate(QWidget* AParent = nullptr);

  // The clip: APath names a picture of frames AFrameWidth pixels wide, side by side. The clip is
  // shown from its first frame and does not start by itself.
  void SetClip(const QString& APath, int AFrameWidth);
  int FrameCount() const { return FFrameCount; }

  // The clip plays frames 1 to StopFrame and starts over (all frames when StopFrame is 0 or
  // beyond the clip).
  int StopFrame() const { return FStopFrame; }
  void SetStopFrame(int AValue) { FStopFrame = AValue; }

  bool Active() const { return FTimer.isActive(); }
  void SetActive(bool AValue);
  void Play() { SetActive(true); }
  void Stop() { SetActive(false); }
  // 0-based index of the frame on show.
  int CurrentFrame() const { return FFrame; }
  // Milliseconds per frame.
  void SetFrameInterval(int AMs) { FTimer.setInterval(AMs); }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* AEvent) override;

 private:
  void NextFrame();
  int LastFrame() const;

  QPixmap FClip;
  int FFrameWidth = 0;
  int FFrameCount = 0;
  int FStopFrame = 0;
  int FFrame = 0;
  QTimer FTimer;
};
