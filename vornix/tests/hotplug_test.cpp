// Hot-plug: the device path list follows arrivals and removals of line boxes while
// the library is open, and only those.
#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "bench/fixture.h"

using namespace vornix;

namespace {
// A device-change broadcast as the system sends it: size, device type, reserved,
// interface class GUID and an empty name.
struct Broadcast {
    std::array<uint8_t, kInterfaceBroadcastSize> bytes{};

    Broadcast(uint32_t device_type, const InterfaceGuid& guid) {
        const uint32_t size = kInterfaceBroadcastSize;
        std::memcpy(bytes.data(), &size, sizeof size);
        std::memcpy(bytes.data() + kBroadcastTypeOffset, &device_type, sizeof device_type);
        std::memcpy(bytes.data() + kBroadcastGuidOffset, &guid, sizeof guid);
    }
    const void* data() const { return bytes.data(); }
};

constexpr uint32_t kDeviceTypeVolume = 2, kDeviceTypePort = 3;
constexpr uint32_t kQueryRemove = 0x8001;  // DBT_DEVICEQUERYREMOVE
// The interface class of some other device.
constexpr InterfaceGuid kOtherGuid = {0x8AEAA794u, 0xC079u, 0x45CCu, {0x8A, 0xD8, 0x97, 0x72, 0x31, 0x9A, 0xA6, 0xB8}};
}  // namespace

TEST_F(LineBoxTest, CountFollowsArrivalAndRemoval) {
    open_with_boxes(1);
    const int second = bus().plug();
    bench::dispatch_messages();
    EXPECT_EQ(SW_GetCount(), 2);
    bus().unplug(second);
    bench::dispatch_messages();
    EXPECT_EQ(SW_GetCount(), 1);
    bus().unplug(ids[0]);
    bench::dispatch_messages();
    EXPECT_EQ(SW_GetCount(), 0);
    SW_Free();
}

// A slot is a position among the boxes present now, not a stored identity.
TEST_F(LineBoxTest, SlotsMoveUpWhenAnEarlierBoxIsPulled) {
    open_with_boxes(2);
    bus().unplug_silently(ids[0]);
    EXPECT_EQ(SW_GetCount(), 2) << "no enumeration yet";
    EXPECT_EQ(SW_Reconnect(1), 0) << "slot 1 is already gone for the open";
    bus().advance(1000);
    EXPECT_EQ(SW_Reconnect(0), 1);
    EXPECT_EQ(box_requests(ids[1], IOCTL_LINEBOX_RECONNECT), 1);
    SW_Free();
}

TEST_F(LineBoxTest, UnrelatedBroadcastsChangeNothing) {
    open_with_boxes(1);
    bus().plug_silently();  // present, but only a matching broadcast makes it count
    const Broadcast ours(kDeviceTypeInterface, kLineBoxInterfaceGuid);
    struct Case {
        const char* name;
        uint32_t event;
        const void* data;
    };
    const Broadcast volume(kDeviceTypeVolume, kLineBoxInterfaceGuid);
    const Broadcast port(kDeviceTypePort, kLineBoxInterfaceGuid);
    const Broadcast other_class(kDeviceTypeInterface, kOtherGuid);
    for (const Case& c : {Case{"volume arrival", kDeviceArrival, volume.data()},
                          Case{"port removal", kDeviceRemoveComplete, port.data()},
                          Case{"other interface class", kDeviceArrival, other_class.data()},
                          Case{"device nodes changed", kDevNodesChanged, nullptr},
                          Case{"arrival without data", kDeviceArrival, nullptr},
                          Case{"query remove of a line box", kQueryRemove, ours.data()}}) {
        SCOPED_TRACE(c.name);
        bus().deliver_broadcast(c.event, c.data);
        bench::dispatch_messages();
        EXPECT_EQ(SW_GetCount(), 1);
    }
    EXPECT_EQ(bus().counters().open_attempts, 0) << "no enumeration ran";

    bus().deliver_broadcast(kDeviceArrival, ours.data());
    bench::dispatch_messages();
    EXPECT_EQ(SW_GetCount(), 2) << "a line box arrival does rebuild the list";
    SW_Free();
}

TEST_F(LineBoxTest, NothingIsFollowedWhileClosed) {
    open_with_boxes(1);
    SW_Free();
    bus().reset_counters();
    bus().plug();
    bench::dispatch_messages();
    const Broadcast ours(kDeviceTypeInterface, kLineBoxInterfaceGuid);
    bus().deliver_broadcast(kDeviceArrival, ours.data());
    bench::dispatch_messages();
    EXPECT_EQ(bus().counters().open_attempts, 0);
    EXPECT_EQ(SW_GetCount(), -1);

    SW_Init();
    EXPECT_EQ(SW_GetCount(), 2);
    bus().plug();
    bench::dispatch_messages();
    EXPECT_EQ(SW_GetCount(), 3);
    SW_Free();
}

// The list holds the leading run of boxes that could be opened.
TEST_F(LineBoxTest, EnumerationEndsAtTheFirstBoxThatCannotBeListed) {
    const std::string fits(1279, 'p');
    const std::string too_long(1280, 'p');
    struct Case {
        const char* name;
        bool openable;
        std::string path;
        int count;
    };
    for (const Case& c : {Case{"unopenable", false, "", 1}, Case{"path of 1279 characters", true, fits, 3},
                          Case{"path of 1280 characters", true, too_long, 1}}) {
        SCOPED_TRACE(c.name);
        bench::fresh_library();
        bus().plug_silently();
        const int middle = bus().plug_silently(c.path);
        bus().box(middle).openable = c.openable;
        bus().plug_silently();
        EXPECT_EQ(SW_Init(), 1);
        EXPECT_EQ(SW_GetCount(), c.count);
        EXPECT_EQ(inits(), c.count) << "only listed boxes are re-initialised";
        SW_Free();
    }
}
