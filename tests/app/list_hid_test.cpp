// HID listing on the simulated backend: one line per plugged-in device with what it says
// of itself, and a plain word when there is none.
#include "app/list_hid.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdio>
#include <string>

#include "hid/simulated_hid_platform.h"

namespace marloq {
namespace {

std::string Listing(THidPlatform& platform) {
  char* text = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&text, &size);
  ListHidDevices(platform, out);
  std::fclose(out);
  std::string s(text, size);
  std::free(text);
  return s;
}

TEST(ListHidDevices, OneLinePerDeviceOrNoneAtAll) {
  int argc = 1;
  char name[] = "list_hid_test";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  TSimulatedHidPlatform platform;
  EXPECT_EQ(Listing(platform), "no HID devices\n");
  TSimulatedDevice controller;
  controller.ProductString = "USB HID STM32F4";
  controller.Attributes = {0x0483, 0x5750, 0x0200};
  controller.Preparsed.Caps = {1, 0xFF00, 65, 65, 0};
  platform.Plug(controller);
  TSimulatedDevice locked = controller;
  locked.ProductString = "Gerät";
  locked.Opening = TSimulatedDevice::TOpening::QueryOnly;
  platform.Plug(locked);
  EXPECT_EQ(Listing(platform),
            "0  0483:5750  \"USB HID STM32F4\"  in 65  out 65  sim:hidraw0  read-write\n"
            "1  0483:5750  \"Gerät\"  in 65  out 65  sim:hidraw1  no access\n");
}

}  // namespace
}  // namespace marloq
