#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/platform_thread.h"

namespace host::platform {

struct Mutex::Impl {
    std::mutex m;
};
Mutex::Mutex() : impl_(std::make_unique<Impl>()) {}
Mutex::~Mutex() = default;
void Mutex::lock() { impl_->m.lock(); }
bool Mutex::try_lock() { return impl_->m.try_lock(); }
void Mutex::unlock() { impl_->m.unlock(); }

struct Signal::Impl {
    std::mutex m;
    std::condition_variable cv;
    std::atomic<bool> notified{false};
};
Signal::Signal() : impl_(std::make_unique<Impl>()) {}
Signal::~Signal() = default;
void Signal::notify() {
    impl_->notified = true;
    // Passing through the lock puts the notice after a waiter's look at the flag. The
    // notifier only tries it: when it is busy the waiter is just going to sleep (or
    // waking), and at worst this notice reaches it at its time limit.
    if (impl_->m.try_lock()) impl_->m.unlock();
    impl_->cv.notify_one();
}
bool Signal::wait_ms(int ms) {
    std::unique_lock<std::mutex> lock(impl_->m);
    const bool got =
        impl_->cv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return impl_->notified.load(); });
    impl_->notified = false;
    return got;
}

struct Thread::Impl {
    std::thread t;
};
Thread::Thread(std::function<void()> body, Priority priority) : impl_(std::make_unique<Impl>()) {
    impl_->t = std::thread([body = std::move(body), priority] {
#if defined(__linux__)
        // On Linux the nice value belongs to the thread.
        constexpr int kBelowNice = 10;
        if (priority == Priority::Below) setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), kBelowNice);
#else
        (void)priority;
#endif
        body();
    });
}
Thread::~Thread() {
    if (impl_->t.joinable()) impl_->t.join();
}

}  // namespace host::platform
