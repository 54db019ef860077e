// No exception leaves an export: device operations run behind this barrier and turn
// anything thrown into their failure value.
#pragma once

namespace vornix {

template <class R, class Body>
R shielded(R failure, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

}  // namespace vornix
