// Screenshot: the real window on a real X display (Xvfb in CI) after a DRAW of an
// example; the screen must show the red band and the program text. Skips without X.
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <cstdio>
#include <cstdlib>

#include "view/main_window.h"

namespace {

constexpr int kSkipped = 77;

bool Reddish(QRgb p) { return qRed(p) > 180 && qGreen(p) < 80 && qBlue(p) < 80; }
bool Dark(QRgb p) { return qGray(p) < 100; }

int Count(const QImage& img, const QRect& area, bool (*test)(QRgb)) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += test(img.pixel(x, y));
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) {
    std::puts("skipped: no X display (run under xvfb-run)");
    return kSkipped;
  }
  qputenv("QT_QPA_PLATFORM", "xcb");
  QApplication app(argc, argv);
  const QString program = QStringLiteral(MARLOQ_SOURCE_DIR "/examples/contour.CNC");
  marloq::TForm1 form(QStringList{"marloq", program});
  form.move(0, 0);
  form.show();
  for (int i = 0; i < 50; ++i) {
    QApplication::processEvents();
    QThread::msleep(10);
  }
  form.findChild<QPushButton*>("LineButton")->click();
  for (int i = 0; i < 50; ++i) {
    QApplication::processEvents();
    QThread::msleep(10);
  }
  const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
  if (argc > 1) shot.save(QString::fromLocal8Bit(argv[1]));
  const QWidget* image1 = form.findChild<QWidget*>("Image1");
  const QWidget* memo1 = form.Editor()->viewport();
  const QRect canvas(image1->mapToGlobal(QPoint(0, 0)), image1->size());
  const QRect editor(memo1->mapToGlobal(QPoint(0, 0)), memo1->size());
  const int red = Count(shot, canvas & shot.rect(), Reddish);
  const int text = Count(shot, editor & shot.rect(), Dark);
  std::printf("red pixels on the drawing: %d, dark pixels in the editor: %d\n", red, text);
  const bool ok = red > 2000 && text > 200;
  std::printf("%d passed, %d failed\n", ok ? 1 : 0, ok ? 0 : 1);
  return ok ? 0 : 1;
}
