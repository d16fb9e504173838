#include "playback/random_order.h"

namespace playback {

void RandomOrder::Build(int count, uint32_t seed, unsigned listId) {
    if (count <= 0)
        return;
    std::mt19937 generator(seed);
    std::vector<bool> used(static_cast<size_t>(count), false);
    entries_.assign(static_cast<size_t>(count) + 1, -1);
    // Draw until an unused row comes up; every row occurs exactly once.
    for (int i = 0; i < count;) {
        const auto value = static_cast<int>((generator() >> 1) % static_cast<uint32_t>(count));
        if (used[static_cast<size_t>(value)])
            continue;
        used[static_cast<size_t>(value)] = true;
        entries_[static_cast<size_t>(i++)] = value;
    }
    cursor_ = 0;
    builtCount_ = count;
    builtListId_ = listId;
}

bool RandomOrder::IsBuiltFor(int count, unsigned listId) const {
    return builtCount_ == count && builtListId_ == listId;
}

int RandomOrder::Current() const {
    return entries_[cursor_];
}

bool RandomOrder::Advance() {
    if (entries_[cursor_] != -1)
        ++cursor_;
    return entries_[cursor_] != -1;
}

} // namespace playback
