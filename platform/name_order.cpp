#include "platform/name_order.h"

#include <algorithm>
#include <array>
#include <optional>

namespace platform {

namespace {

constexpr char16_t kFirstPrintable = 0x20;
constexpr char16_t kLastPrintable = 0x7E;
constexpr int kPrintableCount = kLastPrintable - kFirstPrintable + 1;
constexpr int kLongestNumber = 200; // digits of value in one run of the plain keys

// The collator of the user's language; the C locale has no numeric order of
// its own, so it takes English rules.
QCollator nameCollator() {
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Each printable ASCII character's place in the collator's order (1 for the
// first; characters the collator finds equal, such as 'a' and 'A', share
// one). Nothing when the order is not one of single characters with the
// digits side by side, which is what plain keys need.
using Ranks = std::array<char, kPrintableCount>;
std::optional<Ranks> printableRanks(const QCollator& collator) {
    std::vector<QString> characters;
    for (char16_t c = kFirstPrintable; c <= kLastPrintable; ++c)
        characters.push_back(QString(QChar(c)));
    std::sort(characters.begin(), characters.end(),
              [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    Ranks ranks{};
    int rank = 0;
    for (size_t i = 0; i < characters.size(); ++i) {
        if (collator.compare(characters[i], QString()) == 0)
            return std::nullopt; // an ignorable character
        if (i == 0 || collator.compare(characters[i - 1], characters[i]) != 0)
            ++rank;
        ranks[characters[i].front().unicode() - kFirstPrintable] = static_cast<char>(rank);
    }
    const auto rankOf = [&](char16_t c) { return ranks[c - kFirstPrintable]; };
    for (char16_t c = kFirstPrintable; c <= kLastPrintable; ++c) {
        if (!isDigit(c) && rankOf(c) >= rankOf(u'0') && rankOf(c) <= rankOf(u'9'))
            return std::nullopt;
    }
    return ranks;
}

// Appends the plain key of a printable ASCII name: each character's rank,
// and each run of digits as the digits' rank, the count of its digits
// without leading zeros, then those digits, so that runs compare by value.
// False for any other name.
bool appendPlainKey(const QString& name, const Ranks& ranks, std::string& keys) {
    const auto* at = reinterpret_cast<const char16_t*>(name.utf16());
    const char16_t* end = at + name.size();
    while (at != end) {
        if (*at < kFirstPrintable || *at > kLastPrintable)
            return false;
        if (!isDigit(*at)) {
            keys += ranks[*at++ - kFirstPrintable];
            continue;
        }
        const char16_t* digits = at;
        while (at != end && isDigit(*at))
            ++at;
        while (digits + 1 < at && *digits == u'0')
            ++digits;
        if (at - digits > kLongestNumber)
            return false;
        keys += ranks[u'0' - kFirstPrintable];
        keys += static_cast<char>(at - digits);
        for (; digits != at; ++digits)
            keys += static_cast<char>(*digits);
    }
    return true;
}

} // namespace

NameSortKeys::NameSortKeys(size_t count, const NameAt& nameAt)
    : count_(count), collator_(nameCollator()) {
    if (makePlainKeys(count, nameAt))
        return;
    collatorKeys_.reserve(count);
    for (size_t i = 0; i < count; ++i)
        collatorKeys_.push_back(collator_.sortKey(nameAt(i)));
}

// Plain keys give the collator's order at a tenth of its cost, for English
// rules (other languages join letters, as Danish "aa" or Czech "ch") and
// names of printable ASCII.
bool NameSortKeys::makePlainKeys(size_t count, const NameAt& nameAt) {
    if (collator_.locale().language() != QLocale::English)
        return false;
    const std::optional<Ranks> ranks = printableRanks(collator_);
    if (!ranks)
        return false;
    size_t room = 0;
    for (size_t i = 0; i < count; ++i)
        room += static_cast<size_t>(nameAt(i).size()) + 4; // a digit run adds two bytes
    plainKeys_.reserve(room);
    plainEnds_.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        if (!appendPlainKey(nameAt(i), *ranks, plainKeys_)) {
            plainKeys_.clear();
            plainEnds_.clear();
            return false;
        }
        plainEnds_.push_back(plainKeys_.size());
    }
    return true;
}

std::string_view NameSortKeys::plainKey(size_t index) const {
    const size_t begin = index == 0 ? 0 : plainEnds_[index - 1];
    return std::string_view(plainKeys_).substr(begin, plainEnds_[index] - begin);
}

// The first eight bytes of a plain key as one number (keys hold no zero
// bytes, so a shorter key's zeros order it first); 0 for collator keys.
uint64_t NameSortKeys::headOf(size_t index) const {
    if (plainEnds_.empty())
        return 0;
    const std::string_view key = plainKey(index);
    uint64_t head = 0;
    for (size_t i = 0; i < sizeof head; ++i)
        head = head << 8 | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return head;
}

int NameSortKeys::compare(size_t a, size_t b) const {
    if (!plainEnds_.empty())
        return plainKey(a).compare(plainKey(b));
    return collatorKeys_[a].compare(collatorKeys_[b]);
}

std::vector<size_t> NameSortKeys::order(const Less& tieBreak) const {
    // Most names differ in their first key bytes, and comparing those as
    // numbers kept beside the index spares the sort a look into the keys.
    struct Item {
        uint64_t head;
        size_t index;
    };
    std::vector<Item> items(count_);
    for (size_t i = 0; i < count_; ++i)
        items[i] = {headOf(i), i};
    std::sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
        if (a.head != b.head)
            return a.head < b.head;
        const int byKey = compare(a.index, b.index);
        return byKey != 0 ? byKey < 0 : tieBreak(a.index, b.index);
    });
    std::vector<size_t> indices(count_);
    for (size_t i = 0; i < count_; ++i)
        indices[i] = items[i].index;
    return indices;
}

} // namespace platform
