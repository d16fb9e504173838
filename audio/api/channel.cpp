// Channel calls of the C API: transport, state, positions, tags and syncs.
#include "audio/api/bass.h"
#include "audio/engine/errors.h"
#include "audio/engine/library.h"

#include <cmath>

using audio::core::fail;
using audio::core::Library;
using audio::core::Stream;
using audio::core::succeed;

namespace {

constexpr QWORD kFailedQword = static_cast<QWORD>(-1);

std::shared_ptr<Stream> findStream(DWORD handle) {
    return handle ? Library::instance().stream(handle) : nullptr;
}

BOOL result(int error) {
    return error == BASS_OK ? succeed(TRUE) : fail(error, FALSE);
}

// Pauses or stops a stream, then lets the device follow: what it holds is
// held or dropped when nothing else plays.
BOOL transport(DWORD handle, int (Stream::*call)(),
               void (*deviceFollows)(const std::shared_ptr<Stream>&)) {
    const auto stream = findStream(handle);
    if (!stream)
        return fail(BASS_ERROR_HANDLE, FALSE);
    const int error = ((*stream).*call)();
    if (error == BASS_OK)
        deviceFollows(stream);
    return result(error);
}

void holdPaused(const std::shared_ptr<Stream>&) {
    Library::instance().holdSoundOfPaused();
}

void dropStopped(const std::shared_ptr<Stream>& stream) {
    Library::instance().dropSoundOfStopped(stream);
}

// Positions count bytes of 16-bit samples at the stream's own format.
QWORD bytesPerFrame(const Stream& stream) {
    return 2u * static_cast<QWORD>(stream.sourceChannels());
}

} // namespace

extern "C" {

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) {
    const auto stream = findStream(handle);
    return stream ? result(stream->play(restart != FALSE)) : fail(BASS_ERROR_HANDLE, FALSE);
}

BOOL BASS_ChannelPause(DWORD handle) {
    return transport(handle, &Stream::pause, &holdPaused);
}

BOOL BASS_ChannelStop(DWORD handle) {
    return transport(handle, &Stream::stop, &dropStopped);
}

DWORD BASS_ChannelIsActive(DWORD handle) {
    const auto stream = findStream(handle);
    return stream ? succeed(stream->activeState())
                  : fail(BASS_ERROR_HANDLE, DWORD{BASS_ACTIVE_STOPPED});
}

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode) {
    const auto stream = findStream(handle);
    if (!stream)
        return fail(BASS_ERROR_HANDLE, kFailedQword);
    if (mode != BASS_POS_BYTE || stream->lengthFrames() < 0)
        return fail(BASS_ERROR_NOTAVAIL, kFailedQword);
    return succeed(static_cast<QWORD>(stream->lengthFrames()) * bytesPerFrame(*stream));
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode) {
    const auto stream = findStream(handle);
    if (!stream)
        return fail(BASS_ERROR_HANDLE, kFailedQword);
    if (mode != BASS_POS_BYTE)
        return fail(BASS_ERROR_NOTAVAIL, kFailedQword);
    const int64_t frame = stream->heardFrame(Library::instance().heardOutputFrame());
    return succeed(static_cast<QWORD>(frame) * bytesPerFrame(*stream));
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode) {
    const auto stream = findStream(handle);
    if (!stream)
        return fail(BASS_ERROR_HANDLE, FALSE);
    if (mode != BASS_POS_BYTE)
        return fail(BASS_ERROR_NOTAVAIL, FALSE);
    if (pos > static_cast<QWORD>(INT64_MAX))
        return fail(BASS_ERROR_POSITION, FALSE);
    const int error = stream->seek(static_cast<int64_t>(pos / bytesPerFrame(*stream)));
    if (error == BASS_OK)
        Library::instance().dropQueuedSound(stream);
    return result(error);
}

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
    const auto stream = findStream(handle);
    if (!stream)
        return fail(BASS_ERROR_HANDLE, -1.0);
    if (pos == kFailedQword)
        return fail(BASS_ERROR_ILLPARAM, -1.0);
    const double bytesPerSecond =
        static_cast<double>(bytesPerFrame(*stream)) * stream->sourceRate();
    return succeed(static_cast<double>(pos) / bytesPerSecond);
}

QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double pos) {
    const auto stream = findStream(handle);
    if (!stream)
        return fail(BASS_ERROR_HANDLE, kFailedQword);
    if (!(pos >= 0.0) || pos > 1e9)
        return fail(BASS_ERROR_ILLPARAM, kFailedQword);
    const auto frames = static_cast<QWORD>(std::floor(pos * stream->sourceRate() + 1e-6));
    return succeed(frames * bytesPerFrame(*stream));
}

const char* BASS_ChannelGetTags(DWORD handle, DWORD tags) {
    const auto stream = findStream(handle);
    if (!stream)
        return fail(BASS_ERROR_HANDLE, static_cast<const char*>(nullptr));
    const char* text = stream->tags(tags);
    return text ? succeed(text) : fail(BASS_ERROR_NOTAVAIL, static_cast<const char*>(nullptr));
}

HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD, SYNCPROC* proc, void* user) {
    const auto stream = findStream(handle);
    if (!stream)
        return fail(BASS_ERROR_HANDLE, HSYNC{0});
    const DWORD kind = type & ~(BASS_SYNC_ONETIME | BASS_SYNC_MIXTIME);
    if (kind != BASS_SYNC_END && kind != BASS_SYNC_META && kind != BASS_SYNC_OGG_CHANGE)
        return fail(BASS_ERROR_ILLTYPE, HSYNC{0});
    if (!proc)
        return fail(BASS_ERROR_ILLPARAM, HSYNC{0});
    const HSYNC sync = Library::instance().newHandle();
    stream->addSync({sync, type & ~BASS_SYNC_ONETIME, proc, user, (type & BASS_SYNC_ONETIME) != 0});
    return succeed(sync);
}

BOOL BASS_ChannelRemoveSync(DWORD handle, HSYNC sync) {
    const auto stream = findStream(handle);
    if (!stream || !stream->removeSync(sync))
        return fail(BASS_ERROR_HANDLE, FALSE);
    return succeed(TRUE);
}

BOOL QUAVERLY_ChannelSetNext(DWORD handle, HSTREAM next) {
    const auto stream = findStream(handle);
    const auto follower = next ? findStream(next) : nullptr;
    if (!stream || (next && !follower))
        return fail(BASS_ERROR_HANDLE, FALSE);
    if (follower == stream)
        return fail(BASS_ERROR_ILLPARAM, FALSE);
    return result(Library::instance().setFollowOn(stream, follower));
}

} // extern "C"
