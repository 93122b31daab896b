// Picture files: the canvas written as a PNG, atomically, with the reason of any
// failure as a message.
#pragma once

#include <string>

class QImage;

namespace marloq {

// Written beside the target and renamed over it, so a picture is whole or absent.
bool SavePicture(const QImage& image, const std::string& path, std::string& error);

}  // namespace marloq
