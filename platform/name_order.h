// Name order as the desktop's file managers show it: names compared in the
// user's language with letter case ignored and digits by value ("2 - b"
// before "10 - a", "Disc 2" before "disc 10").
#pragma once

#include <QCollator>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One sort key for each of `count` names, name i given by nameAt(i).
class NameSortKeys {
public:
    using NameAt = std::function<const QString&(size_t)>;
    using Less = std::function<bool(size_t, size_t)>;
    NameSortKeys(size_t count, const NameAt& nameAt);

    // The indices of the names in name order; names equal in it (such as
    // "Song.mp3" and "song.mp3") in the order tieBreak gives them.
    std::vector<size_t> order(const Less& tieBreak) const;

private:
    bool makePlainKeys(size_t count, const NameAt& nameAt);
    std::string_view plainKey(size_t index) const;
    uint64_t headOf(size_t index) const;
    int compare(size_t a, size_t b) const;

    size_t count_;

    QCollator collator_;
    // Printable ASCII names in English order: the keys one after another,
    // key k from plainEnds_[k - 1] (0 for the first) to plainEnds_[k].
    std::string plainKeys_;
    std::vector<size_t> plainEnds_;
    std::vector<QCollatorSortKey> collatorKeys_; // any other names
};

} // namespace platform
