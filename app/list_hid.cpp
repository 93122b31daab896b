// HID listing: a controller's first rescan, then Enumerate with a handler that prints
// what each device says of itself (allowed while the handler runs).
#include "app/list_hid.h"

#include <QCoreApplication>
#include <QString>

#include "hid/hid_device.h"
#include "hid/hid_device_controller.h"

namespace marloq {

namespace {

struct TListing {
  std::FILE* Out;
  bool Print(THidDevice* d, int32_t index) {
    const THidAttributes& a = d->Attributes();
    const THidCaps caps = d->GetCapabilities();
    const QString product = QString::fromStdU16String(d->GetProductString());
    std::fprintf(Out, "%d  %04x:%04x  \"%s\"  in %u  out %u  %s  %s\n", index, a.VendorID, a.ProductID,
                 product.toUtf8().constData(), caps.InputReportByteLength, caps.OutputReportByteLength,
                 d->PnPInfo().DevicePath.c_str(), d->ReadWriteAccess() ? "read-write" : "no access");
    return true;
  }
};

}  // namespace

int ListHidDevices(THidPlatform& platform, std::FILE* out) {
  THidDeviceController controller(platform);
  TListing listing{out};
  controller.OnEnumerate = THidEnumerateEvent::Of<&TListing::Print>(&listing);
  controller.Loaded();
  QCoreApplication::processEvents();  // the queued first rescan
  const int count = controller.Enumerate();
  if (count == 0) std::fprintf(out, "no HID devices\n");
  return count;
}

}  // namespace marloq
