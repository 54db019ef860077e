// How long the loop's rounds over the boxes take (the wait between rounds left out),
// for measuring what runs beside the loop: --round-times prints the figures at the end.
#pragma once
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace host {

class RoundTimes {
public:
    explicit RoundTimes(bool on) : on_(on) {}
    void begin() {
        if (on_) start_ = std::chrono::steady_clock::now();
    }
    void end() {
        if (on_) us_.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start_).count());
    }
    void report(std::FILE* out) {
        if (!on_ || us_.empty()) return;
        std::sort(us_.begin(), us_.end());
        auto at = [&](double q) { return us_[static_cast<size_t>(q * static_cast<double>(us_.size() - 1))] / 1000.0; };
        std::fprintf(out, "round times: %zu rounds, p50 %.3f ms, p99 %.3f ms, max %.3f ms\n", us_.size(), at(0.5),
                     at(0.99), us_.back() / 1000.0);
    }

private:
    bool on_;
    std::chrono::steady_clock::time_point start_;
    std::vector<double> us_;
};

}  // namespace host
