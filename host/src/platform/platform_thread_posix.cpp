#include <semaphore.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
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

// A semaphore: posting it never blocks.
struct Signal::Impl {
    sem_t sem;
};
Signal::Signal() : impl_(std::make_unique<Impl>()) { sem_init(&impl_->sem, 0, 0); }
Signal::~Signal() { sem_destroy(&impl_->sem); }
void Signal::set() {
    int count = 0;
    if (sem_getvalue(&impl_->sem, &count) == 0 && count > 0) return;  // set already
    sem_post(&impl_->sem);
}
bool Signal::wait(int timeout_ms) {
    timespec until{};
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_sec += timeout_ms / 1000;
    until.tv_nsec += static_cast<long>(timeout_ms % 1000) * 1000000L;
    if (until.tv_nsec >= 1000000000L) ++until.tv_sec, until.tv_nsec -= 1000000000L;
    int rc;
    while ((rc = sem_timedwait(&impl_->sem, &until)) != 0 && errno == EINTR) {
    }
    if (rc != 0) return false;
    while (sem_trywait(&impl_->sem) == 0) {  // one wake for every set before it
    }
    return true;
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
