// Public C API of Quaverly's audio library: the names, numbers and structure
// layouts of the BASS 2.4 interface, which the player calls and whose
// behaviour its code relies on, implemented here over FFmpeg, libcurl,
// TagLib, our own DSP and the output back-ends chosen by QUAVERLY_AUDIO
// (pulse, alsa, null, null:fast, wav:PATH). A few extensions of our own
// follow at the end, marked as such.
//
// Text arguments passed with BASS_UNICODE are char16_t (UTF-16) strings;
// otherwise they are UTF-8. Texts returned by BASS_ChannelGetTags are UTF-8
// (type 5 is the raw station metadata bytes as received).
#pragma once

#include <cstdint>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t DWORD;
typedef uint64_t QWORD;
typedef int BOOL;
typedef DWORD HSTREAM;
typedef DWORD HSYNC;
typedef DWORD HFX;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define BASSVERSION 0x204

// Error codes (BASS_ErrorGetCode)
#define BASS_OK 0
#define BASS_ERROR_MEM 1
#define BASS_ERROR_FILEOPEN 2
#define BASS_ERROR_DRIVER 3
#define BASS_ERROR_HANDLE 5
#define BASS_ERROR_FORMAT 6
#define BASS_ERROR_POSITION 7
#define BASS_ERROR_INIT 8
#define BASS_ERROR_START 9
#define BASS_ERROR_SSL 10
#define BASS_ERROR_ALREADY 14
#define BASS_ERROR_NOTAUDIO 17
#define BASS_ERROR_NOCHAN 18
#define BASS_ERROR_ILLTYPE 19
#define BASS_ERROR_ILLPARAM 20
#define BASS_ERROR_DEVICE 23
#define BASS_ERROR_NOPLAY 24
#define BASS_ERROR_NOTFILE 27
#define BASS_ERROR_EMPTY 31
#define BASS_ERROR_NONET 32
#define BASS_ERROR_CREATE 33
#define BASS_ERROR_NOFX 34
#define BASS_ERROR_NOTAVAIL 37
#define BASS_ERROR_DECODE 38
#define BASS_ERROR_TIMEOUT 40
#define BASS_ERROR_FILEFORM 41
#define BASS_ERROR_VERSION 43
#define BASS_ERROR_CODEC 44
#define BASS_ERROR_ENDED 45
#define BASS_ERROR_BUSY 46
#define BASS_ERROR_UNKNOWN -1

// Config options (BASS_SetConfig / BASS_GetConfig)
#define BASS_CONFIG_GVOL_STREAM 5
#define BASS_CONFIG_NET_TIMEOUT 11
#define BASS_CONFIG_NET_PLAYLIST 21
#define BASS_CONFIG_NET_READTIMEOUT 37
// Options of this library beyond BASS 2.4. A network stream's open must reach
// its first audio within this many milliseconds, whatever the server sends.
#define BASS_CONFIG_NET_OPENLIMIT 0x10f00
// BASS_SetConfigPtr: a NETABORTPROC asked at least every 100 ms while a
// network stream opens; TRUE ends the open (BASS_ERROR_ENDED). Null: none.
#define BASS_CONFIG_NET_ABORTPROC 0x10f01

// Stream creation flags
#define BASS_UNICODE 0x80000000u

// Channel states (BASS_ChannelIsActive)
#define BASS_ACTIVE_STOPPED 0
#define BASS_ACTIVE_PLAYING 1
#define BASS_ACTIVE_STALLED 2
#define BASS_ACTIVE_PAUSED 3

// Position modes
#define BASS_POS_BYTE 0

// Sync types
#define BASS_SYNC_END 2
#define BASS_SYNC_META 4
#define BASS_SYNC_OGG_CHANGE 12
#define BASS_SYNC_MIXTIME 0x40000000u // flag: call as the mixer reaches the event
#define BASS_SYNC_ONETIME 0x80000000u // flag: call once, then remove the sync

// Tag types (BASS_ChannelGetTags)
#define BASS_TAG_OGG 2
#define BASS_TAG_HTTP 3
#define BASS_TAG_ICY 4
#define BASS_TAG_META 5

// Effect types (BASS_ChannelSetFX)
#define BASS_FX_DX8_COMPRESSOR 1
#define BASS_FX_DX8_PARAMEQ 7
#define BASS_FX_DX8_REVERB 8

typedef struct {
    DWORD flags;
    DWORD hwsize;
    DWORD hwfree;
    DWORD freesam;
    DWORD free3d;
    DWORD minrate;
    DWORD maxrate;
    BOOL eax;
    DWORD minbuf;
    DWORD dsver;
    DWORD latency;
    DWORD initflags;
    DWORD speakers;
    DWORD freq;
} BASS_INFO;

// Parametric equalizer band. fCenter 80..16000 Hz, fBandwidth 1..36 semitones
// (default 12), fGain -15..15 dB (default 0).
typedef struct {
    float fCenter;
    float fBandwidth;
    float fGain;
} BASS_DX8_PARAMEQ;

// Compressor. fGain -60..60 dB (0), fAttack 0.01..500 ms (10), fRelease
// 50..3000 ms (200), fThreshold -60..0 dB (-20), fRatio 1..100 (3),
// fPredelay 0..4 ms (4).
typedef struct {
    float fGain;
    float fAttack;
    float fRelease;
    float fThreshold;
    float fRatio;
    float fPredelay;
} BASS_DX8_COMPRESSOR;

// Reverb. fInGain -96..0 dB (0), fReverbMix -96..0 dB (0), fReverbTime
// 0.001..3000 ms (1000), fHighFreqRTRatio 0.001..0.999 (0.001).
typedef struct {
    float fInGain;
    float fReverbMix;
    float fReverbTime;
    float fHighFreqRTRatio;
} BASS_DX8_REVERB;

typedef void SYNCPROC(HSYNC handle, DWORD channel, DWORD data, void* user);
typedef void DOWNLOADPROC(const void* buffer, DWORD length, void* user);
typedef BOOL NETABORTPROC(void);

// Library and device
DWORD BASS_GetVersion(void);
int BASS_ErrorGetCode(void);
BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* dsguid);
BOOL BASS_Free(void);
BOOL BASS_GetInfo(BASS_INFO* info);
BOOL BASS_SetConfig(DWORD option, DWORD value);
DWORD BASS_GetConfig(DWORD option);
BOOL BASS_SetConfigPtr(DWORD option, const void* value);

// Streams
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
HSTREAM BASS_StreamCreateURL(const void* url, DWORD offset, DWORD flags, DOWNLOADPROC* proc,
                             void* user);
BOOL BASS_StreamFree(HSTREAM handle);

// Channels
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
BOOL BASS_ChannelPause(DWORD handle);
BOOL BASS_ChannelStop(DWORD handle);
DWORD BASS_ChannelIsActive(DWORD handle);
QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode);
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode);
double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double pos);
const char* BASS_ChannelGetTags(DWORD handle, DWORD tags);
HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, void* user);
BOOL BASS_ChannelRemoveSync(DWORD handle, HSYNC sync);

// Effects
HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority);
BOOL BASS_ChannelRemoveFX(DWORD handle, HFX fx);
BOOL BASS_FXSetParameters(HFX handle, const void* params);
BOOL BASS_FXGetParameters(HFX handle, void* params);
BOOL BASS_FXReset(DWORD handle);

// ---- Quaverly extensions: not part of the BASS 2.4 names ----

// Gapless track changes: queues `next`, a stream that is not playing, to
// start in the mix block where `handle` ends, its first sample right after
// the last sample of `handle` (each is converted to the device rate on its
// own, so the formats need not match). The END sync of `handle` is still
// delivered, with the handle of `next` as its data when `next` took over; a
// BASS_SYNC_MIXTIME END sync tells at once, a plain one when it is heard.
// A later call replaces what was queued; `next` 0 clears it. Freeing either
// stream clears it too. Errors: BASS_ERROR_HANDLE (an unknown stream),
// BASS_ERROR_ILLPARAM (`next` is `handle`), BASS_ERROR_ENDED (`handle` has
// ended already), BASS_ERROR_ALREADY (`next` is playing, paused or finished,
// or, when clearing, nothing is queued: it has started or was never set).
BOOL QUAVERLY_ChannelSetNext(DWORD handle, HSTREAM next);

// An extension for opens that the caller may give up: BASS_StreamCreateURL
// that also ends, with BASS_ERROR_TIMEOUT, as soon as cancel(user) returns
// TRUE. cancel is asked from the library's threads, at least every 100 ms,
// and only until the call returns.
typedef BOOL QUAVERLY_CANCELPROC(void* user);
HSTREAM QUAVERLY_StreamCreateURLCancellable(const void* url, DWORD flags,
                                            QUAVERLY_CANCELPROC* cancel, void* user);

// A part of a file as a stream of its own (a track of a cue sheet's image).
// start and end count CD frames, 75 to the second, as cue sheets do (at
// 44100 Hz one is 588 samples; at other rates the sample before is taken);
// end 0 means the file's end. The stream's position 0 is the part's start,
// its length the part's, and it ends after the part's last sample. Its tags
// (TAGS_Read) are the file's with the given texts (UTF-8; NULL or empty:
// the file's) in their place. Errors as BASS_StreamCreateFile, and
// BASS_ERROR_POSITION when the part does not lie in the file.
typedef struct {
    QWORD start;
    QWORD end;
    const char* title;
    const char* artist;
    const char* album;
    const char* year;
    const char* track;
} QUAVERLY_SECTION;
HSTREAM QUAVERLY_StreamCreateFileSection(const void* file, DWORD flags,
                                         const QUAVERLY_SECTION* section);

// The cue sheet a file carries in itself (a FLAC CUESHEET comment, else its
// CUESHEET block as a sheet's TRACK and INDEX lines; an APE tag's CUESHEET
// item), as the file holds its text, and its length in bytes; NULL when it
// has none. The text stays valid on the calling thread until its next call.
const char* QUAVERLY_GetFileCueSheet(const void* file, DWORD flags, DWORD* length);

// An extension for the program's start: FALSE when the codec module the
// library would load (libquaverly-codecs.so beside the program, or in the
// install layout's library folder) is of another interface version, or of
// none. It reads the module's file only: FFmpeg and the other libraries the
// module needs stay unloaded. TRUE when no module is there (streams will
// fail with BASS_ERROR_NOTAVAIL) or the program has the codecs built in.
BOOL QUAVERLY_CodecModuleMatches(void);

#ifdef __cplusplus
}
#endif
