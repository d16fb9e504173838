// Reads the version note of a codec module file (see codecs/codec_abi.h)
// from its ELF section headers: a few reads, nothing loaded or mapped.
#include "audio/engine/codec_module.h"

#include <elf.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace audio {

namespace {

// A note section larger than this is not one of ours.
constexpr uint64_t kMaxNoteSection = 64 * 1024;

class File {
public:
    explicit File(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~File() {
        if (fd_ >= 0)
            close(fd_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool read(void* into, uint64_t size, uint64_t offset) const {
        return fd_ >= 0 &&
               pread(fd_, into, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
    }

private:
    const int fd_;
};

uint64_t aligned4(uint64_t size) {
    return (size + 3) & ~uint64_t{3};
}

std::optional<uint32_t> versionInNotes(const std::vector<char>& notes) {
    uint64_t at = 0;
    while (at + sizeof(Elf64_Nhdr) <= notes.size()) {
        Elf64_Nhdr header;
        std::memcpy(&header, notes.data() + at, sizeof header);
        const uint64_t name = at + sizeof header;
        const uint64_t description = name + aligned4(header.n_namesz);
        const uint64_t next = description + aligned4(header.n_descsz);
        if (next > notes.size())
            return std::nullopt;
        const bool ours =
            header.n_type == QC_ABI_NOTE_TYPE && header.n_namesz == sizeof(QC_ABI_NOTE_NAME) &&
            std::memcmp(notes.data() + name, QC_ABI_NOTE_NAME, sizeof(QC_ABI_NOTE_NAME)) == 0 &&
            header.n_descsz == sizeof(uint32_t);
        if (ours) {
            uint32_t version = 0;
            std::memcpy(&version, notes.data() + description, sizeof version);
            return version;
        }
        at = next;
    }
    return std::nullopt;
}

} // namespace

std::optional<uint32_t> moduleFileAbiVersion(const std::string& path) {
    const File file(path);
    Elf64_Ehdr elf;
    if (!file.read(&elf, sizeof elf, 0) || std::memcmp(elf.e_ident, ELFMAG, SELFMAG) != 0 ||
        elf.e_ident[EI_CLASS] != ELFCLASS64 || elf.e_shentsize != sizeof(Elf64_Shdr))
        return std::nullopt;
    for (uint16_t index = 0; index < elf.e_shnum; ++index) {
        Elf64_Shdr section;
        if (!file.read(&section, sizeof section, elf.e_shoff + uint64_t{index} * sizeof section))
            return std::nullopt;
        if (section.sh_type != SHT_NOTE || section.sh_size > kMaxNoteSection)
            continue;
        std::vector<char> notes(section.sh_size);
        if (!file.read(notes.data(), notes.size(), section.sh_offset))
            continue;
        if (const std::optional<uint32_t> version = versionInNotes(notes))
            return version;
    }
    return std::nullopt;
}

} // namespace audio
