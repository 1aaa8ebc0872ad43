#include "gui/dialogs/HueCircleDialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtMath>
#include <qdrawutil.h>

#include "gui/CommandTargets.h"
#include "gui/ColourRef.h"
#include "gui/MainWindow.h"
#include "gui/QtText.h"
#include "gui/dialogs/DialogFont.h"
#include "resources/Texts.h"
#include "terrain/Hls.h"

namespace torvane {

namespace {

// A button that shows a colour: the colour inset by 4 pixels, inside a raised edge that is
// sunken while the button is pressed.
class ColourButton : public QPushButton {
public:
  explicit ColourButton(QWidget* parent) : QPushButton(parent) {}
  void setColour(const QColor& colour) {
    mColour = colour;
    update();
  }

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect().adjusted(4, 4, -4, -4), mColour);
    qDrawWinPanel(&painter, rect(), palette(), isDown());
  }

private:
  QColor mColour;
};

// The picture of the hue circle: the 240 hues around a ring, hue 0 (red) at the top, hues
// increasing counter-clockwise, as the colour spans are walked.
QPixmap hueCirclePicture(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF outer(2, 2, size - 4, size - 4);
  for (int hue = 0; hue < kHlsMax; ++hue) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(fromColorRef(hueCircleColour(hue)));
    // Qt angles are in 1/16 degree, counter-clockwise from three o'clock.
    const int start = qRound((90 + hue * 1.5 - 0.75) * 16);
    painter.drawPie(outer, start, qRound(1.6 * 16));
  }
  painter.setBrush(QColor(0xF0, 0xF0, 0xF0));
  const qreal hole = size * 0.3;
  painter.drawEllipse(outer.center(), hole, hole);
  return pixmap;
}

QColor chooseWithSystemChooser(const QColor& initial, QWidget* parent) {
  for (int slot = 0; slot < QColorDialog::customCount(); ++slot) {
    QColorDialog::setCustomColor(slot, Qt::white);
  }
  return QColorDialog::getColor(initial, parent);
}

}  // namespace

HueCircleDialog::HueCircleDialog(const HueCircleParameters& setting, QWidget* parent)
    : QDialog(parent),
      mStartHue(setting.startHue),
      mEndHue(setting.endHue),
      mChooser(chooseWithSystemChooser) {
  setWindowTitle(QStringLiteral("色相環"));
  setFont(dialogFont(true));

  auto* picture = new QLabel(this);
  picture->setPixmap(hueCirclePicture(112));
  picture->setAlignment(Qt::AlignCenter);
  auto* values = new QLabel(QStringLiteral("明度=120  彩度=240"), this);
  values->setAlignment(Qt::AlignCenter);

  auto* start = new ColourButton(this);
  start->setColour(fromColorRef(hueCircleColour(mStartHue)));
  auto* end = new ColourButton(this);
  end->setColour(fromColorRef(hueCircleColour(mEndHue)));
  mStart = start;
  mEnd = end;
  for (QPushButton* button : {mStart, mEnd}) {
    button->setAutoDefault(false);
    button->setMinimumHeight(dialogUnits(font(), 0, 14).height());
  }
  connect(mStart, &QPushButton::clicked, this, [this] { choose(true); });
  connect(mEnd, &QPushButton::clicked, this, [this] { choose(false); });

  mDirection = new QComboBox(this);
  mDirection->addItem(qtext(kTextClockwise));
  mDirection->addItem(qtext(kTextCounterClockwise));
  mDirection->setCurrentIndex(setting.direction ? 1 : 0);

  auto* form = new QGridLayout;
  form->addWidget(new QLabel(QStringLiteral("始色相:"), this), 0, 0);
  form->addWidget(mStart, 0, 1);
  form->addWidget(new QLabel(QStringLiteral("終色相:"), this), 1, 0);
  form->addWidget(mEnd, 1, 1);
  form->addWidget(new QLabel(QStringLiteral("回り:"), this), 2, 0);
  form->addWidget(mDirection, 2, 1);

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(picture);
  layout->addWidget(values);
  layout->addLayout(form);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

HueCircleParameters HueCircleDialog::setting() const {
  return {mDirection->currentIndex() != 0, mStartHue, mEndHue};
}

void HueCircleDialog::choose(bool start) {
  int& hue = start ? mStartHue : mEndHue;
  const QColor chosen = mChooser(fromColorRef(hueCircleColour(hue)), this);
  if (!chosen.isValid()) {
    return;
  }
  hue = hueOfColour(toColorRef(chosen));
  static_cast<ColourButton*>(start ? mStart : mEnd)->setColour(fromColorRef(hueCircleColour(hue)));
  update();
}

bool showHueCircleDialog(MainWindow& window, HueCircleParameters& setting) {
  HueCircleDialog dialog(setting, &window);
  if (dialog.exec() != QDialog::Accepted) {
    return false;
  }
  setting = dialog.setting();
  return true;
}

}  // namespace torvane
