#include "sim_bus.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>


namespace vornix::sim {

namespace {

constexpr uint8_t kSilentSample = 0x80;

uint8_t reverse_bits(uint8_t v) {
    uint8_t r = 0;
    for (int i = 0; i < 8; ++i) r = static_cast<uint8_t>(r | (((v >> i) & 1u) << (7 - i)));
    return r;
}

uint8_t dtmf_code(char c) {
    switch (c) {
        case 'D': return 0x00;
        case '0': return 0x0A;
        case '*': return 0x0B;
        case '#': return 0x0C;
        case 'A': return 0x0D;
        case 'B': return 0x0E;
        case 'C': return 0x0F;
        default:
            if (c >= '1' && c <= '9') return static_cast<uint8_t>(c - '0');
            throw std::invalid_argument(std::string("not a DTMF digit: ") + c);
    }
}

void fill_field(std::array<uint8_t, kStatusRecordSize>& bytes, size_t at,
                const std::vector<uint8_t>& codes) {
    for (size_t i = 0; i < kDigitCodeCount; ++i)
        bytes[at + i] = i < codes.size() ? codes[i] : kEmptyCode;
}

}  // namespace

StatusRecord StatusRecord::valid() {
    StatusRecord r;
    r.bytes.fill(0);
    for (const RecordField& f : kRecordFields) {
        switch (f.kind) {
            case FieldKind::DigitCodes: fill_field(r.bytes, f.at, {}); break;
            case FieldKind::Flag: r.flag(f.at, false); break;
            case FieldKind::Serial: break;
            case FieldKind::Validity: std::fill_n(r.bytes.begin() + f.at, f.width, kValidityChar); break;
        }
    }
    return r;
}

StatusRecord& StatusRecord::caller_id_codes(const std::vector<uint8_t>& codes) {
    fill_field(bytes, kCallerIdCodes, codes);
    return *this;
}

StatusRecord& StatusRecord::caller_id(const std::string& digits) {
    std::vector<uint8_t> codes;
    for (char c : digits) {
        if (c < '0' || c > '9') throw std::invalid_argument("caller ID digits are 0-9");
        codes.push_back(reverse_bits(static_cast<uint8_t>(c)));
    }
    return caller_id_codes(codes);
}

StatusRecord& StatusRecord::dtmf_codes(const std::vector<uint8_t>& codes) {
    fill_field(bytes, kDtmfCodes, codes);
    return *this;
}

StatusRecord& StatusRecord::dtmf(const std::string& digits) {
    std::vector<uint8_t> codes;
    for (char c : digits) codes.push_back(dtmf_code(c));
    return dtmf_codes(codes);
}

StatusRecord& StatusRecord::flag(size_t at, bool on) {
    bytes[at] = on ? kFlagSet : kFlagClear;
    return *this;
}

StatusRecord& StatusRecord::serial(uint16_t code) {
    bytes[kSerialHigh] = static_cast<uint8_t>(code >> 8);
    bytes[kSerialLow] = static_cast<uint8_t>(code & 0xFF);
    return *this;
}

StatusRecord& StatusRecord::invalid() {
    std::fill_n(bytes.begin() + kValidityMarker, kValidityLength, 0);
    return *this;
}

std::array<uint8_t, kStatusReportSize> make_status_report(const StatusRecord& record,
                                                          bool offset_marker) {
    std::array<uint8_t, kStatusReportSize> report{};
    for (size_t i = 0; i < report.size(); ++i) report[i] = static_cast<uint8_t>(i * 7 + 3);
    std::fill_n(report.begin() + kMarkerAt, kMarkerLength, offset_marker ? kMarkerChar : '-');
    const size_t at = offset_marker ? kPayloadAtBehindMarker : kPayloadAt;
    std::copy(record.bytes.begin(), record.bytes.end(), report.begin() + at);
    // A record at the plain position covers the marker bytes: if its own bytes there
    // all read as the marker, the library would look for it elsewhere.
    if (payload_offset(report.data(), report.size()) != at)
        throw std::invalid_argument("record bytes 1-5 all '+' would read as the offset marker");
    return report;
}

int Counters::requests_for(uint32_t code) const {
    auto it = requests.find(code);
    return it == requests.end() ? 0 : it->second;
}

void Bus::reset() {
    boxes_.clear();
    next_id_ = 1;
    clock_ = 0;
    nt51_ = false;
    counters_ = Counters{};
    handles_.clear();
}

void Bus::reset_counters() {
    const int still_open = counters_.open_handles;
    counters_ = Counters{};
    counters_.open_handles = still_open;
    for (auto& b : boxes_) b.counters = BoxCounters{};
}

int Bus::plug_silently(const std::string& path) {
    if (static_cast<int>(boxes_.size()) >= kMaxBoxes * 2)
        throw std::length_error("too many simulated boxes");
    Box b;
    b.id = next_id_++;
    b.path = path.empty() ? "\\\\?\\usb#vid_0547&pid_1002#linebox" + std::to_string(b.id) +
                                "#{8aeaa794-c079-45cc-8ad8-9772319aa6b7}"
                          : path;
    b.status_report = make_status_report(StatusRecord::valid(), false);
    boxes_.push_back(std::move(b));
    return boxes_.back().id;
}

int Bus::plug(const std::string& path) {
    const int id = plug_silently(path);
    deliver_change(vornix::port::HotplugEvent::Arrived, box(id).path);
    return id;
}

void Bus::unplug_silently(int box_id) {
    auto it = std::find_if(boxes_.begin(), boxes_.end(), [&](const Box& b) { return b.id == box_id; });
    if (it == boxes_.end()) throw std::out_of_range("no such box");
    boxes_.erase(it);
}

void Bus::unplug(int box_id) {
    Box gone = box(box_id);
    unplug_silently(box_id);
    deliver_change(vornix::port::HotplugEvent::Left, gone.path);
}

Box& Bus::box(int box_id) {
    for (auto& b : boxes_)
        if (b.id == box_id) return b;
    throw std::out_of_range("no such box");
}

int Bus::present_count() const { return static_cast<int>(boxes_.size()); }

int Bus::box_at(int slot) const {
    if (slot < 0 || slot >= static_cast<int>(boxes_.size())) return -1;
    return boxes_[static_cast<size_t>(slot)].id;
}

void Bus::set_status(int box_id, const StatusRecord& record, bool offset_marker) {
    box(box_id).status_report = make_status_report(record, offset_marker);
}

void Bus::set_status_report(int box_id, const std::array<uint8_t, kStatusReportSize>& report) {
    box(box_id).status_report = report;
}

void Bus::set_audio(int box_id, AudioSource source) { box(box_id).audio = std::move(source); }

void Bus::set_fault(int box_id, Fault fault, uint32_t code, int times) {
    Box& b = box(box_id);
    if (fault == Fault::None) b.faults.erase(code);
    else b.faults[code] = {fault, times};
}

void Bus::clear_faults(int box_id) { box(box_id).faults.clear(); }

Fault Bus::take_fault(Box& b, uint32_t code) {
    for (uint32_t key : {code, 0u}) {
        auto it = b.faults.find(key);
        if (it == b.faults.end()) continue;
        const Fault f = it->second.first;
        if (it->second.second > 0 && --it->second.second == 0) b.faults.erase(it);
        return f;
    }
    return Fault::None;
}

namespace {
// Whether fault `f` concerns the stage being checked.
bool is_open_fault(Fault f) { return f == Fault::OpenFails; }
bool is_read_fault(Fault f) { return f == Fault::ReadFails || f == Fault::ReadEmpty || f == Fault::ReadShort; }
}  // namespace

void Bus::deliver_change(vornix::port::HotplugEvent event, const std::string& path) {
    if (listener_) listener_(event, path);
}

bool Bus::interface_at(int slot, std::string* path) {
    const int id = box_at(slot);
    if (id < 0) return false;
    if (path) *path = box(id).path;
    return true;
}

Handle Bus::open(int slot, std::string* path) {
    ++counters_.open_attempts;
    const int id = box_at(slot);
    if (id < 0) return kInvalidHandle;
    Box& b = box(id);
    if (path) *path = b.path;
    if (!b.openable) return kInvalidHandle;
    auto it = b.faults.find(0);
    if (it != b.faults.end() && is_open_fault(it->second.first)) {
        take_fault(b, 0);
        return kInvalidHandle;
    }
    const Handle h = next_handle_;
    next_handle_ += 4;
    handles_[h] = OpenHandle{id};
    ++counters_.opens;
    ++counters_.open_handles;
    ++b.counters.opens;
    return h;
}

bool Bus::is_sim_handle(Handle h) const { return handles_.count(h) != 0; }

bool Bus::control(Handle h, uint32_t code, const void* in, uint32_t in_size) {
    auto it = handles_.find(h);
    if (it == handles_.end()) return false;
    ++counters_.requests[code];
    // A box pulled out while open answers nothing.
    Box* b = nullptr;
    for (auto& candidate : boxes_)
        if (candidate.id == it->second.box_id) b = &candidate;
    if (!b) return false;
    ++b->counters.requests[code];
    auto f = b->faults.find(code);
    if (f == b->faults.end()) f = b->faults.find(0);
    if (f != b->faults.end() && f->second.first == Fault::RequestRejected) {
        take_fault(*b, f->first);
        return false;
    }
    uint32_t word = 0;
    if (in && in_size >= 4) std::memcpy(&word, in, 4);
    if (code == IOCTL_LINEBOX_READ_STATUS || code == IOCTL_LINEBOX_READ_AUDIO) {
        it->second.pending_code = code;
        it->second.pending_word = word;
    }
    b->last_word[code] = word;
    return true;
}

bool Bus::read(Handle h, void* buffer, uint32_t size, uint32_t* got) {
    *got = 0;
    auto it = handles_.find(h);
    if (it == handles_.end()) return false;
    ++counters_.reads;
    Box* b = nullptr;
    for (auto& candidate : boxes_)
        if (candidate.id == it->second.box_id) b = &candidate;
    if (!b) return false;
    ++b->counters.reads;
    const uint32_t code = it->second.pending_code;
    auto f = b->faults.find(code);
    if (f == b->faults.end() || !is_read_fault(f->second.first)) f = b->faults.find(0);
    Fault fault = Fault::None;
    if (f != b->faults.end() && is_read_fault(f->second.first)) fault = take_fault(*b, f->first);
    if (fault == Fault::ReadFails) return false;
    if (fault == Fault::ReadEmpty) return true;

    const uint32_t offset = it->second.pending_word & 0xFFFFu;
    uint32_t n = size;
    if (fault == Fault::ReadShort) n = std::min(size, b->short_read_bytes);
    auto* out = static_cast<uint8_t*>(buffer);
    if (code == IOCTL_LINEBOX_READ_AUDIO) {
        uint8_t* block = audio_scratch_.data();
        std::memset(block, kSilentSample, size);
        if (b->audio) b->audio(block, offset, size, b->audio_reads);
        ++b->audio_reads;
        std::memcpy(out, block, n);
    } else {
        for (uint32_t i = 0; i < n; ++i) {
            const uint32_t at = offset + i;
            out[i] = at < kStatusReportSize ? b->status_report[at] : 0;
        }
    }
    *got = n;
    return true;
}

void Bus::close(Handle h) {
    if (handles_.erase(h)) --counters_.open_handles;
}

}  // namespace vornix::sim
