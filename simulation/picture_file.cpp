// Picture files: the canvas encoded as a PNG in memory, then saved whole.
#include "simulation/picture_file.h"

#include <QBuffer>
#include <QImage>

#include "simulation/file_saving.h"

namespace marloq {

bool SavePicture(const QImage& image, const std::string& path, std::string& error) {
  QByteArray png;
  QBuffer buffer(&png);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
    error = "cannot write " + path + ": the picture could not be encoded";
    return false;
  }
  return SaveFileWhole(path, std::string_view(png.constData(), static_cast<size_t>(png.size())), error);
}

}  // namespace marloq
