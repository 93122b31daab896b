// HID device controller on the simulated backend: rescans and their events, the list
// states of claimed and unplugged devices, Enumerate, claims and handler propagation.
#include "hid/hid_device_controller.h"

#include <gtest/gtest.h>

#include "hid/hid_device.h"
#include "tests/hid/hid_fixture.h"

namespace marloq {
namespace {

using test::Client;
using test::Events;
using test::HidFixture;
using test::Pump;
using test::SimDevice;

using ControllerTest = HidFixture;

TEST_F(ControllerTest, FirstRescanAnnouncesWhatIsPresentOnceAndNothingWhenNothingChanged) {
  Start();
  EXPECT_EQ(TakeEvents(), Events{}) << "no device: no events at all";
  platform->Plug(SimDevice("USB HID STM32F4"));
  Pump();
  EXPECT_EQ(TakeEvents(), (Events{"arrival 0", "change"}));
  controller->DeviceChange();
  EXPECT_EQ(TakeEvents(), Events{}) << "nothing changed: nothing called";
  platform->Plug(SimDevice("Keyboard"));
  platform->Plug(SimDevice("Mouse"));
  Pump();
  EXPECT_EQ(TakeEvents(), (Events{"arrival 1", "arrival 2", "change"})) << "in scan order, one change";
  EXPECT_EQ(controller->Devices().size(), 3u);
  EXPECT_STREQ(controller->Version(), "1.0.26");
}

TEST_F(ControllerTest, DevicesPresentAtStartArriveWithTheFirstQueuedRescan) {
  platform->Plug(SimDevice("USB HID STM32F4"));
  controller = std::make_unique<THidDeviceController>(*platform);
  client.controller = controller.get();
  controller->OnArrival = THidPlugEvent::Of<&Client::Arrival>(&client);
  controller->SetOnDeviceChange(THidNotifyEvent::Of<&Client::Change>(&client));
  EXPECT_EQ(TakeEvents(), Events{}) << "no rescan while loading";
  controller->Loaded();
  EXPECT_EQ(TakeEvents(), Events{}) << "the first rescan waits for the event loop";
  Pump();
  EXPECT_EQ(TakeEvents(), (Events{"arrival 0", "change"}));
}

TEST_F(ControllerTest, RemovalWhileAvailableDropsTheDeviceWhileClaimedKeepsItUnplugged) {
  const int a = platform->Plug(SimDevice("A"));
  const int b = platform->Plug(SimDevice("B"));
  Start();
  THidDevice* claimed = ClaimAt(1);
  TakeEvents();
  platform->Unplug(a);
  Pump();
  EXPECT_EQ(TakeEvents(), (Events{"removal 0", "change"}));
  ASSERT_EQ(controller->Devices().size(), 1u) << "available: dropped";
  platform->Unplug(b);
  Pump();
  EXPECT_EQ(TakeEvents(), (Events{"removal 0", "change"}));
  ASSERT_EQ(controller->Devices().size(), 1u) << "claimed: stays listed";
  EXPECT_FALSE(claimed->PluggedIn);
  controller->DeviceChange();
  EXPECT_EQ(TakeEvents(), (Events{"removal 0", "change"})) << "every rescan until released";
  Release(claimed);
  EXPECT_TRUE(controller->Devices().empty()) << "released after unplugging: position gone";
}

TEST_F(ControllerTest, DeviceComingBackIsListedBesideItsUnpluggedObject) {
  const int id = platform->Plug(SimDevice("USB HID STM32F4"));
  Start();
  THidDevice* old = ClaimAt(0);
  platform->Unplug(id);
  platform->Plug(SimDevice("USB HID STM32F4"));
  Pump();
  ASSERT_EQ(controller->Devices().size(), 2u);
  EXPECT_EQ(controller->Devices()[0], old);
  EXPECT_TRUE(controller->Devices()[1]->PluggedIn);
  EXPECT_NE(controller->Devices()[1]->PnPInfo().DevInst, old->PnPInfo().DevInst);
}

TEST_F(ControllerTest, AssigningOnDeviceChangeRescansOnlyForAnotherCallable) {
  platform->Plug(SimDevice("A"));
  Start(/*withChange=*/false);
  TakeEvents();
  Client other;
  controller->SetOnDeviceChange(THidNotifyEvent::Of<&Client::Change>(&other));
  EXPECT_EQ(TakeEvents(), Events{});
  platform->Plug(SimDevice("B"));
  Pump();
  EXPECT_EQ(other.events, (Events{"change"}));
  TakeEvents();
  controller->SetOnDeviceChange(THidNotifyEvent::Of<&Client::Change>(&client));
  EXPECT_EQ(TakeEvents(), Events{}) << "the same method on another object: no rescan";
  controller->SetOnDeviceChange(THidNotifyEvent::Of<&Client::OtherChange>(&client));
  EXPECT_EQ(TakeEvents(), Events{}) << "a rescan at once, which found nothing new";
  platform->Plug(SimDevice("C"));
  controller->SetOnDeviceChange(THidNotifyEvent::Of<&Client::Change>(&client));
  EXPECT_EQ(TakeEvents(), (Events{"arrival 2", "change"})) << "rescanned at once";
}

TEST_F(ControllerTest, EnumerateVisitsPluggedInDevicesUntilTheHandlerSaysStop) {
  const int a = platform->Plug(SimDevice("A"));
  platform->Plug(SimDevice("B"));
  platform->Plug(SimDevice("C"));
  Start();
  THidDevice* first = ClaimAt(0);
  platform->Unplug(a);
  Pump();
  TakeEvents();
  EXPECT_EQ(controller->Enumerate(), 2);
  EXPECT_EQ(TakeEvents(), (Events{"enumerate 1", "enumerate 2"})) << "unplugged skipped, indices kept";
  client.goOn = false;
  EXPECT_EQ(controller->Enumerate(), 1);
  EXPECT_EQ(TakeEvents(), (Events{"enumerate 1"}));
  controller->OnEnumerate = THidEnumerateEvent();
  EXPECT_EQ(controller->Enumerate(), 1) << "without a handler: counts the first and stops";
  EXPECT_EQ(TakeEvents(), Events{});
  Release(first);
}

TEST_F(ControllerTest, ClaimsWithinTheListOnlyAndOnlyOnce) {
  platform->Plug(SimDevice("A"));
  Start();
  THidDevice* d = reinterpret_cast<THidDevice*>(1);
  EXPECT_FALSE(controller->ClaimByIndex(-1, d));
  EXPECT_EQ(d, nullptr);
  EXPECT_FALSE(controller->ClaimByIndex(1, d));
  EXPECT_EQ(d, nullptr);
  EXPECT_FALSE(controller->Claim(0, d, false)) << "without the check flag";
  THidDevice* claimed = ClaimAt(0);
  ASSERT_NE(claimed, nullptr);
  EXPECT_TRUE(claimed->Claimed);
  EXPECT_FALSE(controller->ClaimByIndex(0, d)) << "already claimed";
}

TEST_F(ControllerTest, SleepTimeGoesToDevicesThatKeptTheOldOneOnlyWhenTheyTakeIt) {
  platform->Plug(SimDevice("A"));
  platform->Plug(SimDevice("B"));
  Start();
  controller->Devices()[1]->SetSleepTime(50);
  controller->SetDevThreadSleepTime(5);
  EXPECT_EQ(controller->DevThreadSleepTime(), 5) << "stored unchecked";
  EXPECT_EQ(controller->Devices()[0]->SleepTime(), 100) << "5 is out of the devices' range";
  controller->SetDevThreadSleepTime(200);
  EXPECT_EQ(controller->Devices()[0]->SleepTime(), 100) << "it no longer has the old value 5";
  controller->Devices()[0]->SetSleepTime(200);
  controller->SetDevThreadSleepTime(300);
  EXPECT_EQ(controller->Devices()[0]->SleepTime(), 300);
  EXPECT_EQ(controller->Devices()[1]->SleepTime(), 50);
}

TEST_F(ControllerTest, DataHandlerReachesDevicesThatHadTheOldOne) {
  platform->Plug(SimDevice("A"));
  platform->Plug(SimDevice("B"));
  Start();
  controller->Devices()[1]->SetDataHandler(THidDataEvent::Of<&Client::OtherData>(&client));
  controller->SetOnDeviceData(THidDataEvent::Of<&Client::Data>(&client));
  EXPECT_TRUE(controller->Devices()[0]->DataHandler.SameCallable(THidDataEvent::Of<&Client::Data>(&client)));
  EXPECT_TRUE(controller->Devices()[1]->DataHandler.SameCallable(THidDataEvent::Of<&Client::OtherData>(&client)));
  platform->Plug(SimDevice("C"));
  Pump();
  EXPECT_TRUE(controller->Devices()[2]->DataHandler.SameCallable(controller->OnDeviceData()))
      << "a new device takes the controller's";
}

TEST_F(ControllerTest, DevicesThatCannotBeOpenedOrIdentifiedAreLeftOutSilently) {
  auto never = SimDevice("locked away");
  never.Opening = TSimulatedDevice::TOpening::Never;
  auto anonymous = SimDevice("anonymous");
  anonymous.Identifiable = false;
  auto queryOnly = SimDevice("someone else's");
  queryOnly.Opening = TSimulatedDevice::TOpening::QueryOnly;
  platform->Plug(never);
  platform->Plug(anonymous);
  platform->Plug(queryOnly);
  Start();
  EXPECT_EQ(TakeEvents(), (Events{"arrival 0", "change"}));
  THidDevice* d = ClaimAt(0);
  EXPECT_FALSE(d->ReadWriteAccess());
  EXPECT_EQ(d->GetProductString(), u"someone else's") << "queries still work";
  d->SetDataHandler(THidDataEvent::Of<&Client::Data>(&client));
  EXPECT_FALSE(d->HasReadThread()) << "nothing to read with";
  const uint8_t report[65] = {};
  uint32_t written = 1;
  EXPECT_FALSE(d->WriteReport(report, 65, written));
}

TEST_F(ControllerTest, WithoutThePlatformsHidServicesNothingIsListedOrWatched) {
  platform = std::make_unique<TSimulatedHidPlatform>(/*available=*/false);
  platform->Plug(SimDevice("A"));
  Start();
  controller->DeviceChange();
  EXPECT_EQ(TakeEvents(), Events{});
  EXPECT_TRUE(controller->Devices().empty());
}

TEST_F(ControllerTest, OnlyOneControllerPerProgram) {
  Start();
  try {
    THidDeviceController second(*platform);
    FAIL() << "a second controller was created";
  } catch (const EControllerError& e) {
    EXPECT_STREQ(e.what(), "Only one THidDeviceController allowed per program");
  }
  controller.reset();
  EXPECT_NO_THROW(THidDeviceController again(*platform)) << "the failed one does not count";
}

TEST_F(ControllerTest, HandlersMayQueryTheDeviceTheyAreGivenButNotOthers) {
  struct Querying : Client {
    std::u16string seen;
    void Arrival(THidDevice* d) { seen = d->GetProductString(); }
  } q;
  platform->Plug(SimDevice("USB HID STM32F4"));
  controller = std::make_unique<THidDeviceController>(*platform);
  controller->OnArrival = THidPlugEvent::Of<&Querying::Arrival>(&q);
  controller->Loaded();
  Pump();
  EXPECT_EQ(q.seen, u"USB HID STM32F4");
  EXPECT_FALSE(controller->Devices()[0]->InHandler);
  EXPECT_EQ(controller->Devices()[0]->GetProductString(), u"USB HID STM32F4") << "from the cache";
  controller->OnArrival = THidPlugEvent();
  platform->Plug(SimDevice("Other"));
  Pump();
  EXPECT_EQ(controller->Devices()[1]->GetProductString(), u"") << "never read, not accessible";
}

}  // namespace
}  // namespace marloq
