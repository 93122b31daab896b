// Window memory: plain keys of the desktop's settings file (~/.config/marloq/marloq.conf),
// read leniently: a key that is missing or of the wrong kind leaves its default.
#include "window/window_memory.h"

namespace marloq {

namespace {

const QString kGeometry = QStringLiteral("window/geometry");
const QString kMaximized = QStringLiteral("window/maximized");
const QString kEditorShare = QStringLiteral("window/editorShare");
const QString kStepMode = QStringLiteral("run/step");
const QString kRecentFiles = QStringLiteral("files/recent");

}  // namespace

TWindowMemory LoadWindowMemory(QSettings& settings) {
  TWindowMemory m;
  const QRect geometry = settings.value(kGeometry).toRect();
  if (geometry.isValid()) m.Geometry = geometry;
  m.Maximized = settings.value(kMaximized, false).toBool();
  bool number = false;
  const double share = settings.value(kEditorShare).toDouble(&number);
  if (number && share > 0 && share < 1) m.EditorShare = share;
  m.StepMode = settings.value(kStepMode, false).toBool();
  for (const QString& path : settings.value(kRecentFiles).toStringList())
    if (!path.isEmpty() && m.RecentFiles.size() < kMaxRecentFiles) m.RecentFiles << path;
  return m;
}

void SaveWindowMemory(QSettings& settings, const TWindowMemory& m) {
  if (m.Geometry) settings.setValue(kGeometry, *m.Geometry);
  settings.setValue(kMaximized, m.Maximized);
  if (m.EditorShare) settings.setValue(kEditorShare, *m.EditorShare);
  settings.setValue(kStepMode, m.StepMode);
  SaveRecentFiles(settings, m.RecentFiles);
}

void SaveRecentFiles(QSettings& settings, const QStringList& recent) {
  settings.setValue(kRecentFiles, recent);
  settings.sync();
}

void RememberRecent(QStringList& recent, const QString& path) {
  recent.removeAll(path);
  recent.prepend(path);
  while (recent.size() > kMaxRecentFiles) recent.removeLast();
}

}  // namespace marloq
