// GoogleTest port settings for the MinGW cross build (win32 thread model).
//
// That thread model has no std::mutex or std::condition_variable, which the stock
// Notification needs; GoogleTest's own Win32 mutex and thread code is used
// otherwise. This Notification only lets a controller thread release waiting
// threads, so a flag polled with Sleep is enough.
#ifndef VORNIX_MINGW_GTEST_CUSTOM_PORT_H
#define VORNIX_MINGW_GTEST_CUSTOM_PORT_H

#if defined(__MINGW32__)
#define GTEST_HAS_NOTIFICATION_ 1

extern "C" __declspec(dllimport) void __stdcall Sleep(unsigned long milliseconds);

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : notified_(0) {}
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { __atomic_store_n(&notified_, 1, __ATOMIC_RELEASE); }
    void WaitForNotification() {
        while (!__atomic_load_n(&notified_, __ATOMIC_ACQUIRE)) Sleep(1);
    }

private:
    int notified_;
};

}  // namespace internal
}  // namespace testing
#endif  // __MINGW32__

#endif  // VORNIX_MINGW_GTEST_CUSTOM_PORT_H
