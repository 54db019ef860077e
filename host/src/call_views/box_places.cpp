#include "call_views/box_places.h"

#include <algorithm>

namespace host::call_views {

BoxPlaces::BoxPlaces(const LineNames& names) : names_(names) {}

std::vector<BoxPlace> BoxPlaces::places(const std::vector<int>& serial_by_slot) {
    for (int serial : serial_by_slot) {
        if (serial <= 0 || names_.order().count(serial) || std::count(seen_.begin(), seen_.end(), serial)) continue;
        if (seen_.size() == kMostBoxes) seen_.erase(seen_.begin());
        seen_.push_back(serial);
    }
    std::vector<BoxPlace> cards;
    cards.reserve(names_.order().size() + seen_.size());
    std::vector<std::pair<size_t, int>> named;
    for (const auto& [serial, at] : names_.order()) named.emplace_back(at, serial);
    std::sort(named.begin(), named.end());
    for (const auto& n : named) cards.push_back({n.second, -1, 0});
    for (int serial : seen_) cards.push_back({serial, -1, 0});
    for (size_t slot = 0; slot < serial_by_slot.size(); ++slot)
        for (BoxPlace& card : cards)
            if (card.serial == serial_by_slot[slot] && card.slot < 0) {
                card.slot = static_cast<int>(slot);
                card.line = slot;
            }
    return cards;
}

}  // namespace host::call_views
