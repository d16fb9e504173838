// Name order as the desktop's file managers show it: names compared in the
// user's language with letter case ignored and digits by value ("2 - b"
// before "10 - a", "Disc 2" before "disc 10").
#pragma once

#include <QCollator>
#include <QString>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One sort key for each of `count` names, name i given by nameAt(i);
// compare(a, b) orders names a and b (0 for names equal in that order, such
// as "Song.mp3" and "song.mp3").
class NameSortKeys {
public:
    using NameAt = std::function<const QString&(size_t)>;
    NameSortKeys(size_t count, const NameAt& nameAt);
    int compare(size_t a, size_t b) const;

private:
    bool makePlainKeys(size_t count, const NameAt& nameAt);
    std::string_view plainKey(size_t index) const;

    QCollator collator_;
    // Printable ASCII names in English order: the keys one after another,
    // key k from plainEnds_[k - 1] (0 for the first) to plainEnds_[k].
    std::string plainKeys_;
    std::vector<size_t> plainEnds_;
    std::vector<QCollatorSortKey> collatorKeys_; // any other names
};

} // namespace platform
