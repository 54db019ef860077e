#include <windows.h>

#include <process.h>

#include "platform/platform_thread.h"

namespace host::platform {

struct Mutex::Impl {
    CRITICAL_SECTION cs;
};
Mutex::Mutex() : impl_(std::make_unique<Impl>()) { InitializeCriticalSection(&impl_->cs); }
Mutex::~Mutex() { DeleteCriticalSection(&impl_->cs); }
void Mutex::lock() { EnterCriticalSection(&impl_->cs); }
bool Mutex::try_lock() { return TryEnterCriticalSection(&impl_->cs) != 0; }
void Mutex::unlock() { LeaveCriticalSection(&impl_->cs); }

struct Signal::Impl {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);  // auto-reset
};
Signal::Signal() : impl_(std::make_unique<Impl>()) {}
Signal::~Signal() {
    if (impl_->event) CloseHandle(impl_->event);
}
void Signal::notify() { SetEvent(impl_->event); }
bool Signal::wait_ms(int ms) { return WaitForSingleObject(impl_->event, static_cast<DWORD>(ms)) == WAIT_OBJECT_0; }

struct Thread::Impl {
    std::function<void()> body;
    HANDLE handle = nullptr;
};

namespace {
unsigned __stdcall run(void* arg) {
    static_cast<std::function<void()>*>(arg)->operator()();
    return 0;
}
}  // namespace

Thread::Thread(std::function<void()> body, Priority priority) : impl_(std::make_unique<Impl>()) {
    impl_->body = std::move(body);
    impl_->handle = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, run, &impl_->body, 0, nullptr));
    if (impl_->handle && priority == Priority::Below) SetThreadPriority(impl_->handle, THREAD_PRIORITY_BELOW_NORMAL);
}
Thread::~Thread() {
    if (!impl_->handle) return;
    WaitForSingleObject(impl_->handle, INFINITE);
    CloseHandle(impl_->handle);
}

}  // namespace host::platform
