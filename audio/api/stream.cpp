// Stream creation and freeing of the C API.
#include "audio/api/bass.h"
#include "audio/engine/codec_module.h"
#include "audio/engine/errors.h"
#include "audio/engine/library.h"
#include "audio/engine/module_decoder.h"
#include "text/utf16.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <strings.h>

using audio::core::fail;
using audio::core::Library;
using audio::core::succeed;

namespace {

std::string argumentText(const void* text, DWORD flags) {
    if (flags & BASS_UNICODE)
        return text::utf16ToUtf8(static_cast<const char16_t*>(text));
    return static_cast<const char*>(text);
}

// Audio CD tracks (.cda) need a CD drive, which this library does not drive.
bool isCdTrack(const std::string& path) {
    const auto dot = path.find_last_of("./");
    return dot != std::string::npos && path[dot] == '.' &&
           strcasecmp(path.c_str() + dot, ".cda") == 0;
}

HSTREAM registerStream(std::unique_ptr<audio::core::ModuleDecoder> decoder, std::string localPath,
                       int openError) {
    if (!decoder)
        return fail(openError ? openError : BASS_ERROR_FILEFORM, HSTREAM{0});
    int error = BASS_OK;
    const HSTREAM handle =
        Library::instance().addStream(std::move(decoder), std::move(localPath), &error);
    return handle ? succeed(handle) : fail(error, HSTREAM{0});
}

// The client's stream limits as configured (BASS_SetConfig and its Ptr form).
audio::net::HttpLimits streamLimits(const audio::core::Config& config) {
    audio::net::HttpLimits limits = audio::net::HttpLimits::stream();
    limits.connectTimeoutMs = static_cast<long>(config.netTimeoutMs.load());
    limits.stallTimeoutMs = static_cast<long>(config.netReadTimeoutMs.load());
    limits.deadlineMs = static_cast<long>(config.netOpenLimitMs.load());
    if (NETABORTPROC* abort = config.netAbort.load())
        limits.abortRequested = [abort] { return abort() != FALSE; };
    return limits;
}

// A caller's cancel check, asked only while its call runs: its user data
// may be gone once the call has returned.
class CallerCancel {
public:
    CallerCancel(QUAVERLY_CANCELPROC* cancel, void* user) : cancel_(cancel), user_(user) {}
    bool ask() {
        std::lock_guard lock(mutex_);
        return cancel_ && cancel_(user_) != FALSE;
    }
    void end() {
        std::lock_guard lock(mutex_);
        cancel_ = nullptr;
    }

private:
    std::mutex mutex_;
    QUAVERLY_CANCELPROC* cancel_;
    void* user_;
};

audio::tags::TagFields sectionTags(const QUAVERLY_SECTION& section) {
    const auto text = [](const char* given) { return std::string(given ? given : ""); };
    audio::tags::TagFields fields;
    fields.title = text(section.title);
    fields.artist = text(section.artist);
    fields.album = text(section.album);
    fields.year = text(section.year);
    fields.track = text(section.track);
    return fields;
}

// CD frames (75 to the second) as frames at rate, the sample at or before.
int64_t framesOfCdFrames(QWORD cdFrames, int rate) {
    // Beyond any real file: never overflows below.
    constexpr QWORD kMaxCdFrames = QWORD(1) << 40;
    return static_cast<int64_t>(std::min(cdFrames, kMaxCdFrames) * QWORD(rate) / 75);
}

bool deviceReady() {
    audio::core::DeviceInfo info;
    return Library::instance().deviceInfo(&info);
}

} // namespace

extern "C" {

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) {
    if (!deviceReady())
        return fail(BASS_ERROR_INIT, HSTREAM{0});
    if (mem || offset != 0 || length != 0)
        return fail(BASS_ERROR_NOTAVAIL, HSTREAM{0});
    if (!file)
        return fail(BASS_ERROR_FILEOPEN, HSTREAM{0});
    const std::string path = argumentText(file, flags);
    if (path.empty())
        return fail(BASS_ERROR_FILEOPEN, HSTREAM{0});
    if (isCdTrack(path))
        return fail(BASS_ERROR_FILEFORM, HSTREAM{0});
    const QcCodecTable* codecs = audio::codecs();
    if (!codecs)
        return fail(BASS_ERROR_NOTAVAIL, HSTREAM{0});
    int error = BASS_OK;
    auto decoder = audio::core::ModuleDecoder::openFile(*codecs, path, &error);
    return registerStream(std::move(decoder), path, error);
}

HSTREAM QUAVERLY_StreamCreateFileSection(const void* file, DWORD flags,
                                         const QUAVERLY_SECTION* section) {
    if (!deviceReady())
        return fail(BASS_ERROR_INIT, HSTREAM{0});
    if (!file || !section)
        return fail(BASS_ERROR_FILEOPEN, HSTREAM{0});
    const std::string path = argumentText(file, flags);
    const QcCodecTable* codecs = audio::codecs();
    if (!codecs)
        return fail(BASS_ERROR_NOTAVAIL, HSTREAM{0});
    int error = BASS_OK;
    auto decoder = audio::core::ModuleDecoder::openFile(*codecs, path, &error);
    if (!decoder)
        return registerStream(nullptr, path, error);
    const int rate = decoder->format().sampleRate;
    const int64_t end = section->end ? framesOfCdFrames(section->end, rate) : -1;
    if (!decoder->narrowToSection(framesOfCdFrames(section->start, rate), end))
        return fail(BASS_ERROR_POSITION, HSTREAM{0});
    decoder->overrideTags(sectionTags(*section));
    return registerStream(std::move(decoder), path, BASS_OK);
}

HSTREAM BASS_StreamCreateURL(const void* url, DWORD offset, DWORD flags, DOWNLOADPROC*, void*) {
    if (offset != 0)
        return fail(BASS_ERROR_NOTAVAIL, HSTREAM{0});
    return QUAVERLY_StreamCreateURLCancellable(url, flags, nullptr, nullptr);
}

HSTREAM QUAVERLY_StreamCreateURLCancellable(const void* url, DWORD flags,
                                            QUAVERLY_CANCELPROC* cancel, void* user) {
    if (!deviceReady())
        return fail(BASS_ERROR_INIT, HSTREAM{0});
    if (!url)
        return fail(BASS_ERROR_FILEOPEN, HSTREAM{0});
    const std::string text = argumentText(url, flags);
    const QcCodecTable* codecs = audio::codecs();
    if (!codecs)
        return fail(BASS_ERROR_NOTAVAIL, HSTREAM{0});
    const audio::core::Config& config = Library::instance().config();
    audio::net::HttpLimits limits = streamLimits(config);
    // The stream keeps its abort check for later waits (seeks); the caller's
    // check is asked only until this call returns.
    const auto asked = std::make_shared<CallerCancel>(cancel, user);
    if (cancel) {
        limits.abortRequested = [closing = std::move(limits.abortRequested), asked] {
            return (closing && closing()) || asked->ask();
        };
    }
    int error = BASS_OK;
    auto decoder = audio::core::ModuleDecoder::openUrl(
        *codecs, text, config.followPlaylists.load() != 0, std::move(limits), &error);
    if (!decoder && asked->ask())
        error = BASS_ERROR_TIMEOUT;
    asked->end();
    return registerStream(std::move(decoder), std::string(), error ? error : BASS_ERROR_FILEOPEN);
}

BOOL BASS_StreamFree(HSTREAM handle) {
    const int error = Library::instance().freeStream(handle);
    return error == BASS_OK ? succeed(TRUE) : fail(error, FALSE);
}

} // extern "C"
