// Draws the window's pictures into PNG files: the nine 32 x 32 model pictures (one per clock
// type, in the order of TClockType, the unknown clock first), the frames of the busy animation
// shown while clocks are detected, and the small glyphs of the buttons.
//
// The pictures are kept in the repository; this program is only run when they are redrawn:
//   cmake --build <build> --target clockdiag_draw_pictures
//   QT_QPA_PLATFORM=offscreen <build>/src/app/clockdiag_draw_pictures src/app/pictures
// The program's icon, in the sizes of the desktop's icon theme, is drawn by every build:
//   clockdiag_draw_pictures --icons <build>/share/icons/hicolor
#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRectF>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kSize = 32;

QImage NewImage(int AWidth, int AHeight) {
  QImage image(AWidth, AHeight, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  return image;
}

void Save(const QImage& AImage, const QString& AFolder, const QString& AName) {
  const QString path = QDir(AFolder).filePath(AName);
  if (!AImage.save(path, "PNG")) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

// The housing of a wall clock: a rounded body with a darker rim.
void Body(QPainter& p, const QRectF& ARect, const QColor& AColor, qreal ARadius = 4) {
  p.setPen(QPen(AColor.darker(170), 1.2));
  QLinearGradient shade(ARect.topLeft(), ARect.bottomRight());
  shade.setColorAt(0, AColor.lighter(125));
  shade.setColorAt(1, AColor.darker(115));
  p.setBrush(shade);
  p.drawRoundedRect(ARect, ARadius, ARadius);
}

// A text display with a few segments lit.
void Display(QPainter& p, const QRectF& ARect, const QColor& AGlow) {
  p.setPen(QPen(QColor(40, 40, 40), 0.8));
  p.setBrush(QColor(30, 45, 35));
  p.drawRect(ARect);
  p.setPen(QPen(AGlow, 1.2));
  const qreal y = ARect.center().y();
  for (qreal x = ARect.left() + 2; x < ARect.right() - 2; x += 3.5)
    p.drawLine(QPointF(x, y), QPointF(x + 2, y));
}

void Keypad(QPainter& p, qreal ALeft, qreal ATop, int AColumns, int ARows, qreal AStep,
            const QColor& AKey) {
  p.setPen(Qt::NoPen);
  p.setBrush(AKey);
  for (int r = 0; r < ARows; ++r)
    for (int c = 0; c < AColumns; ++c)
      p.drawRoundedRect(QRectF(ALeft + c * AStep, ATop + r * AStep, AStep - 1.2, AStep - 1.6), 0.8,
                        0.8);
}

// Radio waves of a proximity card reader.
void Waves(QPainter& p, const QPointF& ACentre, const QColor& AColor) {
  p.setBrush(Qt::NoBrush);
  for (int i = 1; i <= 3; ++i) {
    p.setPen(QPen(AColor, 1.1));
    const qreal r = 2.0 * i;
    p.drawArc(QRectF(ACentre.x() - r, ACentre.y() - r, 2 * r, 2 * r), 45 * 16, 90 * 16);
  }
}

// A face outline on a terminal's screen.
void Face(QPainter& p, const QRectF& AScreen, const QColor& AColor) {
  p.setPen(QPen(AColor, 1.1));
  p.setBrush(Qt::NoBrush);
  const QPointF c = AScreen.center();
  const qreal w = AScreen.width() * 0.42, h = AScreen.height() * 0.36;
  p.drawEllipse(QRectF(c.x() - w / 2, c.y() - h / 2 - 2, w, h));
  p.drawArc(QRectF(c.x() - w * 0.8, c.y() + h / 2 - 1, w * 1.6, h * 1.2), 20 * 16, 140 * 16);
  // The corners of the recognition frame.
  p.setPen(QPen(QColor(90, 220, 120), 1));
  const QRectF f = AScreen.adjusted(2, 2, -2, -2);
  const qreal k = 3;
  p.drawLine(f.topLeft(), f.topLeft() + QPointF(k, 0));
  p.drawLine(f.topLeft(), f.topLeft() + QPointF(0, k));
  p.drawLine(f.topRight(), f.topRight() + QPointF(-k, 0));
  p.drawLine(f.topRight(), f.topRight() + QPointF(0, k));
  p.drawLine(f.bottomLeft(), f.bottomLeft() + QPointF(k, 0));
  p.drawLine(f.bottomLeft(), f.bottomLeft() + QPointF(0, -k));
  p.drawLine(f.bottomRight(), f.bottomRight() + QPointF(-k, 0));
  p.drawLine(f.bottomRight(), f.bottomRight() + QPointF(0, -k));
}

void Lens(QPainter& p, const QPointF& ACentre, qreal ARadius) {
  p.setPen(QPen(QColor(20, 20, 20), 0.8));
  p.setBrush(QColor(60, 90, 160));
  p.drawEllipse(ACentre, ARadius, ARadius);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(230, 240, 255));
  p.drawEllipse(ACentre + QPointF(-ARadius * 0.35, -ARadius * 0.35), ARadius * 0.3, ARadius * 0.3);
}

void Fingerprint(QPainter& p, const QPointF& ACentre, const QColor& AColor) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(AColor, 0.9));
  for (int i = 0; i < 4; ++i) {
    const qreal w = 3 + 2.2 * i, h = 4 + 2.6 * i;
    p.drawArc(QRectF(ACentre.x() - w / 2, ACentre.y() - h / 2, w, h), 200 * 16, 300 * 16);
  }
}

QImage UnknownClock() {
  QImage image = NewImage(kSize, kSize);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(120, 120, 120), 1.2, Qt::DashLine));
  p.setBrush(QColor(225, 225, 225));
  p.drawRoundedRect(QRectF(5.5, 2.5, 21, 27), 4, 4);
  QFont font("Noto Sans");
  font.setPixelSize(20);
  font.setBold(true);
  p.setFont(font);
  p.setPen(QColor(110, 110, 110));
  p.drawText(QRectF(5, 3, 22, 27), Qt::AlignCenter, "?");
  return image;
}

// A card clock on a 32 x 32 grid: display on top, keypad below, the reader's mark at the bottom.
void PaintCardClock(QPainter& p, const QColor& ABody, const QColor& AGlow, const QColor& AKey,
                    int AColumns, const std::function<void(QPainter&)>& AMark) {
  Body(p, QRectF(4.5, 1.5, 23, 29), ABody);
  Display(p, QRectF(7.5, 4.5, 17, 6), AGlow);
  const qreal step = 4.2;
  const qreal width = AColumns * step;
  Keypad(p, 16 - width / 2, 13, AColumns, 3, step, AKey);
  if (AMark) AMark(p);
}

QImage CardClock(const QColor& ABody, const QColor& AGlow, const QColor& AKey, int AColumns,
                 const std::function<void(QPainter&)>& AMark) {
  QImage image = NewImage(kSize, kSize);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  PaintCardClock(p, ABody, AGlow, AKey, AColumns, AMark);
  return image;
}

// A face-recognition terminal: a tall screen with a camera above it.
QImage FaceTerminal(const QColor& ABody, const QColor& AScreen, bool AWide) {
  QImage image = NewImage(kSize, kSize);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF body = AWide ? QRectF(2.5, 2.5, 27, 27) : QRectF(6.5, 0.5, 19, 31);
  Body(p, body, ABody, 3.5);
  Lens(p, QPointF(body.center().x(), body.top() + 3.6), 1.8);
  const QRectF screen = AWide ? QRectF(5.5, 7.5, 21, 15) : QRectF(8.5, 7, 15, 17);
  p.setPen(QPen(QColor(20, 20, 20), 0.8));
  p.setBrush(AScreen);
  p.drawRect(screen);
  Face(p, screen, QColor(235, 240, 250));
  if (AWide) {
    Keypad(p, 8, 24.5, 4, 1, 4.2, QColor(210, 210, 210));
  } else {
    p.setPen(QPen(QColor(200, 200, 200), 1));
    p.drawLine(QPointF(13, 28), QPointF(19, 28));
  }
  return image;
}

QImage ModelPicture(int AClockType) {
  switch (AClockType) {
    case 0:
      return UnknownClock();
    case 1:  // MX4100: the older beige card clock with a magnetic card slot.
      return CardClock(QColor(214, 200, 160), QColor(120, 230, 120), QColor(90, 80, 60), 3,
                       [](QPainter& p) {
                         p.setPen(QPen(QColor(60, 50, 30), 1.4));
                         p.drawLine(QPointF(8, 27), QPointF(24, 27));
                       });
    case 2:  // KR-Tal: blue card clock with a proximity reader.
      return CardClock(QColor(70, 120, 200), QColor(140, 240, 160), QColor(230, 235, 245), 3,
                       [](QPainter& p) { Waves(p, QPointF(16, 29), QColor(255, 255, 255)); });
    case 3:  // Lumen: dark housing with a lamp beside its display.
      return CardClock(QColor(70, 70, 80), QColor(250, 210, 90), QColor(200, 200, 210), 3,
                       [](QPainter& p) {
                         p.setPen(Qt::NoPen);
                         QRadialGradient glow(QPointF(16, 27), 3.5);
                         glow.setColorAt(0, QColor(255, 240, 150));
                         glow.setColorAt(1, QColor(230, 160, 30));
                         p.setBrush(glow);
                         p.drawEllipse(QPointF(16, 27), 2.6, 2.6);
                       });
    case 4:  // KR-Corax: red card clock with a wide keypad.
      return CardClock(QColor(190, 60, 55), QColor(130, 240, 160), QColor(245, 230, 230), 4,
                       [](QPainter& p) { Waves(p, QPointF(16, 29), QColor(255, 230, 200)); });
    case 5:  // KR-Mira: face terminal.
      return FaceTerminal(QColor(50, 55, 65), QColor(40, 80, 140), false);
    case 6:  // KR-Optica: card clock with a finger print reader.
      return CardClock(QColor(40, 130, 120), QColor(140, 240, 200), QColor(220, 240, 235), 3,
                       [](QPainter& p) {
                         p.setPen(QPen(QColor(20, 60, 55), 0.8));
                         p.setBrush(QColor(170, 210, 230));
                         p.drawRoundedRect(QRectF(11.5, 24.5, 9, 5.5), 2, 2);
                         Fingerprint(p, QPointF(16, 27.2), QColor(40, 70, 110));
                       });
    case 7:  // KR-Mira120: the wider face terminal.
      return FaceTerminal(QColor(35, 35, 40), QColor(30, 110, 90), true);
    case 8:  // KR-Ember: orange card clock on the HDLC line.
      return CardClock(QColor(225, 125, 40), QColor(255, 230, 150), QColor(255, 245, 230), 3,
                       [](QPainter& p) {
                         p.setPen(Qt::NoPen);
                         p.setBrush(QColor(255, 240, 200));
                         QPainterPath flame;
                         flame.moveTo(16, 25);
                         flame.cubicTo(19, 27, 18, 30, 16, 30);
                         flame.cubicTo(14, 30, 13, 27, 16, 25);
                         p.drawPath(flame);
                       });
  }
  return UnknownClock();
}

// A small computer and a clock with bytes travelling between them; frame AFrame of AFrames.
QImage AnimationFrame(int AFrame, int AFrames, int AWidth, int AHeight) {
  QImage image(AWidth, AHeight, QImage::Format_ARGB32);
  image.fill(QColor(240, 240, 240));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // The computer.
  p.setPen(QPen(QColor(60, 60, 70), 1));
  p.setBrush(QColor(200, 205, 215));
  p.drawRoundedRect(QRectF(3.5, 5.5, 22, 16), 2, 2);
  p.setBrush(QColor(60, 110, 180));
  p.drawRect(QRectF(6.5, 8.5, 16, 10));
  p.setBrush(QColor(150, 155, 165));
  p.drawRect(QRectF(11.5, 21.5, 6, 3));
  p.drawRect(QRectF(7.5, 24.5, 14, 2));
  // The clock.
  QImage clock = ModelPicture(2);
  p.drawImage(QPointF(AWidth - 30, (AHeight - kSize) / 2.0), clock);
  // The line and the bytes on it: a bright packet goes out, the dim one comes back.
  const qreal left = 30, right = AWidth - 32, y = AHeight / 2.0;
  p.setPen(QPen(QColor(150, 150, 150), 1, Qt::DotLine));
  p.drawLine(QPointF(left, y), QPointF(right, y));
  const qreal span = right - left;
  const qreal t = static_cast<qreal>(AFrame) / AFrames;
  p.setPen(Qt::NoPen);
  for (int k = 0; k < 3; ++k) {
    const qreal pos = std::fmod(t + k / 9.0, 1.0);
    p.setBrush(QColor(30, 160, 60, 255 - k * 70));
    p.drawRoundedRect(QRectF(left + pos * span - 3, y - 5, 6, 4), 1, 1);
    const qreal back = std::fmod(1.0 - t + 0.5 + k / 9.0, 1.0);
    p.setBrush(QColor(200, 120, 30, 230 - k * 70));
    p.drawRoundedRect(QRectF(left + back * span - 3, y + 1.5, 6, 4), 1, 1);
  }
  return image;
}

QImage Glyph16(const std::function<void(QPainter&)>& ADraw) {
  QImage image = NewImage(16, 16);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  ADraw(p);
  return image;
}

void DrawGlyphs(const QString& AFolder) {
  // Detect: a magnifier.
  Save(Glyph16([](QPainter& p) {
         p.setPen(QPen(QColor(40, 80, 150), 2));
         p.setBrush(QColor(210, 230, 250));
         p.drawEllipse(QRectF(2, 2, 8.5, 8.5));
         p.setPen(QPen(QColor(90, 60, 30), 2.6, Qt::SolidLine, Qt::RoundCap));
         p.drawLine(QPointF(10, 10), QPointF(14, 14));
       }),
       AFolder, "detect.png");
  // Dump: records going down into a tray.
  Save(Glyph16([](QPainter& p) {
         p.setPen(QPen(QColor(60, 60, 60), 1.4));
         p.setBrush(Qt::NoBrush);
         QPainterPath tray;
         tray.moveTo(2, 10);
         tray.lineTo(2, 14);
         tray.lineTo(14, 14);
         tray.lineTo(14, 10);
         p.drawPath(tray);
         p.setPen(Qt::NoPen);
         p.setBrush(QColor(30, 140, 60));
         QPainterPath arrow;
         arrow.moveTo(6, 1);
         arrow.lineTo(10, 1);
         arrow.lineTo(10, 6);
         arrow.lineTo(13, 6);
         arrow.lineTo(8, 11.5);
         arrow.lineTo(3, 6);
         arrow.lineTo(6, 6);
         arrow.closeSubpath();
         p.drawPath(arrow);
       }),
       AFolder, "dump.png");
  // Cancel: a red cross.
  Save(Glyph16([](QPainter& p) {
         p.setPen(QPen(QColor(200, 40, 40), 2.6, Qt::SolidLine, Qt::RoundCap));
         p.drawLine(QPointF(4, 4), QPointF(12, 12));
         p.drawLine(QPointF(12, 4), QPointF(4, 12));
       }),
       AFolder, "cancel.png");
  // Yes to all: two ticks.
  Save(Glyph16([](QPainter& p) {
         p.setPen(QPen(QColor(30, 140, 60), 1.8, Qt::SolidLine, Qt::RoundCap));
         p.drawPolyline(QPolygonF({QPointF(1, 8), QPointF(4, 11), QPointF(9, 4)}));
         p.drawPolyline(QPolygonF({QPointF(6, 9), QPointF(8.5, 12), QPointF(15, 4)}));
       }),
       AFolder, "yestoall.png");
  // No to all: two crosses.
  Save(Glyph16([](QPainter& p) {
         p.setPen(QPen(QColor(200, 40, 40), 1.6, Qt::SolidLine, Qt::RoundCap));
         p.drawLine(QPointF(1.5, 4), QPointF(7.5, 10));
         p.drawLine(QPointF(7.5, 4), QPointF(1.5, 10));
         p.drawLine(QPointF(8.5, 6), QPointF(14.5, 12));
         p.drawLine(QPointF(14.5, 6), QPointF(8.5, 12));
       }),
       AFolder, "notoall.png");
  // The dialing window's picture: a telephone handset over a modem.
  QImage phone = NewImage(kSize, kSize);
  {
    QPainter p(&phone);
    p.setRenderHint(QPainter::Antialiasing);
    Body(p, QRectF(3.5, 18.5, 25, 10), QColor(150, 155, 165), 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 220, 90));
    for (int i = 0; i < 4; ++i) p.drawEllipse(QPointF(8 + i * 4, 25), 1, 1);
    QPainterPath handset;
    handset.moveTo(4, 12);
    handset.cubicTo(4, 4, 28, 4, 28, 12);
    handset.lineTo(23, 14);
    handset.lineTo(22, 10);
    handset.cubicTo(19, 8, 13, 8, 10, 10);
    handset.lineTo(9, 14);
    handset.closeSubpath();
    p.setPen(QPen(QColor(20, 20, 20), 1));
    p.setBrush(QColor(50, 50, 60));
    p.drawPath(handset);
  }
  Save(phone, AFolder, "dialing.png");
}

// The program's icon, ASize pixels square: the blue card clock with a magnifier over its corner,
// the tool that looks for clocks. Drawn on the 32 x 32 grid of the other pictures and scaled, so
// that every size is drawn rather than resampled.
QImage ProgramIcon(int ASize) {
  QImage image = NewImage(ASize, ASize);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(ASize / static_cast<qreal>(kSize), ASize / static_cast<qreal>(kSize));
  p.save();
  p.translate(-2.5, 0);
  PaintCardClock(p, QColor(70, 120, 200), QColor(140, 240, 160), QColor(230, 235, 245), 3,
                 [](QPainter& q) { Waves(q, QPointF(16, 29), QColor(255, 255, 255)); });
  p.restore();
  p.setPen(QPen(QColor(90, 60, 30), 3.4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(25.5, 25.5), QPointF(30, 30));
  p.setPen(QPen(QColor(40, 40, 50), 1.8));
  p.setBrush(QColor(220, 235, 255, 190));
  p.drawEllipse(QPointF(21, 21), 6, 6);
  return image;
}

// The icon in the sizes of the desktop's icon theme: AFolder/<n>x<n>/apps/clockdiag.png.
bool DrawProgramIcons(const QString& AFolder) {
  bool written = true;
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString folder = QDir(AFolder).filePath(QStringLiteral("%1x%1/apps").arg(size));
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(QStringLiteral("clockdiag.png"));
    if (!ProgramIcon(size).save(path, "PNG")) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
      written = false;
    }
  }
  return written;
}

}  // namespace

int main(int argc, char* argv[]) {
  QGuiApplication app(argc, argv);
  // The build draws the program's icons: --icons FOLDER.
  if (argc == 3 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--icons"))
    return DrawProgramIcons(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  QDir().mkpath(folder);
  for (int type = 0; type < 9; ++type)
    Save(ModelPicture(type), folder, QStringLiteral("model%1.png").arg(type));

  // The busy animation: one strip of frames side by side.
  constexpr int kFrames = 12, kWidth = 120, kHeight = 32;
  QImage strip(kWidth * kFrames, kHeight, QImage::Format_ARGB32);
  {
    QPainter p(&strip);
    for (int i = 0; i < kFrames; ++i)
      p.drawImage(QPoint(i * kWidth, 0), AnimationFrame(i, kFrames, kWidth, kHeight));
  }
  Save(strip, folder, "busy.png");
  DrawGlyphs(folder);
  return 0;
}
