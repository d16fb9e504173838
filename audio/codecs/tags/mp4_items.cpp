#include "audio/codecs/tags/mp4_items.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

namespace audio::tags {
namespace {

// Real movies have a few dozen atoms in a container; the walk stops at this
// many rather than spend long on a hostile file's.
constexpr std::size_t kMaxWalkedAtoms = 4 * kMaxDemuxedItems;

struct Atom {
    int64_t offset = 0;
    int64_t end = 0;
    int headerSize = 8; // 16 with a 64-bit size
    std::string type;
    int64_t contentStart() const { return offset + headerSize; }
};

std::optional<Atom> atomAt(ByteReader& file, int64_t offset, int64_t limit) {
    const auto size = file.bigEndian(offset, 4);
    const auto type = file.bytes(offset + 4, 4);
    if (!size || !type)
        return std::nullopt;
    Atom atom{offset, offset + static_cast<int64_t>(*size), 8, *type};
    if (*size == 1) {
        const auto large = file.bigEndian(offset + 8, 8);
        if (!large || *large > static_cast<uint64_t>(limit - offset))
            return std::nullopt;
        atom.end = offset + static_cast<int64_t>(*large);
        atom.headerSize = 16;
    } else if (*size == 0) {
        atom.end = limit; // to the end of its parent
    }
    if (atom.end - atom.offset < atom.headerSize || atom.end > limit)
        return std::nullopt;
    return atom;
}

// Calls visit for each of the atoms from begin to end, at most most of them;
// visit returns false to stop.
void forEachAtom(ByteReader& file, int64_t begin, int64_t end,
                 const std::function<bool(const Atom&, std::size_t index)>& visit,
                 std::size_t most = kMaxWalkedAtoms) {
    std::size_t index = 0;
    for (int64_t at = begin; at < end && index < most; ++index) {
        const auto atom = atomAt(file, at, end);
        if (!atom || !visit(*atom, index))
            return;
        at = atom->end;
    }
}

// Where an atom's children begin. A metadata atom has version and flags
// before them, except in QuickTime's form, where its first child (the
// handler) follows the header at once.
int64_t childrenStart(ByteReader& file, const Atom& atom) {
    if (atom.type != "meta")
        return atom.contentStart();
    const bool quickTime = file.startsWith(atom.contentStart() + 4, "hdlr");
    return atom.contentStart() + (quickTime ? 0 : 4);
}

void cutAfter(const Atom& parent, const Atom& firstCut, TagCuts& cuts) {
    const uint64_t rest = static_cast<uint64_t>(parent.end - firstCut.offset);
    if (rest > 0xFFFFFFFFu)
        return;
    const uint64_t kept = static_cast<uint64_t>(firstCut.offset - parent.offset);
    if (parent.headerSize == 16)
        cuts.patches.push_back({parent.offset + 8, bigEndianBytes(kept, 8)});
    else
        cuts.patches.push_back({parent.offset, bigEndianBytes(kept, 4)});
    cuts.patches.push_back({firstCut.offset, bigEndianBytes(rest, 4) + "free"});
}

// Real files nest moov/trak/udta/meta/ilst about five deep; a file that nests
// further is not followed, so that it cannot exhaust the stack.
constexpr int kMaxNesting = 8;

void cutContainer(ByteReader& file, const Atom& container, TagCuts& cuts, int depth) {
    const bool cut = container.type == "udta" || container.type == "ilst";
    forEachAtom(file, childrenStart(file, container), container.end,
                [&](const Atom& child, std::size_t i) {
                    if (cut && i == kMaxDemuxedItems) {
                        cutAfter(container, child, cuts);
                        return false;
                    }
                    const bool container = child.type == "trak" || child.type == "udta" ||
                                           child.type == "meta" || child.type == "ilst";
                    if (container && depth < kMaxNesting)
                        cutContainer(file, child, cuts, depth + 1);
                    return true;
                });
}

std::string atomBytes(std::string_view type, const std::string& content) {
    return bigEndianBytes(8 + content.size(), 4) + std::string(type) + content;
}

std::optional<Atom> childOf(ByteReader& file, const Atom& parent, std::string_view type) {
    std::optional<Atom> found;
    forEachAtom(file, childrenStart(file, parent), parent.end, [&](const Atom& child, std::size_t) {
        if (child.type == type)
            found = child;
        return !found;
    });
    return found;
}

} // namespace

void cutMp4Items(ByteReader& file, int64_t start, TagCuts& cuts) {
    const int64_t end = file.size();
    forEachAtom(file, start, end, [&](const Atom& atom, std::size_t) {
        if (atom.type == "moov" || atom.type == "meta")
            cutContainer(file, atom, cuts, 1);
        return true;
    });
}

std::optional<std::string> mp4ItemSubset(ByteReader& file,
                                         const std::vector<std::string_view>& types) {
    std::optional<Atom> moov;
    forEachAtom(file, 0, file.size(), [&](const Atom& atom, std::size_t) {
        if (atom.type == "moov")
            moov = atom;
        return !moov;
    });
    const auto udta = moov ? childOf(file, *moov, "udta") : std::nullopt;
    const auto meta = udta ? childOf(file, *udta, "meta") : std::nullopt;
    const auto ilst = meta ? childOf(file, *meta, "ilst") : std::nullopt;
    if (!ilst)
        return std::nullopt;
    std::string items;
    std::vector<std::string> seen;
    forEachAtom(
        file, ilst->contentStart(), ilst->end,
        [&](const Atom& item, std::size_t) {
            const bool wanted = std::find(types.begin(), types.end(), item.type) != types.end();
            if (!wanted || std::find(seen.begin(), seen.end(), item.type) != seen.end())
                return true;
            const auto bytes =
                file.bytes(item.offset, static_cast<std::size_t>(item.end - item.offset));
            if (bytes) {
                items += *bytes;
                seen.push_back(item.type);
            }
            return true;
        },
        SIZE_MAX);
    const std::string ilstAtom = atomBytes("ilst", items);
    return atomBytes("ftyp", "M4A " + bigEndianBytes(0, 4) + "M4A isom") +
           atomBytes("moov", atomBytes("udta", atomBytes("meta", bigEndianBytes(0, 4) + ilstAtom)));
}

} // namespace audio::tags
