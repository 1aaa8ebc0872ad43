#include "gui/Splash.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QSplashScreen>

#include "resources/Texts.h"

namespace torvane {

Splash::Splash() : mPicture(picture()) {}

Splash::~Splash() = default;

QPixmap Splash::picture() {
  QPixmap pixmap(480, 150);
  QPainter painter(&pixmap);
  QLinearGradient sky(0, 0, 0, 150);
  sky.setColorAt(0, QColor(0x20, 0x30, 0x58));
  sky.setColorAt(1, QColor(0x40, 0x40, 0x40));
  painter.fillRect(pixmap.rect(), sky);
  // A ridge line over the background, then the program name.
  painter.setRenderHint(QPainter::Antialiasing);
  QPolygonF ridge;
  ridge << QPointF(0, 150) << QPointF(0, 120) << QPointF(90, 95) << QPointF(160, 110)
        << QPointF(250, 60) << QPointF(330, 100) << QPointF(400, 85) << QPointF(480, 112)
        << QPointF(480, 150);
  painter.setPen(QPen(QColor(0x60, 0xA0, 0x60), 2));
  painter.setBrush(QColor(0x30, 0x50, 0x30));
  painter.drawPolygon(ridge);
  QFont font;
  font.setPixelSize(44);
  font.setBold(true);
  font.setItalic(true);
  painter.setFont(font);
  painter.setPen(Qt::white);
  const std::string_view name = programName();
  painter.drawText(QRect(0, 10, 480, 80), Qt::AlignCenter,
                   QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  return pixmap;
}

QWidget* Splash::show() {
  mWindow.reset();
  if (mPicture.isNull()) {
    return nullptr;
  }
  auto splash = std::make_unique<QSplashScreen>(mPicture, Qt::WindowStaysOnTopHint);
  splash->setCursor(Qt::WaitCursor);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    splash->move(area.x() + (area.width() - mPicture.width()) / 2,
                 area.y() + (area.height() - mPicture.height()) / 2);
  }
  splash->show();
  splash->repaint();  // no event loop runs while the project loads
  mWindow = std::move(splash);
  return mWindow.get();
}

bool Splash::close() {
  if (!mWindow) {
    return false;
  }
  mWindow->close();
  mWindow.reset();
  return true;
}

void Splash::freePicture() { mPicture = QPixmap(); }

QWidget* Splash::window() const { return mWindow.get(); }

}  // namespace torvane
