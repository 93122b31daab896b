// Picture files: the canvas written as a PNG, atomically, with the reason of any
// failure as a message.
#pragma once

#include <string>

class QImage;

namespace marloq {

// Saved whole (see file_saving.h): a failure leaves the old picture as it was.
bool SavePicture(const QImage& image, const std::string& path, std::string& error);

}  // namespace marloq
