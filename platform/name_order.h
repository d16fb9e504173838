// Name order as the desktop's file managers show it: names compared in the
// user's language with letter case ignored and digits by value ("2 - b"
// before "10 - a", "Disc 2" before "disc 10").
#pragma once

#include <QByteArray>
#include <QCollator>
#include <QString>
#include <vector>

namespace platform {

// One sort key per name; compare(a, b) orders names a and b (0 for names
// equal in that order, such as "Song.mp3" and "song.mp3").
class NameSortKeys {
public:
    explicit NameSortKeys(const std::vector<QString>& names);
    int compare(size_t a, size_t b) const;

private:
    bool makePlainKeys(const std::vector<QString>& names);

    QCollator collator_;
    std::vector<QByteArray> plainKeys_;          // printable ASCII names in English order
    std::vector<QCollatorSortKey> collatorKeys_; // any other names
};

} // namespace platform
