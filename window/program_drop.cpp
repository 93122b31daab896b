// Program drops: recognised by their data alone, so that a drop on any control of the
// window means the same; the opening waits until the drag has ended.
#include "window/program_drop.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace marloq {

QString DroppedProgram(const QMimeData& data) {
  const QList<QUrl> urls = data.urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return {};
  const QString path = urls.front().toLocalFile();
  return QFileInfo(path).suffix().compare(QLatin1String("cnc"), Qt::CaseInsensitive) == 0 ? path : QString();
}

bool TProgramDrop::eventFilter(QObject*, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  auto* drop = static_cast<QDropEvent*>(event);
  const QString path = DroppedProgram(*drop->mimeData());
  if (path.isEmpty()) return false;
  if (!Accepting()) {
    drop->ignore();
    return true;
  }
  drop->acceptProposedAction();
  // The save offer's dialogs must not run inside the drop: the program the file came
  // from waits for the drop's end meanwhile.
  if (type == QEvent::Drop) QTimer::singleShot(0, this, [this, path] { Open(path); });
  return true;
}

}  // namespace marloq
