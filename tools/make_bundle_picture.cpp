// Draws the preview's first picture, the bundle resource "if_k100.png": a
// soft two-colour cross-fade with a film strip, the application's own mark.
// make_bundle_picture PICTURE [ICON]: ICON, when named, is the desktop's
// 128 x 128 icon, the same picture centred on a transparent square.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  QGuiApplication app(argc, argv);
  QImage image(151, 113, QImage::Format_RGB32);
  QPainter p(&image);
  QLinearGradient fade(0, 0, image.width(), image.height());
  fade.setColorAt(0, QColor(32, 84, 160));
  fade.setColorAt(1, QColor(236, 150, 52));
  p.fillRect(image.rect(), fade);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(20, 20, 20, 200));
  p.drawRect(0, 0, image.width(), 14);
  p.drawRect(0, image.height() - 14, image.width(), 14);
  p.setBrush(QColor(240, 240, 240));
  for (int x = 6; x < image.width(); x += 16) {
    p.drawRect(x, 4, 8, 6);
    p.drawRect(x, image.height() - 10, 8, 6);
  }
  p.end();
  if (!image.save(QString::fromLocal8Bit(argv[1]), "PNG")) return 1;
  if (argc < 3) return 0;
  QImage icon(128, 128, QImage::Format_ARGB32);
  icon.fill(Qt::transparent);
  const QImage fitted = image.scaled(icon.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
  QPainter(&icon).drawImage((icon.width() - fitted.width()) / 2, (icon.height() - fitted.height()) / 2, fitted);
  return icon.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
}
