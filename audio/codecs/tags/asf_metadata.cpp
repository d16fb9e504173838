#include "audio/codecs/tags/asf_metadata.h"

#include <algorithm>
#include <functional>

namespace audio::tags {
namespace {

// GUIDs as the file stores them (the first three fields little-endian).
const std::string kHeader("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
const std::string
    kContentDescription("\x33\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
const std::string
    kExtendedContentDescription("\x40\xA4\xD0\xD2\x07\xE3\xD2\x11\x97\xF0\x00\xA0\xC9\x5E\xA8\x50",
                                16);
const std::string
    kHeaderExtension("\xB5\x03\xBF\x5F\x2E\xA9\xCF\x11\x8E\xE3\x00\xC0\x0C\x20\x53\x65", 16);
const std::string kMetadata("\xEA\xCB\xF8\xC5\xAF\x5B\x77\x48\x84\x67\xAA\x8C\x44\xFA\x4C\xCA", 16);
const std::string
    kMetadataLibrary("\x94\x1C\x23\x44\x98\x94\xD1\x49\xA1\x41\x1D\x13\x4E\x45\x70\x54", 16);
const std::string
    kFileProperties("\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65", 16);
const std::string
    kStreamProperties("\x91\x07\xDC\xB7\xB7\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65", 16);
const std::string kPadding("\x74\xD4\x06\x18\xDF\xCA\x09\x45\xA4\xBA\x9A\xAB\xCB\x96\xAA\xE8", 16);
// The reserved GUID and number that begin a header extension's data.
const std::string kExtensionReserved =
    std::string("\x11\xD2\xD3\xAB\xBA\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65", 16) +
    std::string("\x06\x00", 2);

constexpr int64_t kObjectHeaderSize = 24;            // GUID and 64-bit size
constexpr int64_t kHeaderObjectSize = 30;            // and a count and two reserved bytes
constexpr int64_t kExtensionDataStart = 24 + 18 + 4; // and the reserved part and the data size

struct Object {
    int64_t offset = 0;
    int64_t end = 0;
    std::string guid;
};

bool isMetadata(const std::string& guid) {
    return guid == kExtendedContentDescription || guid == kMetadata || guid == kMetadataLibrary;
}

// Calls visit for each object from begin to end; stops at one that runs past
// end.
void forEachObject(ByteReader& file, int64_t begin, int64_t end,
                   const std::function<void(const Object&)>& visit) {
    for (int64_t at = begin; at + kObjectHeaderSize <= end;) {
        const auto guid = file.bytes(at, 16);
        const auto size = file.littleEndian(at + 16, 8);
        if (!guid || !size || *size < static_cast<uint64_t>(kObjectHeaderSize) ||
            *size > static_cast<uint64_t>(end - at))
            return;
        visit({at, at + static_cast<int64_t>(*size), *guid});
        at += static_cast<int64_t>(*size);
    }
}

// The header object's end; nothing when start holds none.
std::optional<int64_t> headerEnd(ByteReader& file, int64_t start) {
    if (!file.startsWith(start, kHeader))
        return std::nullopt;
    const auto size = file.littleEndian(start + 16, 8);
    if (!size || *size > static_cast<uint64_t>(file.size() - start))
        return std::nullopt;
    return start + static_cast<int64_t>(*size);
}

// The header extension holds objects of its own, among them metadata, but
// never another extension: only the header's own extension is followed.
void hideIn(ByteReader& file, int64_t begin, int64_t end, TagCuts& cuts, bool inExtension) {
    PaddingRuns runs(cuts, [](uint64_t size) -> std::optional<std::string> {
        return kPadding + littleEndianBytes(size, 8);
    });
    forEachObject(file, begin, end, [&](const Object& object) {
        if (isMetadata(object.guid)) {
            runs.hide(object.offset, object.end);
            return;
        }
        runs.keep();
        if (object.guid == kHeaderExtension && !inExtension)
            hideIn(file, object.offset + kExtensionDataStart, object.end, cuts, true);
    });
}

std::string object(const std::string& guid, const std::string& content) {
    return guid + littleEndianBytes(kObjectHeaderSize + content.size(), 8) + content;
}

// The UTF-16LE bytes of an ASCII name, with its terminating zero.
std::string utf16(std::string_view name) {
    std::string out;
    for (const char c : name)
        out += std::string{c, '\0'};
    return out + std::string(2, '\0');
}

// An attribute list object (a 16-bit count, then records) reduced to the
// first record of each name. Extended content descriptors are name length,
// name, type, value length, value; metadata records put two 16-bit fields
// before the name length and give the value length 32 bits after the type.
class AttributeFilter {
public:
    AttributeFilter(ByteReader& file, const std::vector<std::string_view>& names) : file_(file) {
        for (const std::string_view name : names)
            names_.push_back(utf16(name));
    }

    std::optional<std::string> reduced(const Object& object) {
        const bool descriptors = object.guid == kExtendedContentDescription;
        const auto count = file_.littleEndian(object.offset + kObjectHeaderSize, 2);
        if (!count)
            return std::nullopt;
        std::string kept;
        uint16_t keptCount = 0;
        std::vector<std::string> seen;
        int64_t at = object.offset + kObjectHeaderSize + 2;
        for (uint64_t i = 0; i < *count; ++i) {
            const auto record = recordAt(at, object.end, descriptors);
            if (!record)
                break;
            const bool wanted =
                std::find(names_.begin(), names_.end(), record->name) != names_.end();
            if (wanted && std::find(seen.begin(), seen.end(), record->name) == seen.end()) {
                const auto bytes = file_.bytes(at, static_cast<std::size_t>(record->end - at));
                if (!bytes)
                    break;
                kept += *bytes;
                ++keptCount;
                seen.push_back(record->name);
            }
            at = record->end;
        }
        return object.guid + littleEndianBytes(kObjectHeaderSize + 2 + kept.size(), 8) +
               littleEndianBytes(keptCount, 2) + kept;
    }

private:
    struct Record {
        std::string name;
        int64_t end = 0;
    };

    std::optional<Record> recordAt(int64_t at, int64_t end, bool descriptor) {
        const int64_t nameLengthAt = descriptor ? at : at + 4;
        const auto nameLength = file_.littleEndian(nameLengthAt, 2);
        const int64_t nameAt = descriptor ? at + 2 : at + 12;
        const auto valueLength =
            descriptor
                ? file_.littleEndian(nameAt + static_cast<int64_t>(nameLength.value_or(0)) + 2, 2)
                : file_.littleEndian(at + 8, 4);
        if (!nameLength || !valueLength)
            return std::nullopt;
        const int64_t valueAt = nameAt + static_cast<int64_t>(*nameLength) + (descriptor ? 4 : 0);
        const int64_t recordEnd = valueAt + static_cast<int64_t>(*valueLength);
        const auto name = file_.bytes(nameAt, static_cast<std::size_t>(*nameLength));
        if (!name || recordEnd > end)
            return std::nullopt;
        return Record{*name, recordEnd};
    }

    ByteReader& file_;
    std::vector<std::string> names_;
};

} // namespace

void hideAsfMetadata(ByteReader& file, int64_t start, TagCuts& cuts) {
    if (const auto end = headerEnd(file, start))
        hideIn(file, start + kHeaderObjectSize, *end, cuts, false);
}

std::optional<std::string> asfMetadataSubset(ByteReader& file,
                                             const std::vector<std::string_view>& names) {
    const auto end = headerEnd(file, 0);
    if (!end)
        return std::nullopt;
    AttributeFilter filter(file, names);
    std::string objects;
    std::string extension;
    uint32_t count = 0;
    const auto add = [&](const Object& object, std::string& into, bool counted) {
        std::optional<std::string> bytes;
        // Readers need the file and stream properties besides the tags.
        if (object.guid == kContentDescription || object.guid == kFileProperties ||
            object.guid == kStreamProperties)
            bytes = file.bytes(object.offset, static_cast<std::size_t>(object.end - object.offset));
        else if (isMetadata(object.guid))
            bytes = filter.reduced(object);
        if (bytes) {
            into += *bytes;
            count += counted ? 1 : 0;
        }
    };
    forEachObject(file, kHeaderObjectSize, *end, [&](const Object& object) {
        add(object, objects, true);
        if (object.guid == kHeaderExtension)
            forEachObject(file, object.offset + kExtensionDataStart, object.end,
                          [&](const Object& inner) { add(inner, extension, false); });
    });
    if (!extension.empty()) {
        objects += object(kHeaderExtension,
                          kExtensionReserved + littleEndianBytes(extension.size(), 4) + extension);
        ++count;
    }
    return kHeader + littleEndianBytes(kHeaderObjectSize + objects.size(), 8) +
           littleEndianBytes(count, 4) + std::string("\x01\x02", 2) + objects;
}

} // namespace audio::tags
