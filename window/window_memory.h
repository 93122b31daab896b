// Window memory: what the main window keeps between starts in the desktop's settings
// (its place and size, the splitter, RUN or STEP, the programs opened last).
#pragma once

#include <QRect>
#include <QSettings>
#include <QStringList>
#include <optional>

namespace marloq {

struct TWindowMemory {
  std::optional<QRect> Geometry;  // the window's client area, not maximised, in screen pixels
  bool Maximized = false;
  std::optional<double> EditorShare;  // of the widths of the drawing and the editor
  bool StepMode = false;          // Step_Run read "STEP"
  QStringList RecentFiles;        // full paths, the latest first
};

inline constexpr int kMaxRecentFiles = 10;

TWindowMemory LoadWindowMemory(QSettings& settings);
void SaveWindowMemory(QSettings& settings, const TWindowMemory& memory);
// The recent programs alone, as they change with every program opened.
void SaveRecentFiles(QSettings& settings, const QStringList& recent);

// `path` first, once, and at most kMaxRecentFiles in all.
void RememberRecent(QStringList& recent, const QString& path);

}  // namespace marloq
