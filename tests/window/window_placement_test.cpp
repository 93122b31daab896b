// The window on screens of workshop laptops and desktops: it opens inside the usable area
// whatever it remembered, and keeps its place, splitter and RUN/STEP between starts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "window/main_window.h"
#include "window/window_memory.h"

namespace marloq {
namespace {

namespace fs = std::filesystem;

fs::path Scratch() {
  const fs::path d = fs::temp_directory_path() / ("marloq-placement-" + std::to_string(::getpid()));
  fs::create_directories(d);
  return d;
}

// An application on the offscreen platform with one screen of this size.
std::unique_ptr<QApplication> AppWithScreen(int width, int height) {
  const fs::path config = Scratch() / "screen.json";
  QFile f(QString::fromStdString(config.string()));
  EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(QStringLiteral(R"({"screens":[{"name":"s","x":0,"y":0,"width":%1,"height":%2}]})")
              .arg(width)
              .arg(height)
              .toUtf8());
  f.close();
  qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + config.c_str());
  static int argc = 1;
  static char name[] = "marloq";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QApplication>(argc, argv);
}

std::unique_ptr<QSettings> FreshSettings() {
  const QString file = QString::fromStdString((Scratch() / "marloq.conf").string());
  QFile::remove(file);
  return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

TEST(WindowPlacement, OpensInsideTheScreenWhateverItRemembered) {
  const struct {
    int width, height;
    std::optional<QRect> remembered;  // the client area it had last time
    bool maximized;
    bool restoredAsItWas;
  } cases[] = {
      {1280, 800, std::nullopt, false, false},
      {1366, 768, std::nullopt, false, false},
      {1920, 1080, std::nullopt, false, false},
      {1024, 600, std::nullopt, false, false},                // smaller than the window: made smaller
      {1920, 1080, QRect(100, 120, 1200, 800), false, true},  // on the screen: as it was
      {1280, 800, QRect(2500, 1500, 900, 597), false, false}, // off every screen: the rule
      {1280, 800, QRect(700, 500, 900, 597), false, false},   // partly off: moved in
      {1920, 1080, QRect(100, 120, 1200, 800), true, false},
  };
  for (const auto& c : cases) {
    const std::string where = std::to_string(c.width) + "x" + std::to_string(c.height) +
                              (c.remembered ? " remembered" : "") + (c.maximized ? " maximised" : "");
    auto app = AppWithScreen(c.width, c.height);
    auto settings = FreshSettings();
    TWindowMemory memory;
    memory.Geometry = c.remembered;
    memory.Maximized = c.maximized;
    SaveWindowMemory(*settings, memory);
    {
      TForm1 form(QStringList{"marloq"}, nullptr, settings.get());
      form.show();
      QApplication::processEvents();
      const QRect area = form.screen()->availableGeometry();
      EXPECT_EQ(area.size(), QSize(c.width, c.height)) << where;
      EXPECT_TRUE(area.contains(form.frameGeometry())) << where << ": the frame lies outside the screen";
      EXPECT_EQ(form.isMaximized(), c.maximized) << where;
      if (c.restoredAsItWas) {
        EXPECT_EQ(form.geometry(), *c.remembered) << where;
      }
      if (!c.remembered && c.width >= 1280) {
        EXPECT_EQ(form.size(), QSize(900, 597)) << where << ": fits as laid out";
      }
    }
    app.reset();
  }
}

TEST(WindowPlacement, KeepsPlaceSplitterAndStepModeBetweenStarts) {
  auto app = AppWithScreen(1920, 1080);
  auto settings = FreshSettings();
  const QRect place(200, 150, 1000, 700);
  QList<int> split;
  {
    TForm1 form(QStringList{"marloq"}, nullptr, settings.get());
    form.show();
    form.setGeometry(place);
    QApplication::processEvents();
    auto* splitter = form.findChild<QSplitter*>("Panel2");
    splitter->setSizes({500, 490});
    split = splitter->sizes();
    form.findChild<QPushButton*>("Step_Run")->click();
    form.close();
  }
  TForm1 again(QStringList{"marloq"}, nullptr, settings.get());
  again.show();
  QApplication::processEvents();
  EXPECT_EQ(again.geometry(), place);
  EXPECT_EQ(again.findChild<QSplitter*>("Panel2")->sizes(), split);
  EXPECT_EQ(again.findChild<QPushButton*>("Step_Run")->text(), "STEP");
  EXPECT_FALSE(again.Simulation().Run.RunMode);
}

}  // namespace
}  // namespace marloq
