// Picture files: QSaveFile writes beside the target and renames on commit.
#include "simulation/picture_file.h"

#include <QImage>
#include <QSaveFile>

namespace marloq {

bool SavePicture(const QImage& image, const std::string& path, std::string& error) {
  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly)) {
    error = "cannot write " + path + ": " + file.errorString().toStdString();
    return false;
  }
  if (!image.save(&file, "PNG")) {
    file.cancelWriting();
    error = "cannot write " + path + ": " + file.errorString().toStdString();
    return false;
  }
  if (!file.commit()) {
    error = "cannot write " + path + ": " + file.errorString().toStdString();
    return false;
  }
  return true;
}

}  // namespace marloq
