#include "gui/dialogs/CrossSectionDialog.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/CommandTargets.h"
#include "gui/HeadlessRender.h"
#include "gui/MainWindow.h"
#include "gui/QtText.h"
#include "gui/dialogs/DialogFont.h"
#include "render/RenderContext.h"
#include "resources/Texts.h"

namespace torvane {

namespace {

QColor argb(QRgb value) { return QColor::fromRgba(value); }

QPen pen(QRgb colour, qreal width, Qt::PenStyle style = Qt::SolidLine) {
  QPen p(argb(colour), width, style);
  return p;
}

// Draws `text` with its top at y, starting at x (near) or ending at x (far).
void drawCaption(QPainter& painter, int x, int y, bool far, const std::string& text, QRgb colour) {
  painter.setPen(argb(colour));
  const Qt::Alignment align = (far ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop;
  painter.drawText(QRectF(x, y, 0, 0), static_cast<int>(align | Qt::TextDontClip),
                   QString::fromStdString(text));
}

// The graph's place in the window: 398 x 228 dialog units.
class ProfileGraph : public QWidget {
public:
  ProfileGraph(const CrossSection& cs, QWidget* parent) : QWidget(parent), mSection(cs) {
    setFixedSize(dialogUnits(parent->font(), 398, 228));
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

protected:
  void paintEvent(QPaintEvent*) override {
    // The whole graph is drawn into an image first, so the window never shows half of it.
    QPainter painter(this);
    painter.drawImage(0, 0, paintProfile(mSection, size()));
  }

private:
  const CrossSection& mSection;
};

}  // namespace

QImage paintProfile(const CrossSection& cs, QSize size) {
  QImage image(size, QImage::Format_ARGB32);
  image.fill(0xFF000000);
  if (cs.pixels.size() != cs.samples.size() || cs.samples.empty()) {
    return image;
  }
  QPainter painter(&image);
  painter.setClipRect(image.rect());
  painter.setRenderHint(QPainter::Antialiasing);

  const auto point = [](const ProfilePixel& p) { return QPoint(p.x, p.y); };
  const ProfilePixel& first = cs.pixels.front();
  const ProfilePixel& last = cs.pixels.back();
  // A 1-pixel line through pixel centres, so that it covers its row or column exactly rather
  // than blending half into each neighbour.
  const auto thinLine = [&painter](int x1, int y1, int x2, int y2) {
    painter.drawLine(QLineF(x1 + 0.5, y1 + 0.5, x2 + 0.5, y2 + 0.5));
  };

  // 1: the area under the profile, stronger at the lowest sample's level.
  QPolygon polygon;
  for (const ProfilePixel& p : cs.polygon) {
    polygon << point(p);
  }
  const int lowY = cs.pixels[static_cast<size_t>(cs.minIndex)].y;
  const int highY = cs.pixels[static_cast<size_t>(cs.maxIndex)].y;
  painter.setPen(Qt::NoPen);
  if (lowY != highY) {
    QLinearGradient gradient(0, lowY, 0, highY);
    gradient.setColorAt(0, argb(0x60FF8000));
    gradient.setColorAt(1, argb(0x20FF8000));
    gradient.setSpread(QGradient::RepeatSpread);
    painter.setBrush(gradient);
  } else {
    painter.setBrush(argb(0x60FF8000));  // a flat profile has no gradient direction
  }
  painter.drawPolygon(polygon, Qt::OddEvenFill);
  painter.setBrush(Qt::NoBrush);

  // 2: the ruler points.
  painter.setPen(pen(0xFFFF8000, 1, Qt::DashLine));
  for (size_t i = 0; i < cs.samples.size(); ++i) {
    if (cs.samples[i].isVertex) {
      thinLine(cs.pixels[i].x, cs.pixels[i].y, cs.pixels[i].x, cs.baseY);
    }
  }
  // 3: baseline; 4: the profile; 5: the mean height.
  painter.setPen(pen(0xFF808080, 1));
  thinLine(first.x, cs.baseY, last.x, cs.baseY);
  QPolygon profile;
  for (const ProfilePixel& p : cs.pixels) {
    profile << point(p);
  }
  painter.setPen(pen(0xFFFFFFFF, 2));
  painter.drawPolyline(profile);
  painter.setPen(pen(0xFFFFFF00, 1, Qt::DashLine));
  thinLine(first.x, cs.meanPixelY, last.x, cs.meanPixelY);
  // 6, 7: the lowest and highest samples.
  const auto marker = [&](int index, QRgb colour) {
    const ProfilePixel& p = cs.pixels[static_cast<size_t>(index)];
    painter.setPen(pen(colour, 2));
    painter.drawEllipse(QRect(p.x - 1, p.y - 1, 2, 2));
  };
  marker(cs.minIndex, 0xFF00FFFF);
  marker(cs.maxIndex, 0xFF00FF00);
  // 8: the sea level, where it lies within the profile.
  if (cs.showsSeaLevel()) {
    painter.setPen(pen(0xFF0000FF, 1, Qt::DashLine));
    thinLine(first.x, cs.seaPixelY, last.x, cs.seaPixelY);
  }

  // 9: the statistics in two columns whose numbers line up.
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setFont(RenderContext::screenFont(12));
  const int mid = size.width() / 2;
  const int right = profileColumnWidth(cs.area, cs.surfaceLength);
  const int left = profileColumnWidth(cs.maxH, cs.minH);
  struct Caption {
    bool far;  // the left column ends at its anchor
    int y;
    int label;
    double value;
    QRgb colour;
  };
  const Caption captions[] = {
      {false, 20, kTextProfileSurface, cs.surfaceLength, 0xFFFFFFFF},
      {false, 40, kTextProfilePlane, cs.planeLength, 0xFFC0C0C0},
      {false, 60, kTextProfileArea, cs.area, 0xFFFF8000},
      {true, 20, kTextProfileMaxH, cs.maxH, 0xFF00FF00},
      {true, 40, kTextProfileMinH, cs.minH, 0xFF00FFFF},
      {true, 60, kTextProfileMeanH, cs.meanH, 0xFFFFFF00},
  };
  for (const Caption& c : captions) {
    drawCaption(painter, c.far ? mid - 20 : mid + 20, c.y, c.far,
                profileCaption(text(c.label), c.value, c.far ? left : right), c.colour);
  }
  return image;
}

CrossSectionDialog::CrossSectionDialog(const Ruler& ruler, const ElevationGrid& grid,
                                       HeightAt heightAt, double seaLevel, QWidget* parent)
    : QDialog(parent), mRuler(ruler), mGrid(grid), mHeightAt(std::move(heightAt)) {
  setWindowTitle(QStringLiteral("断面"));
  setFont(dialogFont(false));
  mSection.seaLevel = seaLevel;

  mGraph = new ProfileGraph(mSection, this);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  const QSize margin = dialogUnits(font(), 7, 7);
  layout->setContentsMargins(margin.width(), margin.height(), margin.width(), margin.height());
  layout->addWidget(mGraph);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  mMenu = new QMenu(this);
  const auto add = [this](int id, const QString& label) {
    QAction* action = mMenu->addAction(label);
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] { runMenuItem(id); });
    return action;
  };
  add(kInterpolateId, QStringLiteral("補間"))->setCheckable(true);
  mMenu->addSeparator();
  auto* ratios = new QActionGroup(mMenu);
  for (size_t i = 0; i < kProfileRatios.size(); ++i) {
    QAction* action =
        add(kRatioFirstId + static_cast<int>(i), QString::fromUtf8(kProfileRatios[i].label));
    action->setCheckable(true);
    ratios->addAction(action);
  }
  mMenu->addSeparator();
  add(kSavePngId, QStringLiteral("グラフをPNGで保存..."));
  add(kSaveCsvId, QStringLiteral("断面データをCSVで保存..."));

  recompute();
}

QAction* CrossSectionDialog::menuAction(int id) const {
  for (QAction* action : mMenu->actions()) {
    if (action->data().toInt() == id && !action->isSeparator()) {
      return action;
    }
  }
  return nullptr;
}

QImage CrossSectionDialog::graphImage() const { return paintProfile(mSection, mGraph->size()); }

void CrossSectionDialog::recompute() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  computeProfile(mSection, mRuler, mSection.interpolate ? kProfileDivisions : 1, mHeightAt);
  QApplication::restoreOverrideCursor();
  relayout();
}

void CrossSectionDialog::relayout() {
  layoutProfile(mSection, {0, 0, mGraph->width(), mGraph->height()});
  menuAction(kInterpolateId)->setChecked(mSection.interpolate);
  menuAction(kRatioFirstId + mSection.ratioItem)->setChecked(true);
  mGraph->update();
}

void CrossSectionDialog::setInterpolate(bool on) {
  mSection.interpolate = on;
  recompute();
}

void CrossSectionDialog::setRatioItem(int item) {
  if (item < 0 || item >= static_cast<int>(kProfileRatios.size())) {
    return;
  }
  mSection.ratioItem = item;
  relayout();
}

void CrossSectionDialog::runMenuItem(int id) {
  if (id == kInterpolateId) {
    setInterpolate(!mSection.interpolate);
  } else if (id >= kRatioFirstId && id < kRatioFirstId + static_cast<int>(kProfileRatios.size())) {
    setRatioItem(id - kRatioFirstId);
  } else if (id == kSavePngId || id == kSaveCsvId) {
    askAndSave(id == kSavePngId);
  }
}

void CrossSectionDialog::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    // Show the marks as they are (Qt may have moved one when an item was chosen earlier).
    relayout();
    mMenu->exec(event->globalPosition().toPoint());
    return;
  }
  QDialog::mouseReleaseEvent(event);
}

bool CrossSectionDialog::saveGraph(const std::filesystem::path& path, QString& error) const {
  WriteError failure;
  if (!saveImage(graphImage(), path, WriteGuard{mInputs}, failure)) {
    error = QString::fromStdString(failure.localMessage());
    return false;
  }
  return true;
}

bool CrossSectionDialog::saveSamples(const std::filesystem::path& path, QString& error) const {
  WriteError failure;
  if (!writeFileAtomically(path, profileCsv(mSection, mGrid), WriteGuard{mInputs}, &failure)) {
    error = QString::fromStdString(failure.localMessage());
    return false;
  }
  return true;
}

void CrossSectionDialog::askAndSave(bool png) {
  const QString title =
      png ? QStringLiteral("グラフをPNGで保存") : QStringLiteral("断面データをCSVで保存");
  QFileDialog dialog(this, title, QDir::currentPath());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(png ? QStringLiteral("PNG(*.png)") : QStringLiteral("CSV(*.csv)"));
  dialog.setDefaultSuffix(png ? QStringLiteral("png") : QStringLiteral("csv"));
  dialog.selectFile(png ? QStringLiteral("断面.png") : QStringLiteral("断面.csv"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return;
  }
  const std::filesystem::path path = dialog.selectedFiles().front().toStdString();
  QString error;
  if (!(png ? saveGraph(path, error) : saveSamples(path, error))) {
    QMessageBox::critical(this, title, qtext(kTextSaveFailed) + QLatin1Char('\n') + error);
  }
}

void showCrossSectionDialog(MainWindow& window) {
  Scene& scene = window.scene();
  CrossSectionDialog dialog(scene.ruler, scene.grid, terrainHeightAt(scene.grid, scene.mesh),
                            EffectiveSeaLevel(scene.view, scene.grid), &window);
  dialog.setInputFiles(inputFiles(scene));
  dialog.exec();
}

}  // namespace torvane
