// The filtered program the interpreter reads: made once per load and never changed, so
// copies of the interpreter's state (a pass on another core) share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace marloq {

class TProgramText {
 public:
  TProgramText() = default;
  explicit TProgramText(std::vector<uint8_t> bytes)
      : bytes_(std::make_shared<const std::vector<uint8_t>>(std::move(bytes))),
        data_(bytes_->data()),
        size_(bytes_->size()) {}

  const uint8_t& operator[](size_t i) const { return data_[i]; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const uint8_t* data() const { return data_; }
  const uint8_t* begin() const { return data_; }
  const uint8_t* end() const { return data_ + size_; }

 private:
  std::shared_ptr<const std::vector<uint8_t>> bytes_;
  const uint8_t* data_ = nullptr;  // bytes_'s, read on every character
  size_t size_ = 0;
};

}  // namespace marloq
