// The stand-ins for SetupAPI, the kernel I/O calls and the version query must answer
// as the real ones do, and must refuse what the real ones refuse, or the scenario
// tests would pass a library that fails on a machine with line boxes.
#include <gtest/gtest-spi.h>

#include <cstring>
#include <functional>
#include <vector>

#include "fixture/fixture.h"
#include "record_sizes.h"
#include "wine/sim_imports.h"

using namespace vornix;
using namespace vornix::winehost;

namespace {

constexpr DWORD kPresentInterfaces = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;
constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
// The size fields of the other architecture: the classic mistake of a library built
// for one and sized for the other.
constexpr DWORD kOtherInterfaceDataSize = win32::kOtherArchitectureSetupApi.interface_data;
constexpr DWORD kOtherDetailSize = win32::kOtherArchitectureSetupApi.detail_data;
constexpr DWORD kDetailSize = win32::kSetupApi.detail_data;

GUID line_box_guid() {
    GUID g;
    std::memcpy(&g, &kLineBoxInterfaceGuid, sizeof g);
    return g;
}

class RedirectedImportsTest : public LineBoxTest {
protected:
    void SetUp() override {
        LineBoxTest::SetUp();
        ids.push_back(bus().plug_silently());
        guid = line_box_guid();
        set = sim_SetupDiGetClassDevsA(&guid, nullptr, nullptr, kPresentInterfaces);
        ASSERT_NE(set, INVALID_HANDLE_VALUE);
        std::memset(&iface, 0, sizeof iface);
        iface.cbSize = sizeof iface;
        ASSERT_TRUE(sim_SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 0, &iface));
        path = bus().box(ids[0]).path;
        detail.resize(sizeof(DWORD) + path.size() + 1);
    }
    void TearDown() override {
        if (set != INVALID_HANDLE_VALUE) sim_SetupDiDestroyDeviceInfoList(set);
        LineBoxTest::TearDown();
    }

    SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail_buffer(DWORD size_field) {
        auto* d = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(detail.data());
        d->cbSize = size_field;
        return d;
    }
    HANDLE open_box(DWORD access, DWORD share, DWORD disposition, DWORD flags) {
        return sim_CreateFileA(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
    }

    GUID guid{};
    HDEVINFO set = INVALID_HANDLE_VALUE;
    SP_DEVICE_INTERFACE_DATA iface{};
    std::string path;
    std::vector<char> detail;
};

}  // namespace

TEST_F(RedirectedImportsTest, AnswerAsTheRealFunctions) {
    DWORD required = 0;
    EXPECT_FALSE(sim_SetupDiGetDeviceInterfaceDetailA(set, &iface, nullptr, 0, &required, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER)) << "the size query";
    EXPECT_EQ(required, detail.size());
    ASSERT_TRUE(sim_SetupDiGetDeviceInterfaceDetailA(set, &iface, detail_buffer(kDetailSize), required, nullptr, nullptr));
    EXPECT_EQ(std::string(detail_buffer(kDetailSize)->DevicePath), path);

    SP_DEVICE_INTERFACE_DATA past_end = iface;
    EXPECT_FALSE(sim_SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 1, &past_end));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));

    HANDLE box = open_box(kReadWrite, kShareReadWrite, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(box, INVALID_HANDLE_VALUE);
    EXPECT_EQ(bus().counters().open_handles, 1);
    DWORD returned = 7;
    EXPECT_TRUE(sim_DeviceIoControl(box, IOCTL_LINEBOX_LED_2, nullptr, 0, nullptr, 0, &returned, nullptr));
    EXPECT_EQ(returned, 0u);
    bus().set_fault(ids[0], sim::Fault::RequestRejected, IOCTL_LINEBOX_LED_2, 1);
    EXPECT_FALSE(sim_DeviceIoControl(box, IOCTL_LINEBOX_LED_2, nullptr, 0, nullptr, 0, &returned, nullptr));
    EXPECT_TRUE(sim_CloseHandle(box));
    EXPECT_EQ(bus().counters().open_handles, 0);
}

TEST_F(RedirectedImportsTest, OtherFilesAndHandlesReachTheRealFunctions) {
    char dir[MAX_PATH], name[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, dir), 0u);
    ASSERT_NE(GetTempFileNameA(dir, "vx", 0, name), 0u);
    HANDLE file = sim_CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "RIFF", 4, &written, nullptr));
    EXPECT_TRUE(sim_CloseHandle(file));
    EXPECT_FALSE(CloseHandle(file)) << "the real handle was closed";
    EXPECT_EQ(bus().counters().opens, 0);
    DeleteFileA(name);
}

TEST_F(RedirectedImportsTest, WrongCallsFailAsOnARealSystem) {
    struct Case {
        const char* name;
        std::function<bool()> refused;
    };
    std::vector<Case> cases = {
        {"class devices without DIGCF_DEVICEINTERFACE",
         [&] { return sim_SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT) == INVALID_HANDLE_VALUE; }},
        {"class devices of an enumerator",
         [&] { return sim_SetupDiGetClassDevsA(&guid, "USB", nullptr, kPresentInterfaces) == INVALID_HANDLE_VALUE; }},
        {"interface data of the other architecture's size",
         [&] {
             SP_DEVICE_INTERFACE_DATA d{};
             d.cbSize = kOtherInterfaceDataSize;
             return !sim_SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 0, &d);
         }},
        {"size query that names a size",
         [&] { return !sim_SetupDiGetDeviceInterfaceDetailA(set, &iface, nullptr, 64, nullptr, nullptr); }},
        {"detail of the other architecture's size",
         [&] {
             return !sim_SetupDiGetDeviceInterfaceDetailA(set, &iface, detail_buffer(kOtherDetailSize),
                                                          static_cast<DWORD>(detail.size()), nullptr, nullptr);
         }},
        {"detail buffer shorter than the size query said",
         [&] {
             return !sim_SetupDiGetDeviceInterfaceDetailA(set, &iface, detail_buffer(kDetailSize),
                                                          static_cast<DWORD>(detail.size() - 1), nullptr, nullptr);
         }},
        {"box opened for reading only",
         [&] { return open_box(GENERIC_READ, kShareReadWrite, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL) == INVALID_HANDLE_VALUE; }},
        {"box opened unshared",
         [&] { return open_box(kReadWrite, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL) == INVALID_HANDLE_VALUE; }},
        {"box opened with OPEN_ALWAYS",
         [&] { return open_box(kReadWrite, kShareReadWrite, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL) == INVALID_HANDLE_VALUE; }},
        {"box opened overlapped",
         [&] { return open_box(kReadWrite, kShareReadWrite, OPEN_EXISTING, FILE_FLAG_OVERLAPPED) == INVALID_HANDLE_VALUE; }},
        {"status read without its request word",
         [&] {
             HANDLE box = open_box(kReadWrite, kShareReadWrite, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
             DWORD returned = 0;
             const bool refused =
                 !sim_DeviceIoControl(box, IOCTL_LINEBOX_READ_STATUS, nullptr, 0, nullptr, 0, &returned, nullptr);
             sim_CloseHandle(box);
             return refused;
         }},
        {"control request with an output buffer",
         [&] {
             HANDLE box = open_box(kReadWrite, kShareReadWrite, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
             DWORD returned = 0, out = 0;
             const bool refused =
                 !sim_DeviceIoControl(box, IOCTL_LINEBOX_INIT, nullptr, 0, &out, sizeof out, &returned, nullptr);
             sim_CloseHandle(box);
             return refused;
         }},
        {"version query of the extended size",
         [&] {
             OSVERSIONINFOEXA info{};
             info.dwOSVersionInfoSize = sizeof info;
             return !sim_GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool refused = false;
        EXPECT_NONFATAL_FAILURE(refused = c.refused(), "wrongly");
        EXPECT_TRUE(refused);
    }
    EXPECT_EQ(bus().counters().opens, 2) << "only the two well-formed opens reached the box";
}
