// Finds the codec entry points: in the program itself when it links the codec
// objects, otherwise in libquaverly-codecs.so beside the program (a build
// folder or a portable copy) or in the install layout's library folder.
#include "audio/codecs/codec_table.h"

#include <dlfcn.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

// Weak: absent (null) in a program that leaves the codec objects out.
extern "C" const audio::CodecTable* quaverly_codec_table() __attribute__((weak));

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
    return {folder + "/" QUAVERLY_CODEC_MODULE,
            folder + "/" QUAVERLY_CODEC_RELATIVE_DIR "/" QUAVERLY_CODEC_MODULE};
}

const CodecTable* loadModule() {
    std::string reasons;
    for (const std::string& path : moduleCandidates()) {
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            reasons += std::string("\n  ") + dlerror();
            continue;
        }
        using Entry = const CodecTable* (*)();
        const auto entry = reinterpret_cast<Entry>(dlsym(module, "quaverly_codec_table"));
        if (entry)
            return entry();
        reasons += "\n  " + path + ": no codec table";
    }
    std::fprintf(stderr, "quaverly: the codec module could not be loaded:%s\n", reasons.c_str());
    return nullptr;
}

} // namespace

const CodecTable* codecs() {
    static const CodecTable* const table =
        quaverly_codec_table ? quaverly_codec_table() : loadModule();
    return table;
}

} // namespace audio
