// qvrender: opens a file or URL through the audio library, applies effects,
// plays it through the chosen output and reports length, title, tags and
// syncs as they fire. For checking a file by hand and for benchmarks.
#include "audio/api/bass.h"
#include "audio/api/tags.h"

#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

const char* const kTitleFormat = "%IFV1(%ARTI,%ARTI - )%IFV1(%ALBM,%ALBM )%IFV1(%YEAR,%(%YEAR%) )"
                                 "%IFV1(%DISC,CD%DISC )%IFV1(%TRCK,#%TRCK )%IFV1(%TITL,%TITL )";
const float kBandCentres[7] = {125, 250, 500, 1000, 2000, 4000, 8000};

struct Options {
    std::string out;
    std::vector<std::pair<int, float>> eqBands;
    bool compressor = false;
    float compGain = 0, compThreshold = 0;
    bool reverb = false;
    float reverbMix = 0, reverbTime = 0;
    double seconds = -1;
    std::string location;
};

struct EndSignal {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
};

void usage() {
    std::fprintf(stderr,
                 "usage: qvrender [--out wav:PATH|null|null:fast|pulse|alsa] [--eq BAND:GAIN ...]\n"
                 "                [--comp GAIN:THRESHOLD] [--reverb MIX:TIME] [--seconds N]\n"
                 "                FILE-OR-URL\n");
}

bool parsePair(const char* text, float* first, float* second) {
    char* end = nullptr;
    *first = std::strtof(text, &end);
    if (end == text || *end != ':')
        return false;
    const char* rest = end + 1;
    *second = std::strtof(rest, &end);
    return end != rest && *end == '\0';
}

bool parseArguments(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        float a = 0, b = 0;
        if (arg == "--out" && hasValue) {
            options->out = argv[++i];
        } else if (arg == "--eq" && hasValue && parsePair(argv[++i], &a, &b) && a >= 1 && a <= 7) {
            options->eqBands.emplace_back(static_cast<int>(a), b);
        } else if (arg == "--comp" && hasValue && parsePair(argv[++i], &a, &b)) {
            options->compressor = true;
            options->compGain = a;
            options->compThreshold = b;
        } else if (arg == "--reverb" && hasValue && parsePair(argv[++i], &a, &b)) {
            options->reverb = true;
            options->reverbMix = a;
            options->reverbTime = b;
        } else if (arg == "--seconds" && hasValue) {
            options->seconds = std::atof(argv[++i]);
        } else if (!arg.empty() && arg[0] != '-' && options->location.empty()) {
            options->location = arg;
        } else {
            return false;
        }
    }
    return !options->location.empty();
}

bool isUrl(const std::string& location) {
    const auto colon = location.find(':');
    if (colon == std::string::npos || colon < 2)
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        if (!std::isalpha(static_cast<unsigned char>(location[i])))
            return false;
    }
    return true;
}

const char* syncName(DWORD type) {
    switch (type) {
    case BASS_SYNC_END:
        return "END";
    case BASS_SYNC_META:
        return "META";
    default:
        return "OGG_CHANGE";
    }
}

struct SyncUser {
    DWORD type;
    EndSignal* signal;
};

void onSync(HSYNC, DWORD channel, DWORD, void* user) {
    const auto* sync = static_cast<const SyncUser*>(user);
    const double at = BASS_ChannelBytes2Seconds(channel, BASS_ChannelGetPosition(channel, 0));
    std::printf("sync %s at %.3f s", syncName(sync->type), at);
    if (sync->type == BASS_SYNC_META) {
        const char* meta = BASS_ChannelGetTags(channel, BASS_TAG_META);
        std::printf(": %s", meta ? meta : "");
    } else if (sync->type == BASS_SYNC_OGG_CHANGE) {
        std::printf(": %s", TAGS_Read(channel, kTitleFormat));
    }
    std::printf("\n");
    std::fflush(stdout);
    if (sync->type == BASS_SYNC_END) {
        std::lock_guard<std::mutex> lock(sync->signal->mutex);
        sync->signal->done = true;
        sync->signal->ended.notify_all();
    }
}

void printTags(HSTREAM stream) {
    const struct {
        DWORD type;
        const char* name;
        bool list;
    } kinds[] = {{BASS_TAG_OGG, "ogg", true},
                 {BASS_TAG_HTTP, "http", true},
                 {BASS_TAG_ICY, "icy", true},
                 {BASS_TAG_META, "meta", false}};
    for (const auto& kind : kinds) {
        const char* text = BASS_ChannelGetTags(stream, kind.type);
        if (!text)
            continue;
        if (!kind.list) {
            std::printf("tag %s: %s\n", kind.name, text);
            continue;
        }
        for (; *text; text += std::strlen(text) + 1)
            std::printf("tag %s: %s\n", kind.name, text);
    }
}

// Attaches one effect, lets edit change its default parameters and sets them.
template <class Record, class Edit>
void attachEffect(HSTREAM stream, DWORD type, int priority, const char* name, Edit edit) {
    const HFX fx = BASS_ChannelSetFX(stream, type, priority);
    Record params{};
    BASS_FXGetParameters(fx, &params);
    edit(params);
    if (!BASS_FXSetParameters(fx, &params))
        std::fprintf(stderr, "%s parameters refused (error %d)\n", name, BASS_ErrorGetCode());
}

void applyEffects(HSTREAM stream, const Options& options) {
    if (options.compressor) {
        attachEffect<BASS_DX8_COMPRESSOR>(stream, BASS_FX_DX8_COMPRESSOR, 3, "compressor",
                                          [&](BASS_DX8_COMPRESSOR& params) {
                                              params.fGain = options.compGain;
                                              params.fThreshold = options.compThreshold;
                                          });
    }
    for (const auto& [band, gain] : options.eqBands) {
        attachEffect<BASS_DX8_PARAMEQ>(stream, BASS_FX_DX8_PARAMEQ, 2, "eq band",
                                       [&, band = band, gain = gain](BASS_DX8_PARAMEQ& params) {
                                           params.fCenter = kBandCentres[band - 1];
                                           params.fGain = gain;
                                       });
    }
    if (options.reverb) {
        attachEffect<BASS_DX8_REVERB>(stream, BASS_FX_DX8_REVERB, 1, "reverb",
                                      [&](BASS_DX8_REVERB& params) {
                                          params.fReverbMix = options.reverbMix;
                                          params.fReverbTime = options.reverbTime;
                                      });
    }
}

HSTREAM openStream(const std::string& location) {
    if (isUrl(location))
        return BASS_StreamCreateURL(location.c_str(), 0, 0, nullptr, nullptr);
    return BASS_StreamCreateFile(FALSE, location.c_str(), 0, 0, 0);
}

void printLength(HSTREAM stream) {
    const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
    if (length == static_cast<QWORD>(-1))
        std::printf("length: live\n");
    else
        std::printf("length: %llu bytes, %.3f s\n", static_cast<unsigned long long>(length),
                    BASS_ChannelBytes2Seconds(stream, length));
}

int render(const Options& options) {
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "cannot open the output (error %d)\n", BASS_ErrorGetCode());
        return 2;
    }
    BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 1);
    const HSTREAM stream = openStream(options.location);
    if (!stream) {
        std::fprintf(stderr, "cannot open %s (error %d)\n", options.location.c_str(),
                     BASS_ErrorGetCode());
        BASS_Free();
        return 3;
    }
    printLength(stream);
    std::printf("title: %s\n", TAGS_Read(stream, kTitleFormat));
    printTags(stream);
    std::fflush(stdout);
    applyEffects(stream, options);

    EndSignal signal;
    SyncUser users[] = {
        {BASS_SYNC_END, &signal}, {BASS_SYNC_META, &signal}, {BASS_SYNC_OGG_CHANGE, &signal}};
    for (SyncUser& user : users)
        BASS_ChannelSetSync(stream, user.type, 0, onSync, &user);

    const auto started = std::chrono::steady_clock::now();
    BASS_ChannelPlay(stream, FALSE);
    {
        std::unique_lock<std::mutex> lock(signal.mutex);
        const auto isDone = [&] { return signal.done; };
        if (options.seconds >= 0)
            signal.ended.wait_for(lock, std::chrono::duration<double>(options.seconds), isDone);
        else
            signal.ended.wait(lock, isDone);
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("played in %.3f s\n", elapsed);
    BASS_StreamFree(stream);
    BASS_Free();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseArguments(argc, argv, &options)) {
        usage();
        return 1;
    }
    if (!options.out.empty())
        setenv("QUAVERLY_AUDIO", options.out.c_str(), 1);
    return render(options);
}
