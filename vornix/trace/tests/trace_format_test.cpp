// The trace's bytes: every record type written and read back, and a trace cut at
// every byte read up to its last whole record.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "trace_file.h"
#include "trace_format.h"

namespace vornix::trace {
namespace {

const uint8_t kBytes[] = {1, 2, 3, 4, 5};

std::vector<Event> one_of_each() {
    std::vector<Event> all;
    auto add = [&](Type t) -> Event& { all.emplace_back(); all.back().type = t; return all.back(); };
    Event& call = add(Type::Call);
    call.ordinal = 24, call.argc = 3, call.args[0] = 1, call.args[1] = 1, call.args[2] = -7;
    call.bytes = kBytes, call.byte_count = 3;
    Event& ret = add(Type::Return);
    ret.ordinal = 29, ret.value = -2, ret.code = 87, ret.bytes = kBytes, ret.byte_count = 2;
    Event& open = add(Type::Open);
    open.slot = 63, open.value = 0x7fffffff01ll, open.ok = true, open.bytes = kBytes, open.byte_count = 5;
    Event& control = add(Type::Control);
    control.value = 9, control.code = 0x22204c, control.ok = true, control.bytes = kBytes, control.byte_count = 4;
    Event& read = add(Type::Read);
    read.value = 9, read.asked = 576, read.ok = true, read.delivered = 5, read.bytes = kBytes, read.byte_count = 5;
    Event& repeat = add(Type::ReadRepeat);
    repeat.value = 9, repeat.asked = 576, repeat.ok = true, repeat.delivered = 576;
    Event& summary = add(Type::ReadSummary);
    summary.value = 9, summary.asked = 16896, summary.delivered = 16896, summary.code = 0xdeadbeef;
    add(Type::Close).value = 9;
    add(Type::Clock).value = -5;
    add(Type::Hotplug).hotplug = 1;
    add(Type::Version).ok = true;
    add(Type::LastError).code = 1;
    add(Type::WindowCreated).ok = true;
    add(Type::WindowDestroyed);
    Event& file = add(Type::File);
    file.code = static_cast<uint32_t>(FileOperation::Reopen), file.ok = true;
    return all;
}

// A trace of the events above; `ends` gets the offset after each record.
std::vector<uint8_t> trace_of(const std::vector<Event>& events, std::vector<size_t>* ends) {
    std::vector<uint8_t> bytes(kHeaderSize);
    Header header;
    header.start_unix_seconds = 1796812383;
    header.flags = kFlagAudioSummarized;
    encode_header(header, bytes.data());
    for (const Event& e : events) {
        uint8_t record[256];
        const size_t n = encode(e, record, sizeof record);
        EXPECT_GT(n, 0u) << type_name(e.type);
        bytes.insert(bytes.end(), record, record + n);
        if (ends) ends->push_back(bytes.size());
    }
    return bytes;
}

TEST(TraceFormat, EveryRecordTypeReadsBackAsWritten) {
    const std::vector<Event> events = one_of_each();
    const std::vector<uint8_t> bytes = trace_of(events, nullptr);
    Reader reader(bytes.data(), bytes.size());
    ASSERT_TRUE(reader.header_ok());
    EXPECT_EQ(reader.header().flags, kFlagAudioSummarized);
    EXPECT_EQ(reader.header().start_unix_seconds, 1796812383);
    for (const Event& want : events) {
        Event got;
        ASSERT_TRUE(reader.next(got)) << type_name(want.type);
        EXPECT_EQ(got.type, want.type);
        EXPECT_EQ(got.ordinal, want.ordinal);
        EXPECT_EQ(got.argc, want.argc);
        EXPECT_EQ(0, std::memcmp(got.args, want.args, sizeof got.args)) << type_name(want.type);
        EXPECT_EQ(got.value, want.value) << type_name(want.type);
        EXPECT_EQ(got.code, want.code) << type_name(want.type);
        EXPECT_EQ(got.slot, want.slot);
        EXPECT_EQ(got.asked, want.asked);
        EXPECT_EQ(got.delivered, want.delivered);
        EXPECT_EQ(got.ok, want.ok) << type_name(want.type);
        EXPECT_EQ(got.hotplug, want.hotplug);
        ASSERT_EQ(got.byte_count, want.byte_count) << type_name(want.type);
        if (want.byte_count) {
            EXPECT_EQ(0, std::memcmp(got.bytes, want.bytes, want.byte_count));
        }
    }
    Event after;
    EXPECT_FALSE(reader.next(after));
    EXPECT_FALSE(reader.cut());
    EXPECT_FALSE(reader.bad());
}

TEST(TraceFormat, LittleEndianOnEveryHost) {
    Event clock;
    clock.type = Type::Clock;
    clock.value = 0x01020304;
    uint8_t record[16];
    ASSERT_EQ(encode(clock, record, sizeof record), 10u);
    const uint8_t want[] = {4, 0, 0, 0, 9, 0, 4, 3, 2, 1};
    EXPECT_EQ(0, std::memcmp(record, want, sizeof want));
}

TEST(TraceFormat, ARecordThatDoesNotFitIsNotWritten) {
    Event read;
    read.type = Type::Read;
    read.delivered = read.byte_count = 5;
    read.bytes = kBytes;
    uint8_t record[24];
    EXPECT_EQ(encode(read, record, sizeof record), 0u);
}

TEST(TraceFormat, ACutTraceReadsUpToItsLastWholeRecord) {
    std::vector<size_t> ends;
    const std::vector<uint8_t> whole = trace_of(one_of_each(), &ends);
    for (size_t cut = 0; cut <= whole.size(); ++cut) {
        TraceFile t;
        t.bytes.assign(whole.begin(), whole.begin() + cut);
        decode(t);
        if (cut < kHeaderSize) {
            EXPECT_FALSE(t.header_ok) << cut;
            continue;
        }
        size_t whole_records = 0;
        while (whole_records < ends.size() && ends[whole_records] <= cut) ++whole_records;
        const size_t boundary = whole_records ? ends[whole_records - 1] : kHeaderSize;
        EXPECT_EQ(t.events.size(), whole_records) << cut;
        EXPECT_EQ(t.end_offset, boundary) << cut;
        EXPECT_EQ(t.cut, cut != boundary) << cut;
        EXPECT_FALSE(t.bad) << cut;
        EXPECT_EQ(ending(t).empty(), cut == boundary) << cut;
    }
}

TEST(TraceFormat, ARecordThatDoesNotDecodeEndsTheTrace) {
    std::vector<size_t> ends;
    std::vector<uint8_t> bytes = trace_of(one_of_each(), &ends);
    struct Damage { size_t at; uint8_t value; };
    const Damage cases[] = {
        {kHeaderSize + 4, 99},    // an unknown type
        {ends[8] + 6, 2},         // a hot-plug event neither arrived nor left
        {kHeaderSize + 8, 9},     // a call with more arguments than its payload holds
        {ends[13] + 6, 3},        // a file operation the format does not have
        {8, kVersion + 1},        // a later version
        {8, kOldestVersion - 1},  // an earlier one
    };
    for (const Damage& d : cases) {
        std::vector<uint8_t> damaged = bytes;
        damaged[d.at] = d.value;
        TraceFile t;
        t.bytes = damaged;
        decode(t);
        EXPECT_TRUE(t.bad || !t.header_ok) << d.at;
        EXPECT_FALSE(ending(t).empty()) << d.at;
    }
}

}  // namespace
}  // namespace vornix::trace
