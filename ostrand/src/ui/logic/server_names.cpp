#include "server_names.h"

#include "text_trim.h"

namespace ostrand {

void FillNames(ServerNameSource& source, ServerNameList& list) {
    list.clear();
    const long count = source.count();
    for (long i = 0; i < count; ++i) {
        if (IsBlank(source.item(i))) continue;
        // The item is asked for again: what goes into the list is the second answer.
        list.append(source.item(i));
    }
}

}  // namespace ostrand
