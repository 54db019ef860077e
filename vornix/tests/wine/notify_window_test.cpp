// The library's hidden window under Windows: what it looks like, that it is the real
// receiver of WM_DEVICECHANGE, and that only broadcasts of line box interfaces make
// it rebuild the device path list.
#include <windows.h>
#include <dbt.h>

#include <cstddef>
#include <cstring>

#include "fixture/fixture.h"
#include "wine/library_loader.h"
#include "wine/notify_windows.h"

using namespace vornix;

namespace {

HWND the_window() {
    const std::vector<HWND> found = winehost::notify_windows();
    return found.size() == 1 ? found.front() : nullptr;
}

GUID line_box_guid() {
    GUID g;
    std::memcpy(&g, &kLineBoxInterfaceGuid, sizeof g);
    return g;
}

// {4D1E55B2-F16F-11CF-88CB-001111000030}: the HID interface class, some other device.
constexpr GUID kHidInterfaceGuid = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// Two pages, the second inaccessible: a broadcast placed at the very end of the
// first one faults if the library reads past the size the system gave it.
class GuardedBlock {
public:
    GuardedBlock() {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        page_ = si.dwPageSize;
        base_ = static_cast<BYTE*>(VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        if (base_) VirtualProtect(base_ + page_, page_, PAGE_NOACCESS, &old);
    }
    ~GuardedBlock() {
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
    }
    GuardedBlock(const GuardedBlock&) = delete;
    GuardedBlock& operator=(const GuardedBlock&) = delete;

    // Copies `size` bytes to the end of the accessible page (null stays null).
    const void* place(const void* broadcast, size_t size) {
        if (!broadcast) return nullptr;
        BYTE* at = base_ + page_ - size;
        std::memcpy(at, broadcast, size);
        return at;
    }

private:
    BYTE* base_ = nullptr;
    DWORD page_ = 0;
};

class Thread {
public:
    explicit Thread(HANDLE h) : h_(h) {}
    ~Thread() {
        if (h_) {
            WaitForSingleObject(h_, INFINITE);
            CloseHandle(h_);
        }
    }
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

DEV_BROADCAST_DEVICEINTERFACE_A interface_broadcast(const GUID& guid) {
    DEV_BROADCAST_DEVICEINTERFACE_A b;
    std::memset(&b, 0, sizeof b);
    b.dbcc_size = sizeof b;
    b.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    b.dbcc_classguid = guid;
    return b;
}

// An arrival as the system delivers it: sent from a thread of its own.
struct SystemSend {
    HWND window;
    DEV_BROADCAST_DEVICEINTERFACE_A broadcast;
};
DWORD WINAPI send_arrival(LPVOID param) {
    auto* s = static_cast<SystemSend*>(param);
    SendMessageA(s->window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&s->broadcast));
    return 0;
}

// A host thread that runs one call into the library, then takes messages until told
// to stop, as a thread with a message loop does.
class PumpingThread {
public:
    explicit PumpingThread(void (*first)()) : first_(first) {
        started_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = CreateThread(nullptr, 0, run, this, 0, &id_);
        WaitForSingleObject(started_, 5000);
    }
    ~PumpingThread() {
        SetEvent(stop_);
        WaitForSingleObject(thread_, 5000);
        for (HANDLE h : {thread_, started_, stop_}) CloseHandle(h);
    }
    PumpingThread(const PumpingThread&) = delete;
    PumpingThread& operator=(const PumpingThread&) = delete;
    DWORD id() const { return id_; }

private:
    static DWORD WINAPI run(LPVOID param) {
        auto* self = static_cast<PumpingThread*>(param);
        self->first_();
        SetEvent(self->started_);
        while (MsgWaitForMultipleObjects(1, &self->stop_, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
            runner::dispatch_messages();
        return 0;
    }
    void (*first_)();
    HANDLE started_ = nullptr, stop_ = nullptr, thread_ = nullptr;
    DWORD id_ = 0;
};

void open_library() { SW_Init(); }

// Waits up to two seconds for `done`.
template <class Done>
bool within_two_seconds(Done done) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < 2000; Sleep(5))
        if (done()) return true;
    return done();
}

}  // namespace

// Windows lets only the creating thread destroy a window. Closing the library on
// another thread leaves that window behind, but cut loose: it reaches nothing of the
// library, follows no hot-plug, and closes once its thread takes messages.
TEST_F(LineBoxTest, AnotherThreadsWindowIsCutLooseByFreeAndByInit) {
    ids.push_back(bus().plug_silently());
    const auto ours = interface_broadcast(line_box_guid());
    for (const bool reopen : {false, true}) {
        SCOPED_TRACE(reopen ? "SW_Init again on this thread" : "SW_Free on this thread");
        PumpingThread opener(open_library);
        HWND old = the_window();
        ASSERT_NE(old, nullptr);
        ASSERT_EQ(GetWindowThreadProcessId(old, nullptr), opener.id());
        if (reopen) {
            ASSERT_EQ(SW_Init(), 1);
        } else {
            SW_Free();
        }
        bus().plug_silently();
        bus().reset_counters();
        SendMessageA(old, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&ours));
        EXPECT_EQ(bus().counters().open_attempts, 0) << "the old window rebuilt the device list";
        EXPECT_TRUE(within_two_seconds([&] { return !IsWindow(old); })) << "the old window stays open";
        if (reopen) {
            HWND current = the_window();
            ASSERT_NE(current, nullptr) << "exactly one window";
            EXPECT_EQ(GetWindowThreadProcessId(current, nullptr), GetCurrentThreadId());
            SendMessageA(current, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&ours));
            EXPECT_EQ(SW_GetCount(), 2) << "the new window follows hot-plug";
        }
        SW_Free();
        bus().unplug_silently(bus().box_at(1));
    }
}

// A host that unloads the library without SW_Free (a plug-in host, FreeLibrary) must
// not leave a window whose procedure is gone with the library.
TEST_F(LineBoxTest, UnloadingAnOpenLibraryTakesItsWindowAndClassDown) {
    open_with_boxes(1);
    HWND w = the_window();
    ASSERT_NE(w, nullptr);
    const HINSTANCE module = winehost::library_module();
    WNDCLASSA wc;
    ASSERT_TRUE(GetClassInfoA(module, "VornixNotifyWindowClass", &wc));
    winehost::unload_library();
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(GetClassInfoA(module, "VornixNotifyWindowClass", &wc)) << "the class is still registered";
}

TEST_F(LineBoxTest, NotifyWindowIsAHiddenTopLevelWindowOfTheOpeningThread) {
    EXPECT_EQ(the_window(), nullptr) << "no window before SW_Init";
    open_with_boxes(1);
    HWND w = the_window();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_EQ(GetAncestor(w, GA_PARENT), GetDesktopWindow()) << "top-level";
    EXPECT_EQ(GetWindow(w, GW_OWNER), nullptr);
    EXPECT_EQ(GetWindowThreadProcessId(w, nullptr), GetCurrentThreadId());
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE)) & WS_OVERLAPPEDWINDOW,
              static_cast<DWORD>(WS_OVERLAPPEDWINDOW));
    EXPECT_NE(static_cast<DWORD>(GetWindowLongA(w, GWL_EXSTYLE)) & WS_EX_CLIENTEDGE, 0u);
    EXPECT_EQ(GetClassLongA(w, GCL_STYLE), 0u);
    EXPECT_EQ(GetClassLongPtrA(w, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_WINDOW + 1));
    EXPECT_EQ(GetClassLongPtrA(w, GCLP_HICON), 0u);
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrA(w, GCLP_HCURSOR)), LoadCursorA(nullptr, IDC_ARROW));

    SW_Free();
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(runner::notify_windows_alive(), 0);
    // A late broadcast to the old handle reaches nothing.
    const auto ours = interface_broadcast(line_box_guid());
    bus().plug_silently();
    bus().reset_counters();
    SendMessageA(w, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&ours));
    EXPECT_EQ(bus().counters().open_attempts, 0);
}

// The system sends device changes from a thread of its own; the library sees them
// only when the thread that opened it takes messages.
TEST_F(LineBoxTest, ArrivalFromAnotherThreadIsFollowedOnlyWhileMessagesAreTaken) {
    open_with_boxes(1);
    bus().plug_silently();
    SystemSend arrival{the_window(), interface_broadcast(line_box_guid())};
    ASSERT_NE(arrival.window, nullptr);
    Thread sender(CreateThread(nullptr, 0, send_arrival, &arrival, 0, nullptr));
    ASSERT_NE(sender.get(), nullptr);
    Sleep(50);
    EXPECT_EQ(SW_GetCount(), 1) << "nothing happens before the host takes messages";
    const DWORD give_up = GetTickCount() + 5000;
    while (WaitForSingleObject(sender.get(), 0) != WAIT_OBJECT_0 && GetTickCount() < give_up) {
        runner::dispatch_messages();
        Sleep(1);
    }
    EXPECT_EQ(SW_GetCount(), 2);
    SW_Free();
}

TEST_F(LineBoxTest, ForeignBroadcastsAreIgnoredWithoutReadingPastTheirEnd) {
    open_with_boxes(1);
    bus().plug_silently();  // present: a rebuild would count it
    HWND w = the_window();
    ASSERT_NE(w, nullptr);
    GuardedBlock memory;

    DEV_BROADCAST_VOLUME volume;
    std::memset(&volume, 0, sizeof volume);
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = 1u << ('E' - 'A');

    struct Port {
        DEV_BROADCAST_PORT_A header;
        char rest_of_name[4];
    } port;
    std::memset(&port, 0, sizeof port);
    port.header.dbcp_size = sizeof port;
    port.header.dbcp_devicetype = DBT_DEVTYP_PORT;
    std::memcpy(port.header.dbcp_name, "COM3", 5);

    DEV_BROADCAST_HDR oem;
    std::memset(&oem, 0, sizeof oem);
    oem.dbch_size = sizeof oem;
    oem.dbch_devicetype = DBT_DEVTYP_OEM;

    const auto hid = interface_broadcast(kHidInterfaceGuid);
    const auto ours = interface_broadcast(line_box_guid());
    // A line box broadcast whose stated size ends before its interface class.
    auto cut_short = ours;
    cut_short.dbcc_size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_classguid) + 8;

    struct Case {
        const char* name;
        WPARAM event;
        const void* broadcast;
        size_t size;
    };
    for (const Case& c : {Case{"volume arrival", DBT_DEVICEARRIVAL, &volume, sizeof volume},
                          Case{"port arrival", DBT_DEVICEARRIVAL, &port, sizeof port},
                          Case{"bare header", DBT_DEVICEREMOVECOMPLETE, &oem, sizeof oem},
                          Case{"HID interface arrival", DBT_DEVICEARRIVAL, &hid, sizeof hid},
                          Case{"device nodes changed", DBT_DEVNODES_CHANGED, nullptr, 0},
                          Case{"arrival without data", DBT_DEVICEARRIVAL, nullptr, 0},
                          Case{"query remove of a line box", DBT_DEVICEQUERYREMOVE, &ours, sizeof ours},
                          Case{"line box removal pending", DBT_DEVICEREMOVEPENDING, &ours, sizeof ours},
                          Case{"line box arrival cut short", DBT_DEVICEARRIVAL, &cut_short, cut_short.dbcc_size}}) {
        SCOPED_TRACE(c.name);
        SendMessageA(w, WM_DEVICECHANGE, c.event, reinterpret_cast<LPARAM>(memory.place(c.broadcast, c.size)));
        EXPECT_EQ(SW_GetCount(), 1);
    }
    EXPECT_EQ(bus().counters().open_attempts, 0) << "no enumeration ran";

    SendMessageA(w, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(memory.place(&ours, sizeof ours)));
    EXPECT_EQ(SW_GetCount(), 2) << "a line box arrival, read within its 32 bytes";
    SW_Free();
}
