// HID events: handlers bound to an object, possibly empty, told apart by their method
// alone; the handler types of the HID components; and their exception class.
#pragma once

#include <cstdint>
#include <stdexcept>

namespace marloq {

template <typename Signature>
class TEvent;

template <typename R, typename... A>
class TEvent<R(A...)> {
 public:
  TEvent() = default;

  // The usual handler: a method of the client, bound to the client.
  template <auto Method, typename C>
  static TEvent Of(C* object) {
    return TEvent(object, [](void* o, A... a) -> R { return (static_cast<C*>(o)->*Method)(a...); });
  }

  bool Assigned() const { return thunk_ != nullptr; }
  // Compares the method only, not the object bound to it.
  bool SameCallable(const TEvent& other) const { return thunk_ == other.thunk_; }
  R operator()(A... a) const { return thunk_(object_, a...); }

 private:
  TEvent(void* object, R (*thunk)(void*, A...)) : object_(object), thunk_(thunk) {}
  void* object_ = nullptr;
  R (*thunk_)(void*, A...) = nullptr;
};

class THidDevice;
class THidDeviceController;

using THidPlugEvent = TEvent<void(THidDevice* HidDev)>;
using THidEnumerateEvent = TEvent<bool(THidDevice* HidDev, int32_t Idx)>;  // true: go on
using THidDataEvent = TEvent<void(THidDevice* HidDev, uint8_t ReportID, const uint8_t* Data, uint16_t Size)>;
using THidDataErrorEvent = TEvent<void(THidDevice* HidDev, uint32_t Error)>;
using THidNotifyEvent = TEvent<void(THidDeviceController* Sender)>;

// Every failure of the HID components themselves, with a fixed English text.
class EControllerError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace marloq
