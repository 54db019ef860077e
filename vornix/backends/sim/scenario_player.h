// Plays a scenario on the simulated line-box bus: plugs and pulls boxes, rings their
// lines with a caller number, lifts and hangs up handsets, sends DTMF digits, feeds
// call audio and injects faults, each at its time on the bus's virtual clock.
//
// Like a real box, a simulated box reports one audio block ready (record-end flag set)
// for every 2.048 s of call audio, and clears the flag when the block has been read;
// the block in progress at the hang-up is completed and reported too. It reports DTMF
// digits until one status read has fetched them.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "line_audio.h"
#include "scenario.h"
#include "sim_bus.h"

namespace vornix::sim {

class ScenarioPlayer {
public:
    // Loads every WAV file the scenario names (throws ScenarioError, with the file and
    // line that names it, when one cannot be used), so that problems show before the
    // first call.
    ScenarioPlayer(vornix::sim::Bus& bus, Scenario scenario);
    // Takes the audio feeds off the boxes still plugged (they point into the player).
    ~ScenarioPlayer();
    ScenarioPlayer(const ScenarioPlayer&) = delete;
    ScenarioPlayer& operator=(const ScenarioPlayer&) = delete;

    // Sets the bus's clock as the scenario's `clock` says, then plays the lines due at
    // the start (time 0), e.g. the boxes plugged in at start.
    void start();
    // Moves simulated time on by `ms` and plays every line due by then.
    void advance(int32_t ms);

    int64_t now_ms() const { return now_ms_; }
    // True once the scenario is over: at an explicit `end`, otherwise a little after
    // the last line so that the host can notice it.
    bool over() const;

    // For tests: the bus id of a box by its scenario name (-1 when not plugged).
    int bus_id(const std::string& box) const;

private:
    struct SimBox {
        int bus_id = -1;
        int serial = 0;
        bool offset_marker = true;
        bool ringing = false;
        bool off_hook = false;
        std::string caller;
        std::string dtmf;
        int dtmf_reads_mark = 0;     // status reads of the box when the digits were set
        std::shared_ptr<LineAudio> audio;
        int64_t call_ms = 0;         // call audio produced so far
        bool finishing = false;      // hung up inside a block, which the box still completes
        int64_t blocks_made = 0;
        int64_t blocks_pending = 0;  // ready, not yet read
        uint64_t blocks_sent = 0;    // position of the next block in the call audio
        uint64_t reads_seen = 0;
    };

    void play_due();
    void move_to(int64_t t);
    void apply(size_t index);
    void plug(SimBox& b, const Action& a);
    void refresh(SimBox& b, int32_t elapsed_ms);
    void fill_block(SimBox& b, uint8_t* block, uint32_t size);

    vornix::sim::Bus& bus_;
    Scenario scenario_;
    std::vector<std::shared_ptr<LineAudio>> audio_;  // per action, for `audio` lines
    std::map<std::string, SimBox> boxes_;            // node addresses stay put
    size_t next_ = 0;
    int64_t now_ms_ = 0;
    int next_serial_;
    bool explicit_end_;
};

}  // namespace vornix::sim
