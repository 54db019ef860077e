// Threads beside the recording loop (the web console's, the callers', the deletions'),
// the lock they share with it, and the signal that wakes one for work. The Windows
// compilers' own thread library is not there, so each system's own.
#pragma once
#include <functional>
#include <memory>

namespace host::platform {

class Mutex {
public:
    Mutex();
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    void lock();
    // The loop only tries: it never waits for another thread.
    bool try_lock();
    void unlock();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A wake-up call between threads: notify() wakes the one waiting (or the next to wait).
// notify() never waits, so that the recording loop may call it.
class Signal {
public:
    Signal();
    ~Signal();
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;
    void notify();
    // True when notified within `ms`; the notice is used up.
    bool wait_ms(int ms);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Runs `body` on a thread of its own; joined when the object goes. A thread `below`
// the others gives way to the recording loop when the processor is busy.
class Thread {
public:
    enum class Priority { Normal, Below };
    explicit Thread(std::function<void()> body, Priority priority = Priority::Normal);
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace host::platform
