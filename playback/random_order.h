// The shuffled play order: a permutation of the row indices followed by the
// terminator -1, drawn with MT19937 seeded from the millisecond clock.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace playback {

class RandomOrder {
public:
    // Shuffles rows 0..count-1; a count of 0 keeps the old order. listId
    // names the list the order was built for.
    void Build(int count, uint32_t seed, unsigned listId);
    bool IsBuiltFor(int count, unsigned listId) const;
    bool empty() const { return entries_.size() <= 1; }

    // The entry under the cursor (-1 at the terminator).
    int Current() const;
    // Moves the cursor on; returns false when it reached the terminator.
    bool Advance();
    void Rewind() { cursor_ = 0; }

    const std::vector<int>& entries() const { return entries_; }
    size_t cursor() const { return cursor_; }

private:
    std::vector<int> entries_{-1};
    size_t cursor_ = 0;
    int builtCount_ = -1;
    unsigned builtListId_ = 0;
};

} // namespace playback
