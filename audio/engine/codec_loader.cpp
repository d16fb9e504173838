// Finds the codec entry points: in the program itself when it links the codec
// objects, otherwise in the module beside the program (a build folder or a
// portable copy) or in the install layout's library folder.
#include "audio/engine/codec_module.h"

#include <dlfcn.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

// Weak: absent (null) in a program that leaves the codec objects out.
extern "C" const QcCodecTable* quaverly_codec_table(void) __attribute__((weak));

namespace audio {

namespace {

std::string programFolder() {
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0)
        return ".";
    path.resize(static_cast<std::size_t>(length));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::vector<std::string> moduleCandidates() {
    const std::string folder = programFolder();
    return {folder + "/" QC_MODULE_FILE,
            folder + "/" QUAVERLY_CODEC_RELATIVE_DIR "/" QC_MODULE_FILE};
}

// The first candidate that exists is the one the program uses.
std::optional<std::string> findModule() {
    for (const std::string& path : moduleCandidates()) {
        if (access(path.c_str(), F_OK) == 0)
            return path;
    }
    return std::nullopt;
}

const QcCodecTable* loadModule() {
    const std::optional<std::string> path = findModule();
    if (!path) {
        std::fprintf(stderr, "quaverly: the codec module %s was not found\n", QC_MODULE_FILE);
        return nullptr;
    }
    if (moduleFileAbiVersion(*path) != QC_ABI_VERSION) {
        std::fprintf(stderr, "quaverly: %s is of another version\n", path->c_str());
        return nullptr;
    }
    void* module = dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        std::fprintf(stderr, "quaverly: the codec module could not be loaded: %s\n", dlerror());
        return nullptr;
    }
    const auto entry = reinterpret_cast<QcTableEntry>(dlsym(module, QC_TABLE_SYMBOL));
    const QcCodecTable* table = entry ? entry() : nullptr;
    if (!tableFits(table)) {
        std::fprintf(stderr, "quaverly: %s has no codec table of this version\n", path->c_str());
        return nullptr;
    }
    return table;
}

} // namespace

bool tableFits(const QcCodecTable* table) {
    return table && table->abiVersion == QC_ABI_VERSION && table->size >= sizeof(QcCodecTable);
}

const QcCodecTable* codecs() {
    static const QcCodecTable* const table =
        quaverly_codec_table ? quaverly_codec_table() : loadModule();
    return tableFits(table) ? table : nullptr;
}

ModuleCheck checkCodecModule() {
    if (quaverly_codec_table)
        return ModuleCheck::Usable;
    const std::optional<std::string> path = findModule();
    if (!path)
        return ModuleCheck::Missing;
    return moduleFileAbiVersion(*path) == QC_ABI_VERSION ? ModuleCheck::Usable
                                                         : ModuleCheck::OtherVersion;
}

} // namespace audio
