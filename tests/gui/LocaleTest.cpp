// The program under a decimal-comma locale (de_DE.UTF-8, set for this class by CTest): numbers
// in the view's texts, in files read and in files written are the same as under "C".

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QtTest>
#include <fstream>
#include <sstream>

#include "GuiTestSupport.h"
#include "scene/Contours.h"
#include "tests/support/GridWriters.h"
#include "tests/support/TempDir.h"
#include "view/ScreenTexts.h"

namespace torvane::fixtures {
namespace {

class LocaleTest : public QObject {
  Q_OBJECT

private slots:
  void initTestCase() {
    // The test means something only where the user's locale writes decimal commas.
    QCOMPARE(QLocale::system().decimalPoint(), QStringLiteral(","));
    mWindow = std::make_unique<MainWindow>();
    mWindow->setMessageHandler([](const QString&, const QString& text) {
      QFAIL(qPrintable(QStringLiteral("unexpected message: ") + text));
    });
  }

  void viewTextsUseDecimalPoints() {
    QVERIFY(mWindow->openElevation(demoFiles()));
    const Scene& scene = mWindow->scene();
    const std::string status = statusCentreText(scene.view, scene.grid);
    QVERIFY2(status.find("標高:0.000～") == 0, status.c_str());
    Ruler ruler;
    toggleStraightRuler(ruler);
    addRulerPoint(ruler, {0, 0, 100});
    addRulerPoint(ruler, {3, 4, 100});
    QCOMPARE(QString::fromStdString(rulerText(ruler, 2)), QStringLiteral("距離 5.000 (5.000) [2]"));
  }

  // A header as common tools write it, with 18 digits: read in full, not up to the point.
  void longDigitBilOpens() {
    fixtures::BilTile tile;
    tile.columns = tile.rows = 4;
    tile.samples.assign(16, 100);
    QVERIFY(fixtures::writeBil(mDir / "long.bil", tile));
    std::string header = fixtures::bilHeaderText(tile);
    for (const char* key : {"xdim           0.01", "ydim           0.01"}) {
      header.replace(header.find(key), std::string(key).size(),
                     std::string(key, 15) + "0.000277777777777778");
    }
    QVERIFY(fixtures::writeBytes(mDir / "long.hdr", header));
    QVERIFY(mWindow->openElevation({mDir / "long.bil"}));
    const ElevationGrid& grid = mWindow->scene().grid;
    QCOMPARE(grid.lonMax - grid.lonMin, 3 * 0.000277777777777778);
  }

  void longDigitBlnAddsEveryMark() {
    QVERIFY(mWindow->openElevation(demoFiles()));
    std::ostringstream bln;
    for (int i = 0; i < 10; ++i) {
      bln << "35.0083333333333" << i << ",139.004613737373" << i << ",M" << i << "\n";
    }
    QVERIFY(fixtures::writeBytes(mDir / "marks.bln", bln.str()));
    QVERIFY(mWindow->addLineFiles({mDir / "marks.bln"}));
    QCOMPARE(mWindow->scene().overlays.groupPointCount(0), 10u);
  }

  void geoJsonExportIsValidJson() {
    Scene& scene = mWindow->scene();
    QVERIFY(mWindow->openElevation(demoFiles()));
    QVERIFY(buildContourSet(scene, 1, 300));
    WriteError error;
    QVERIFY(exportContourGeoJson(scene, mDir / "c.geojson", false, &error));
    std::ifstream in(mDir / "c.geojson");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &parse);
    QVERIFY2(parse.error == QJsonParseError::NoError, qPrintable(parse.errorString()));
    const QJsonArray lines = doc["features"][0]["geometry"]["coordinates"].toArray();
    QVERIFY(!lines.isEmpty());
    const QJsonArray point = lines[0].toArray()[0].toArray();
    QCOMPARE(point.size(), 2);
    QVERIFY(point[0].toDouble() > 139 && point[0].toDouble() < 139.1);
  }

  // The program itself resets the number format: its render is the same in both locales.
  void renderIsTheSameUnderEveryLocale() {
    QByteArray images[2];
    const char* locales[] = {"C.UTF-8", "de_DE.UTF-8"};
    for (int i = 0; i < 2; ++i) {
      const QString out =
          QString::fromStdString((mDir / ("render-" + std::to_string(i) + ".png")).string());
      QProcess program;
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert(QStringLiteral("LANG"), QLatin1String(locales[i]));
      env.insert(QStringLiteral("LC_ALL"), QLatin1String(locales[i]));
      program.setProcessEnvironment(env);
      QStringList args{QStringLiteral("--render")};
      for (const auto& f : demoFiles()) {
        args << QString::fromStdString(f.string());
      }
      args << QStringLiteral("--output") << out << QStringLiteral("--size")
           << QStringLiteral("400x300");
      program.start(QStringLiteral(TORVANE_PROGRAM), args);
      QVERIFY(program.waitForFinished(120000));
      QCOMPARE(program.exitCode(), 0);
      QFile file(out);
      QVERIFY(file.open(QIODevice::ReadOnly));
      images[i] = file.readAll();
    }
    QVERIFY(!images[0].isEmpty());
    QVERIFY(images[0] == images[1]);
  }

  void cleanupTestCase() { mWindow.reset(); }

private:
  fixtures::TempDir mDir;
  std::unique_ptr<MainWindow> mWindow;
};

}  // namespace

const GuiTestClass<LocaleTest> kLocaleTest("LocaleTest");

}  // namespace torvane::fixtures

#include "LocaleTest.moc"
