// Program drops: a .CNC file dragged onto the window, the drawing and the editor
// included, is handed to the window to open, and never lands in the editor as text.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QMimeData;

namespace marloq {

// The local path of the one .CNC file (the extension in any case) a drag carries; empty
// for anything else, which goes its usual way.
QString DroppedProgram(const QMimeData& data);

// An event filter for the window and each of its controls that takes drops.
class TProgramDrop : public QObject {
 public:
  explicit TProgramDrop(QObject* parent) : QObject(parent) {}

  std::function<bool()> Accepting;           // false: a program drop is refused
  std::function<void(const QString&)> Open;  // the dropped program, once the drop is over

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace marloq
