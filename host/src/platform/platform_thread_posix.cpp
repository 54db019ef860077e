#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

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
