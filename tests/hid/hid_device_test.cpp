// HID device and reading thread on the simulated backend: sleep times, reports reaching
// the data handler, release and replacement, unplugging, and a device that vanishes.
#include "hid/hid_device.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "hid/hid_device_controller.h"
#include "tests/hid/hid_fixture.h"

namespace marloq {
namespace {

using test::Client;
using test::Events;
using test::HidFixture;
using test::Pump;
using test::PumpUntil;
using test::SimDevice;

struct DeviceTest : HidFixture {
  int id = -1;
  // One device, plugged in and claimed by the client with its data handler.
  THidDevice* Claimed(TSimulatedDevice definition = SimDevice("USB HID STM32F4")) {
    id = platform->Plug(std::move(definition));
    Start();
    controller->SetOnDeviceData(THidDataEvent::Of<&Client::Data>(&client));
    controller->SetOnDeviceDataError(THidDataErrorEvent::Of<&Client::DataError>(&client));
    controller->SetOnDeviceUnplug(THidPlugEvent::Of<&Client::Unplugged>(&client));
    THidDevice* d = ClaimAt(0);
    // The reading thread opens its handle on its first read; reports sent before that
    // would reach no reader.
    EXPECT_TRUE(PumpUntil([&] { return platform->Readers(id) > 0; }));
    TakeEvents();
    return d;
  }
};

TEST_F(DeviceTest, SleepTimeTakesTenToTenThousandMilliseconds) {
  THidDevice* d = Claimed();
  const int32_t cases[][2] = {{9, 100}, {10, 10}, {10000, 10000}, {10001, 10000}, {-5, 10000}};
  for (const auto& c : cases) {
    d->SetSleepTime(c[0]);
    EXPECT_EQ(d->SleepTime(), c[1]) << c[0];
  }
}

TEST_F(DeviceTest, ReportsReachTheDataHandlerAsReportIdAndTheBytesAfterIt) {
  THidDevice* d = Claimed();
  ASSERT_TRUE(d->HasReadThread());
  platform->SendInput(id, {7, 42, 43});
  ASSERT_TRUE(PumpUntil([&] { return !client.events.empty(); }));
  EXPECT_EQ(TakeEvents(), (Events{"data 7 2 42"}));
  platform->SendInput(id, {0});
  ASSERT_TRUE(PumpUntil([&] { return !client.events.empty(); }));
  EXPECT_EQ(TakeEvents(), (Events{"data 0 0"})) << "a report ID alone";
  THidReport full(65, 0);
  full[1] = 'o';
  platform->SendInput(id, full);
  ASSERT_TRUE(PumpUntil([&] { return !client.events.empty(); }));
  EXPECT_EQ(TakeEvents(), (Events{"data 0 64 111"}));
}

TEST_F(DeviceTest, WritesGoOutWholeAndAnswersComeBack) {
  auto definition = SimDevice("USB HID STM32F4");
  definition.Answer = [](const THidReport& out) { return std::vector<THidReport>{{0, out[1]}}; };
  THidDevice* d = Claimed(definition);
  THidReport report(65, 0);
  report[1] = 'G';
  uint32_t written = 0;
  ASSERT_TRUE(d->WriteReport(report.data(), 65, written));
  EXPECT_EQ(written, 65u);
  EXPECT_EQ(platform->Written(id), std::vector<THidReport>{report});
  ASSERT_TRUE(PumpUntil([&] { return !client.events.empty(); }));
  EXPECT_EQ(TakeEvents(), (Events{"data 0 1 71"}));
}

TEST_F(DeviceTest, ReleaseLeavesAFreshUnclaimedObjectWithTheSameHandlersAndSleepTime) {
  THidDevice* d = Claimed();
  d->SetSleepTime(250);
  const uint32_t devInst = d->PnPInfo().DevInst;
  Release(d);
  ASSERT_EQ(controller->Devices().size(), 1u);
  THidDevice* fresh = controller->Devices()[0];
  EXPECT_NE(fresh, nullptr);
  EXPECT_FALSE(fresh->Claimed);
  EXPECT_FALSE(fresh->HasReadThread());
  EXPECT_EQ(fresh->PnPInfo().DevInst, devInst);
  EXPECT_EQ(fresh->SleepTime(), 250);
  EXPECT_TRUE(fresh->DataHandler.SameCallable(THidDataEvent::Of<&Client::Data>(&client)));
  EXPECT_TRUE(fresh->UnplugHandler.SameCallable(THidPlugEvent::Of<&Client::Unplugged>(&client)));
  THidDevice* again = ClaimAt(0);
  EXPECT_TRUE(again->HasReadThread()) << "claimable again, and reading";
}

TEST_F(DeviceTest, ReleaseOfADeviceThatCanNoLongerBeOpenedDropsItsPosition) {
  THidDevice* d = Claimed();
  platform->SetOpening(id, TSimulatedDevice::TOpening::Never);
  Release(d);
  EXPECT_TRUE(controller->Devices().empty());
}

TEST_F(DeviceTest, UnplugCallsItsHandlerOnceAndClosesEverything) {
  THidDevice* d = Claimed();
  d->Unplug();
  d->Unplug();
  EXPECT_EQ(TakeEvents(), (Events{"unplug 0"}));
  EXPECT_FALSE(d->PluggedIn);
  EXPECT_FALSE(d->OpenFile());
  uint32_t written = 0;
  const uint8_t report[65] = {};
  EXPECT_FALSE(d->WriteReport(report, 65, written));
}

TEST_F(DeviceTest, DeviceVanishingWhileReadAndWrittenFailsWithoutHanging) {
  THidDevice* d = Claimed();
  d->SetSleepTime(20);
  platform->Unplug(id);  // the thread's read completes empty, then cannot start again
  // The thread's errors and the controller's rescan come in either order.
  Events notices, errors;
  ASSERT_TRUE(PumpUntil([&] {
    for (const std::string& e : TakeEvents()) (e.rfind("error ", 0) == 0 ? errors : notices).push_back(e);
    return notices.size() >= 3 && !errors.empty();
  }));
  EXPECT_EQ(notices, (Events{"unplug 0", "removal 0", "change"}));
  // The node is gone (ENOENT) when the thread reopens it after the rescan's unplug
  // closed its handle, else the open handle reports the device gone (ENODEV).
  EXPECT_TRUE(errors[0] == "error " + std::to_string(ENODEV) || errors[0] == "error " + std::to_string(ENOENT))
      << errors[0];
  uint32_t written = 0;
  const uint8_t report[65] = {};
  EXPECT_FALSE(d->WriteReport(report, 65, written));
  const auto before = std::chrono::steady_clock::now();
  Release(d);
  // Generous for loaded machines; a thread that waited for data would never end.
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
}

TEST_F(DeviceTest, StoppingWhileAReadIsPendingEndsWithinOneSlice) {
  THidDevice* d = Claimed();
  d->SetSleepTime(200);
  Pump();  // the thread is now waiting for a report that never comes
  const auto before = std::chrono::steady_clock::now();
  d->StopReadThread();
  // A few slices at most, with room for a loaded machine; the read itself never ends.
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
  EXPECT_FALSE(d->HasReadThread());
  platform->SendInput(id, {1, 2});
  Pump();
  EXPECT_EQ(TakeEvents(), Events{}) << "nothing read after the stop";
}

TEST_F(DeviceTest, StoppingWhileTheThreadWaitsForAHandOverDoesNotDeadlock) {
  THidDevice* d = Claimed();
  platform->SendInput(id, {3, 4});
  // Give the thread time to read and ask for the hand-over, without running it.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  d->StopReadThread();
  EXPECT_EQ(TakeEvents(), (Events{"data 3 1 4"})) << "the pending hand-over ran during the stop";
}

TEST_F(DeviceTest, ProductStringIsCutTo254Characters) {
  THidDevice* d = Claimed(SimDevice(std::string(300, 'x')));
  EXPECT_EQ(d->GetProductString(), std::u16string(254, u'x'));
}

TEST_F(DeviceTest, EmptyDataHandlerStopsTheThreadAndAnotherStartsIt) {
  THidDevice* d = Claimed();
  d->SetDataHandler(THidDataEvent());
  EXPECT_FALSE(d->HasReadThread());
  d->SetDataHandler(THidDataEvent::Of<&Client::OtherData>(&client));
  EXPECT_TRUE(d->HasReadThread());
  ASSERT_TRUE(PumpUntil([&] { return platform->Readers(id) > 0; }));
  platform->SendInput(id, {1});
  ASSERT_TRUE(PumpUntil([&] { return !client.events.empty(); }));
  EXPECT_EQ(TakeEvents(), (Events{"other data"}));
}

}  // namespace
}  // namespace marloq
