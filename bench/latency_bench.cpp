// Latencies of the real player, measured through the real main frame and
// engine on the null output (paced in real time) with the output tap
// (QUAVERLY_AUDIO_TAP) that stamps every block handed to the output:
//  - Play/Pause pressed to the first audible sample handed to the output;
//  - the gap between tracks: silence heard between the last sample of one
//    track and the first of the next when a track ends by itself;
//  - seek: the position bar moved into a tone after a silent lead-in, to the
//    first sample of the tone handed to the output.
// Usage: latency_bench FIXTURE_DIR (tone.flac, short.flac, lead.flac; see
// latency.sh).
//
// With --gap, the gap in samples on the output QUAVERLY_AUDIO names: short
// tones played through to the end, then the recording of what was heard (the
// wav: output's file, or a recording of a PulseAudio sink's monitor, 16-bit
// stereo, raw or WAV) is searched for silence at the track changes.
// Usage: latency_bench --gap FIXTURE_DIR RECORDING LABEL
#include "app/main_frame.h"
#include "app/seek_bar.h"
#include "audio/output/tap_log.h"
#include "playback/playback_engine.h"
#include "res/resource_ids.h"
#include "tracklist/list_view.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double kRate = 44100;
constexpr int kGiveUpMs = 3000;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Runs the event loop until done() holds or the time is up.
bool SpinUntil(const std::function<bool()>& done, int timeoutMs) {
    const int64_t deadline = NowNs() + int64_t(timeoutMs) * 1000000;
    while (!done()) {
        if (NowNs() > deadline)
            return false;
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void Spin(int ms) {
    SpinUntil([] { return false; }, ms);
}

// Milliseconds from since to the first audible sample handed over after it,
// counting the sample's place in its block; negative when none came.
double FirstAudibleAfter(const std::string& tap, int64_t since) {
    for (const audio::output::TapBlock& block : audio::output::readTapLog(tap)) {
        if (block.handedNs >= since && block.firstAudible >= 0)
            return (block.handedNs - since) / 1e6 + block.firstAudible / kRate * 1000;
    }
    return -1;
}

// Silence heard between audible samples after since, in ms, split into the
// gaps at track changes and dropouts inside a track (the device ran dry while
// the machine was busy). The null output is a device that plays each block
// from when it is handed over or when the block before it ends, whichever is
// later (it restarts after running dry), so the silence heard is both the
// silent frames written and the time the device ran dry. A gap comes after a
// whole track when the sound since the last change adds up to trackFrames.
// Runs shorter than kMinGapFrames are the tone's own zero crossings (a 440 Hz
// tone never has two silent samples in a row).
constexpr double kMinGapFrames = 3;
constexpr double kTrackEdgeFrames = 8; // the tone's near-silent first and last samples

struct Gaps {
    std::vector<double> trackChanges;
    std::vector<double> dropouts;
};

Gaps GapsAfter(const std::string& tap, int64_t since, double trackFrames) {
    Gaps gaps;
    const double frameNs = 1e9 / kRate;
    double playedUntil = 0;     // when the device finishes what it was given
    double lastAudibleEnd = -1; // when the last audible sample has been heard
    double segmentStart = -1;   // when the sound since the last gap began
    double soundFrames = 0;     // sound heard since the last track change
    for (const audio::output::TapBlock& block : audio::output::readTapLog(tap)) {
        if (block.handedNs < since)
            continue;
        const double start = std::max(double(block.handedNs), playedUntil);
        playedUntil = start + block.frames * frameNs;
        if (block.firstAudible < 0)
            continue;
        const double firstHeard = start + block.firstAudible * frameNs;
        if (segmentStart < 0)
            segmentStart = firstHeard;
        if (lastAudibleEnd >= 0 && firstHeard - lastAudibleEnd >= kMinGapFrames * frameNs) {
            soundFrames += (lastAudibleEnd - segmentStart) / frameNs;
            const double gapMs = (firstHeard - lastAudibleEnd) / 1e6;
            if (soundFrames >= trackFrames - kTrackEdgeFrames) {
                gaps.trackChanges.push_back(gapMs);
                soundFrames = 0;
            } else {
                gaps.dropouts.push_back(gapMs);
            }
            segmentStart = firstHeard;
        }
        lastAudibleEnd = start + (block.lastAudible + 1) * frameNs;
    }
    return gaps;
}

double Median(std::vector<double> values) {
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Max(const std::vector<double>& values) {
    return values.empty() ? -1 : *std::max_element(values.begin(), values.end());
}

// Silent frames at each track change of a recording of back-to-back tones
// that start on a zero crossing: a change without a gap shows one silent
// frame (the tone's first), and a 440 Hz tone never has two in a row, so a
// run of n >= 2 silent frames between the first and the last sound is a gap
// of n - 1 frames.
std::vector<double> SilentFramesAtChanges(const std::string& recording, int changes) {
    std::ifstream in(recording, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t header = bytes.compare(0, 4, "RIFF") == 0 ? 44 : 0;
    std::vector<int> left;
    for (std::size_t at = header; at + 4 <= bytes.size(); at += 4)
        left.push_back(static_cast<int16_t>(static_cast<unsigned char>(bytes[at]) |
                                            (static_cast<unsigned char>(bytes[at + 1]) << 8)));
    const auto loud = [](int sample) { return std::abs(sample) > 1; };
    const auto first = std::find_if(left.begin(), left.end(), loud);
    const auto last = std::find_if(left.rbegin(), left.rend(), loud).base();
    std::vector<double> gaps;
    int run = 0;
    for (auto sample = first; sample < last; ++sample) {
        if (!loud(*sample)) {
            ++run;
            continue;
        }
        if (run >= 2)
            gaps.push_back(run - 1);
        run = 0;
    }
    if (gaps.size() < static_cast<std::size_t>(changes))
        gaps.resize(static_cast<std::size_t>(changes), 0.0);
    return gaps;
}

void Result(const char* figure, double median, double worst, double target) {
    const bool pass = median >= 0 && median < target;
    std::printf(
        "RESULT|%s|%.1f ms (worst %.1f)|-|%.2f of target|< %.0f ms|%s|bench/latency.sh BUILD\n",
        figure, median, worst, median / target, target, pass ? "pass" : "FAIL");
}

struct Bench {
    Bench(const std::string& folder, const std::string& tap)
        : tap(tap), frame(QString::fromStdString(folder + "quaverly.ini")) {}
    void Load(const std::vector<std::string>& files) {
        frame.OnCommand(res::ID_PLAY_STOP);
        frame.trackList()->ClearRows();
        for (const std::string& file : files)
            frame.trackList()->AppendRow(QString::fromStdString(file), QString());
        frame.trackList()->SetCurrentRow(0);
        Spin(100);
    }
    std::string tap;
    app::CMainFrame frame;
};

// Milliseconds from act() to the first audible sample handed to the output;
// no sound counts as the worst.
double TimeToSound(Bench& bench, const std::function<void()>& act) {
    const int64_t acted = NowNs();
    act();
    double latency = -1;
    SpinUntil([&] { return (latency = FirstAudibleAfter(bench.tap, acted)) >= 0; }, kGiveUpMs);
    return latency >= 0 ? latency : kGiveUpMs;
}

// With a second row after it, as in an album: the row that follows is
// opened and queued before the first sample, and that counts too.
std::vector<double> PlayLatencies(Bench& bench, const std::string& tone, int runs) {
    bench.Load({tone, tone});
    std::vector<double> latencies;
    for (int r = 0; r < runs; ++r) {
        bench.frame.OnCommand(res::ID_PLAY_STOP);
        Spin(150);
        latencies.push_back(
            TimeToSound(bench, [&] { bench.frame.OnCommand(res::ID_PLAY_PLAYPAUSE); }));
    }
    return latencies;
}

// Plays a list of short tones through to its end, as it does by itself in
// the play-once order, and returns when the last has ended.
void PlayThrough(Bench& bench, const std::string& shortTone, int tracks) {
    bench.Load(std::vector<std::string>(static_cast<std::size_t>(tracks), shortTone));
    bench.frame.OnCommand(res::ID_PLAY_PLAYPAUSE);
    playback::PlaybackEngine& engine = bench.frame.engine();
    SpinUntil(
        [&] {
            return engine.trackRow() == tracks - 1 &&
                   BASS_ChannelIsActive(engine.stream()) == BASS_ACTIVE_STOPPED;
        },
        tracks * 3000 + 5000);
}

// Plays a list of short tones through to its end; a track change without any
// silence counts as a gap of 0 ms.
Gaps TrackGaps(Bench& bench, const std::string& shortTone, double toneSeconds, int tracks) {
    const int64_t started = NowNs();
    PlayThrough(bench, shortTone, tracks);
    Spin(200);
    Gaps gaps = GapsAfter(bench.tap, started, toneSeconds * kRate);
    const auto changes = static_cast<std::size_t>(tracks - 1);
    if (gaps.trackChanges.size() < changes)
        gaps.trackChanges.resize(changes, 0.0);
    return gaps;
}

std::vector<double> SeekLatencies(Bench& bench, const std::string& lead, int runs) {
    bench.Load({lead});
    std::vector<double> latencies;
    for (int r = 0; r < runs; ++r) {
        bench.frame.OnCommand(res::ID_PLAY_STOP);
        Spin(100);
        bench.frame.OnCommand(res::ID_PLAY_PLAYPAUSE);
        Spin(400); // well inside the silent lead-in
        // The bar's own seek path.
        latencies.push_back(
            TimeToSound(bench, [&] { bench.frame.positionBar()->setSliderPosition(5); }));
    }
    return latencies;
}

// The --gap run: short tones played through on the output QUAVERLY_AUDIO
// names, then the recording searched for silence at the changes.
int GapRun(const std::string& fixtures, const std::string& recording, const std::string& label,
           const std::string& folder, int tracks) {
    {
        Bench bench(folder, std::string());
        if (!bench.frame.Create()) {
            std::fprintf(stderr, "the frame did not start\n");
            return 1;
        }
        bench.frame.Load();
        PlayThrough(bench, fixtures + "short.flac", tracks);
        bench.frame.OnCommand(res::ID_PLAY_STOP);
    }          // the device is freed: a wav: file is complete
    Spin(300); // a recorder of the sink's monitor catches up
    const std::vector<double> gaps = SilentFramesAtChanges(recording, tracks - 1);
    std::printf("gap between tracks through %s: median %.0f, worst %.0f samples (%zu changes)\n",
                label.c_str(), Median(gaps), Max(gaps), gaps.size());
    std::printf("RESULT|5 track-change gap through %s, in samples|%.0f (worst %.0f)|-|-|0|%s|"
                "%s\n",
                label.c_str(), Median(gaps), Max(gaps), Max(gaps) == 0 ? "pass" : "FAIL",
                label.find("PulseAudio") != std::string::npos ? "bench/pulse_latency.sh BUILD"
                                                              : "bench/latency.sh BUILD");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool gapRun = argc >= 5 && std::string(argv[1]) == "--gap";
    if (argc < 2 || (std::string(argv[1]) == "--gap" && !gapRun)) {
        std::fprintf(stderr, "usage: latency_bench FIXTURE_DIR\n"
                             "       latency_bench --gap FIXTURE_DIR RECORDING LABEL\n");
        return 2;
    }
    const std::string fixtures = std::string(argv[gapRun ? 2 : 1]) + "/";
    const char* quick = std::getenv("BENCH_QUICK");
    const int runs = quick && std::string(quick) == "1" ? 5 : 15;
    const std::string folder = std::filesystem::temp_directory_path().string() +
                               "/quaverly-latency-" + std::to_string(getpid()) + "/";
    std::filesystem::create_directories(folder);
    const std::string tap = folder + "tap.log";
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QUAVERLY_MESSAGE_LOG", (folder + "messages.log").c_str(), 1);
    if (!gapRun) {
        setenv("QUAVERLY_AUDIO", "null", 1);
        setenv("QUAVERLY_AUDIO_TAP", tap.c_str(), 1);
    }
    QApplication app(argc, argv);
    if (gapRun) {
        const int status = GapRun(fixtures, argv[3], argv[4], folder, runs / 2 + 2);
        std::filesystem::remove_all(folder);
        return status;
    }
    int status = 0;
    {
        Bench bench(folder, tap);
        if (!bench.frame.Create()) {
            std::fprintf(stderr, "the frame did not start\n");
            return 1;
        }
        bench.frame.Load();
        const auto play = PlayLatencies(bench, fixtures + "tone.flac", runs);
        const Gaps gapRun = TrackGaps(bench, fixtures + "short.flac", 1.5, runs / 2 + 2);
        const auto& gaps = gapRun.trackChanges;
        const auto seeks = SeekLatencies(bench, fixtures + "lead.flac", runs);
        std::printf("play to first sample: median %.1f ms, worst %.1f ms (%zu runs)\n",
                    Median(play), Max(play), play.size());
        std::printf("gap between tracks:   median %.1f ms, worst %.1f ms (%zu changes); "
                    "%zu dropouts inside tracks (worst %.1f ms)\n",
                    Median(gaps), Max(gaps), gaps.size(), gapRun.dropouts.size(),
                    std::max(0.0, Max(gapRun.dropouts)));
        std::printf("seek to first sample: median %.1f ms, worst %.1f ms (%zu runs)\n",
                    Median(seeks), Max(seeks), seeks.size());
        Result("5 Play/Pause to first sample", Median(play), Max(play), 30);
        Result("5 track-change gap (heard silence)", Median(gaps), Max(gaps), 30);
        Result("5 seek to first sample", Median(seeks), Max(seeks), 30);
        status = play.empty() || gaps.empty() || seeks.empty() ? 1 : 0;
        bench.frame.OnCommand(res::ID_PLAY_STOP);
    }
    std::filesystem::remove_all(folder);
    return status;
}
