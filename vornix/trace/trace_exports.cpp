// The traced library's 39 exports: each writes the call with its arguments, enters the
// library's own export of that name (renamed by the build to vornix_inner_*), and
// writes the result and the last error.
#include <cstdint>
#include <type_traits>

#include "export_list.h"
#include "trace_recorder.h"

#define VORNIX_INNER_DECLARATION(name, ordinal, result, params, args) \
    result VORNIX_CALL vornix_inner_##name params;
extern "C" {
VORNIX_EXPORT_LIST(VORNIX_INNER_DECLARATION)
}

namespace {

// A call's arguments as the trace keeps them: numbers as they are, a buffer as
// given (1) or null (0), a path also with its characters.
struct Arguments {
    int32_t values[8] = {};
    int count = 0;
    const char* text = nullptr;

    void take() {}
    template <class... Rest>
    void take(int first, Rest... rest) {
        values[count++] = first;
        take(rest...);
    }
    template <class T, class... Rest>
    void take(T* first, Rest... rest) {
        values[count++] = first != nullptr;
        if constexpr (std::is_same_v<T, const char>) text = first;
        take(rest...);
    }
};

int64_t traced_value(int v) { return v; }
int64_t traced_value(vx_bool v) { return v; }
int64_t traced_value(const char* v) { return v != nullptr; }
const char* traced_text(const char* v) { return v; }
template <class T>
const char* traced_text(T) { return nullptr; }

}  // namespace

#define VORNIX_TRACED_EXPORT(name, ordinal, result, params, args)                    \
    extern "C" VORNIX_API result VORNIX_CALL name params {                           \
        Arguments traced_arguments;                                                  \
        traced_arguments.take args;                                                  \
        vornix::trace::call_begins(ordinal, traced_arguments.values, traced_arguments.count, \
                                   traced_arguments.text);                           \
        result traced_result = vornix_inner_##name args;                       \
        vornix::trace::call_returns(ordinal, traced_value(traced_result), traced_text(traced_result)); \
        return traced_result;                                                        \
    }
VORNIX_EXPORT_LIST(VORNIX_TRACED_EXPORT)
