// Test helper: a controller on the simulated backend and a client that records every
// event it is handed, as lines like "arrival 0" or "data 7 3".
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hid/hid_device.h"
#include "hid/hid_device_controller.h"
#include "hid/simulated_hid_platform.h"

namespace marloq::test {

// A device with 65-byte reports, as the milling controller has.
inline TSimulatedDevice SimDevice(const std::string& product, uint16_t productId = 0x5750) {
  TSimulatedDevice definition;
  definition.ProductString = product;
  definition.Attributes = {0x0483, productId, 0x0200};
  definition.Preparsed.Caps = {1, 0xFF00, 65, 65, 0};
  return definition;
}

// Runs the event loop until done() or the time is up; true when done.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 2000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

inline void Pump() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

struct Client {
  THidDeviceController* controller = nullptr;
  std::vector<std::string> events;
  std::vector<THidDevice*> claimed;
  bool goOn = true;        // what Enumerate's handler answers
  bool claimOnEnumerate = false;

  int IndexOf(THidDevice* d) const { return controller ? controller->IndexOf(d) : -1; }
  void Arrival(THidDevice* d) { events.push_back("arrival " + std::to_string(IndexOf(d))); }
  void Removal(THidDevice* d) { events.push_back("removal " + std::to_string(IndexOf(d))); }
  void Change(THidDeviceController*) { events.push_back("change"); }
  void OtherChange(THidDeviceController*) { events.push_back("other change"); }
  bool Enumerated(THidDevice* d, int32_t idx) {
    events.push_back("enumerate " + std::to_string(idx));
    THidDevice* got = nullptr;
    if (claimOnEnumerate && controller->ClaimByIndex(idx, got)) claimed.push_back(got);
    (void)d;
    return goOn;
  }
  void Data(THidDevice*, uint8_t reportId, const uint8_t* data, uint16_t size) {
    events.push_back("data " + std::to_string(reportId) + " " + std::to_string(size) +
                     (size > 0 ? " " + std::to_string(data[0]) : ""));
  }
  void OtherData(THidDevice*, uint8_t, const uint8_t*, uint16_t) { events.push_back("other data"); }
  void DataError(THidDevice*, uint32_t error) { events.push_back("error " + std::to_string(error)); }
  void Unplugged(THidDevice* d) { events.push_back("unplug " + std::to_string(IndexOf(d))); }
};

struct HidFixture : testing::Test {
  std::unique_ptr<TSimulatedHidPlatform> platform = std::make_unique<TSimulatedHidPlatform>();
  std::unique_ptr<THidDeviceController> controller;
  Client client;

  // Creates the controller with the client's handlers, as the window's loader does.
  void Start(bool withChange = true) {
    controller = std::make_unique<THidDeviceController>(*platform);
    client.controller = controller.get();
    controller->OnArrival = THidPlugEvent::Of<&Client::Arrival>(&client);
    controller->OnRemoval = THidPlugEvent::Of<&Client::Removal>(&client);
    controller->OnEnumerate = THidEnumerateEvent::Of<&Client::Enumerated>(&client);
    if (withChange) controller->SetOnDeviceChange(THidNotifyEvent::Of<&Client::Change>(&client));
    controller->Loaded();
    Pump();
  }
  void TearDown() override {
    for (THidDevice* d : client.claimed) delete d;
    client.claimed.clear();
    controller.reset();
  }
  std::vector<std::string> TakeEvents() { return std::exchange(client.events, {}); }
  THidDevice* ClaimAt(int index) {
    THidDevice* d = nullptr;
    EXPECT_TRUE(controller->ClaimByIndex(index, d));
    if (d) client.claimed.push_back(d);
    return d;
  }
  void Release(THidDevice* d) {
    std::erase(client.claimed, d);
    delete d;
  }
};

using Events = std::vector<std::string>;

}  // namespace marloq::test
