// Screenshot: the real window on a real X display (Xvfb in CI) after a DRAW of an
// example; the screen must show the red band and the program text. Then a transfer to
// a simulated controller, shot while it waits for an answer. Skips without X.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "hid/simulated_controller.h"
#include "window/main_window.h"
#include "window/program_editor.h"

namespace {

constexpr int kSkipped = 77;

bool Reddish(QRgb p) { return qRed(p) > 180 && qGreen(p) < 80 && qBlue(p) < 80; }
bool Dark(QRgb p) { return qGray(p) < 100; }

// A controller that answers the first three lines, then keeps the transfer waiting.
marloq::TSimulatedDevice SlowController() {
  marloq::TSimulatedDevice d = marloq::SimulatedControllerDevice();
  d.Answer = [n = 0](const marloq::THidReport&) mutable -> std::vector<marloq::THidReport> {
    if (++n > 3) return {};
    return {marloq::SimulatedControllerAnswer("ok " + std::to_string(n) + "\n")};
  };
  return d;
}

void Settle() {
  for (int i = 0; i < 50; ++i) {
    QApplication::processEvents();
    QThread::msleep(10);
  }
}

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
  marloq::TSimulatedHidPlatform link;
  link.Plug(SlowController());
  marloq::TForm1 form(QStringList{"marloq", program}, &link);
  form.move(0, 0);
  form.show();
  Settle();
  auto* draw = form.findChild<QPushButton*>("LineButton");
  draw->click();
  Settle();
  // A second DRAW in STEP mode, shot while it waits at the fifth move: the editor marks
  // the line, and the first run's time is still shown.
  form.findChild<QPushButton*>("Step_Run")->click();
  auto* next = form.findChild<QPushButton*>("FileButton");
  QImage shot;
  int waits = 0;
  bool pressing = false;
  QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &form, [&] {
    if (!form.Running() || next->text() != "NextPos" || pressing) return;
    pressing = true;
    QTimer::singleShot(++waits < 5 ? 0 : 500, [&] {
      pressing = false;
      if (waits < 5) return next->click();
      shot = QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, form.width(), form.height()).toImage();
      form.findChild<QPushButton*>("Stop1")->click();
    });
  });
  draw->click();
  Settle();
  if (argc > 1) shot.save(QString::fromLocal8Bit(argv[1]));
  const int markedLine = form.Editor()->RunLine();
  const QString time = form.findChild<QLabel*>("TimeLabel")->text();
  std::printf("marked line %d, \"%s\"\n", markedLine, qPrintable(time));
  const QWidget* image1 = form.findChild<QWidget*>("Image1");
  const QWidget* memo1 = form.Editor()->viewport();
  const QRect canvas(image1->mapToGlobal(QPoint(0, 0)), image1->size());
  const QRect editor(memo1->mapToGlobal(QPoint(0, 0)), memo1->size());
  const int red = Count(shot, canvas & shot.rect(), Reddish);
  const int text = Count(shot, editor & shot.rect(), Dark);
  std::printf("red pixels on the drawing: %d, dark pixels in the editor: %d\n", red, text);
  // The transfer: shot while the fourth line waits, then stopped.
  auto* cnc = form.findChild<QPushButton*>("Button_CNC");
  QString caption, progress;
  QTimer::singleShot(500, [&] {
    if (argc > 2)
      QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, form.width(), form.height()).save(QString::fromLocal8Bit(argv[2]));
    caption = cnc->text();
    progress = form.findChild<QProgressBar*>("ProgressBar1")->text();
    cnc->click();
  });
  cnc->click();
  std::printf("during the transfer: \"%s\", \"%s\"\n", qPrintable(caption), qPrintable(progress));
  const bool sent = caption == "STOP CNC" && progress.startsWith("line 4 of ") &&
                    form.Editor()->toPlainText().endsWith("ok 1\nok 2\nok 3\nError HID Line3\n");
  const bool ok = red > 2000 && text > 200 && sent && markedLine > 0 && time.startsWith("machining time ");
  std::printf("%d passed, %d failed\n", ok ? 1 : 0, ok ? 0 : 1);
  return ok ? 0 : 1;
}
