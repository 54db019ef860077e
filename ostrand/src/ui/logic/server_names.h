// Filling the server box's list from the name list of the server enumeration.
#pragma once
#include <string>

namespace ostrand {

// The enumeration's name list: a count and an item accessor by integer index.
// Either may throw when the component fails.
class ServerNameSource {
public:
    virtual ~ServerNameSource() = default;
    virtual long count() = 0;
    virtual std::string item(long index) = 0;
};

// The item list of the server box (its edit text is not part of it).
class ServerNameList {
public:
    virtual ~ServerNameList() = default;
    virtual void clear() = 0;
    virtual void append(const std::string& name) = 0;
};

// Clears the list, then appends every non-blank name untrimmed, in index order 0 to
// count - 1, duplicates kept. A failure of the source propagates and leaves the names
// added so far in the list.
void FillNames(ServerNameSource& source, ServerNameList& list);

}  // namespace ostrand
