#include "Animate.h"

#include <QPainter>

TAnimate::TAnimate(QWidget* AParent) : QWidget(AParent) {
  // Not transparent: the clip is drawn over the control's own background.
  setAutoFillBackground(true);
  FTimer.setInterval(80);
  connect(&FTimer, &QTimer::timeout, this, &TAnimate::NextFrame);
}

void TAnimate::SetClip(const QString& APath, int AFrameWidth) {
  FClip = QPixmap(APath);
  FFrameWidth = AFrameWidth > 0 ? AFrameWidth : FClip.height();
  FFrameCount = FFrameWidth > 0 ? FClip.width() / FFrameWidth : 0;
  FFrame = 0;
  update();
}

int TAnimate::LastFrame() const {
  if (FStopFrame > 0 && FStopFrame <= FFrameCount) return FStopFrame - 1;
  return FFrameCount - 1;
}

void TAnimate::SetActive(bool AValue) {
  if (AValue == FTimer.isActive()) return;
  if (AValue && FFrameCount > 0) {
    FTimer.start();
  } else {
    FTimer.stop();
    FFrame = 0;
  }
  update();
}

void TAnimate::NextFrame() {
  FFrame = FFrame >= LastFrame() ? 0 : FFrame + 1;
  update();
}

QSize TAnimate::sizeHint() const {
  if (FFrameCount > 0) return {FFrameWidth, FClip.height()};
  return QWidget::sizeHint();
}

void TAnimate::paintEvent(QPaintEvent*) {
  if (FFrameCount <= 0) return;
  QPainter painter(this);
  const QRect source(FFrame * FFrameWidth, 0, FFrameWidth, FClip.height());
  // Centred in the control, as the clip has its own size.
  const QPoint at((width() - FFrameWidth) / 2, (height() - FClip.height()) / 2);
  painter.drawPixmap(at, FClip, source);
}
