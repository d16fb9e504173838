/* The codec module's interface: everything the player and the module
 * libquaverly-codecs.so pass to each other, in plain C so that the module
 * and the program need not be built by the same compiler or with the same
 * C++ library.
 *
 * The module exports quaverly_codec_table(). Its table begins with
 * abiVersion and size; a caller uses no other field unless abiVersion is
 * QC_ABI_VERSION and size covers the table it was built with. Any change to
 * this file that moves or changes a field or a function's meaning raises
 * QC_ABI_VERSION; appending a field may keep it (older callers read less).
 * The module's file also carries its version in an ELF note (name
 * QC_ABI_NOTE_NAME, type QC_ABI_NOTE_TYPE, a 4-byte version) so that a
 * program can tell a stale module without loading it and its libraries.
 *
 * Texts and samples coming back: the module hands each one to a sink the
 * caller gives, during the call; the pointer is valid only until the sink
 * returns, so the caller copies what it keeps. Nothing the module allocates
 * outlives a call except the decoder and converter handles, which the
 * caller frees with closeDecoder and closeConverter. Texts are UTF-8 (or
 * the bytes as received, for network headers), with a length; no zero
 * terminator is promised.
 *
 * Callbacks (decoder events, fetch progress, abort checks) are function
 * pointers with the context given beside them. */
#ifndef QUAVERLY_CODEC_ABI_H
#define QUAVERLY_CODEC_ABI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define QC_ABI_VERSION 2u
#define QC_ABI_NOTE_NAME "Quaverly"
#define QC_ABI_NOTE_TYPE 0x51430001u

/* The module's file name, and the symbol of its entry point. */
#define QC_MODULE_FILE "libquaverly-codecs.so"
#define QC_TABLE_SYMBOL "quaverly_codec_table"

/* Error codes of opening a decoder; the same numbers as the audio
 * library's C interface gives for them. */
#define QC_OK 0
#define QC_ERROR_MEM 1
#define QC_ERROR_FILEOPEN 2
#define QC_ERROR_FORMAT 6
#define QC_ERROR_SSL 10
#define QC_ERROR_NONET 32
#define QC_ERROR_NOTAVAIL 37
#define QC_ERROR_TIMEOUT 40
#define QC_ERROR_FILEFORM 41
#define QC_ERROR_CODEC 44
#define QC_ERROR_ENDED 45
#define QC_ERROR_UNKNOWN -1

/* Why an HTTP operation failed. */
enum {
    QC_HTTP_NONE,
    QC_HTTP_BAD_URL,
    QC_HTTP_CONNECT,
    QC_HTTP_TIMEOUT,
    QC_HTTP_DEADLINE,
    QC_HTTP_ABORTED,
    QC_HTTP_STATUS,
    QC_HTTP_TLS,
    QC_HTTP_TOO_LARGE,
    QC_HTTP_NOT_AUDIO,
    QC_HTTP_REFUSED,
    QC_HTTP_UNAVAILABLE
};

/* What a text handed to a QcTextSink is. */
enum {
    QC_TEXT_COMMENT,     /* one "NAME=value" of the current logical stream */
    QC_TEXT_HTTP_HEADER, /* one response header line */
    QC_TEXT_ICY_HEADER,  /* one ICY header line */
    QC_TEXT_METADATA,    /* the last ICY metadata text */
    QC_TEXT_BODY,        /* a fetched document's body */
    QC_TEXT_FINAL_URL,   /* a fetched document's URL after redirects */
    QC_TEXT_FAILURE,     /* the words of a failure, for a log line */
    QC_TEXT_PICTURE,     /* a file's picture, as bytes */
    /* Title fields, in this order. */
    QC_TEXT_ARTIST,
    QC_TEXT_ALBUM,
    QC_TEXT_YEAR,
    QC_TEXT_DISC,
    QC_TEXT_TRACK,
    QC_TEXT_TITLE,
    QC_TEXT_GENRE,
    QC_TEXT_COMMENT_FIELD,
    QC_TEXT_COMPOSER
};

/* Decoder events. */
enum { QC_EVENT_METADATA_CHANGED, QC_EVENT_OGG_STREAM_CHANGED };

/* Which texts decoderTexts hands out. */
enum { QC_TEXTS_COMMENTS, QC_TEXTS_HTTP, QC_TEXTS_ICY, QC_TEXTS_METADATA, QC_TEXTS_TAGS };

typedef struct QcDecoder QcDecoder;
typedef struct QcConverter QcConverter;

typedef void (*QcTextSink)(void* context, int32_t kind, const char* text, size_t length);
typedef void (*QcFrameSink)(void* context, const float* samples, size_t frames);
typedef void (*QcEventHandler)(void* context, int32_t event);
typedef int32_t (*QcAbortCheck)(void* context); /* nonzero: end the operation now */
typedef void (*QcProgress)(void* context, int64_t totalBytes);

typedef struct QcHttpLimits {
    int64_t connectTimeoutMs;
    int64_t stallTimeoutMs;
    int64_t deadlineMs;          /* 0: none */
    int64_t maxBodyBytes;        /* 0: no cap */
    QcAbortCheck abortRequested; /* may be null */
    void* abortContext;
} QcHttpLimits;

typedef struct QcDecoderInfo {
    int32_t sampleRate;
    int32_t channels;
    int64_t lengthFrames; /* -1: unknown (live) */
    int32_t isNetwork;
} QcDecoderInfo;

typedef struct QcCodecTable {
    uint32_t abiVersion; /* QC_ABI_VERSION */
    uint32_t size;       /* sizeof(QcCodecTable) */

    /* A decoder of a local file (UTF-8 path) or an http/https URL; null with
     * *error set to a QC_ERROR_* code on failure. */
    QcDecoder* (*openFile)(const char* path, size_t pathLength, int32_t* error);
    QcDecoder* (*openUrl)(const char* url, size_t urlLength, int32_t followPlaylists,
                          const QcHttpLimits* limits, int32_t* error);
    void (*closeDecoder)(QcDecoder* decoder);
    void (*decoderInfo)(const QcDecoder* decoder, QcDecoderInfo* info);
    /* Frames decoded into out (maxFrames * channels floats), 0 at the end,
     * -1 on an error. */
    int32_t (*decode)(QcDecoder* decoder, float* out, int32_t maxFrames);
    int32_t (*seek)(QcDecoder* decoder, int64_t frame); /* nonzero: done */
    void (*cancel)(QcDecoder* decoder);                 /* any thread */
    /* Hands the texts of one QC_TEXTS_* group to sink, one call each. */
    void (*decoderTexts)(const QcDecoder* decoder, int32_t which, QcTextSink sink, void* context);
    void (*setEventHandler)(QcDecoder* decoder, QcEventHandler handler, void* context);

    /* Decoded frames to stereo at outRate. */
    QcConverter* (*openConverter)(int32_t inRate, int32_t inChannels, int32_t outRate);
    void (*closeConverter)(QcConverter* converter);
    int32_t (*converterValid)(const QcConverter* converter);
    size_t (*maxOutputFrames)(const QcConverter* converter, size_t inFrames);
    /* Each hands the stereo frames it gives to sink (possibly none). */
    void (*convert)(QcConverter* converter, const float* in, size_t inFrames, QcFrameSink sink,
                    void* context);
    void (*flush)(QcConverter* converter, QcFrameSink sink, void* context);
    void (*resetConverter)(QcConverter* converter);

    /* Blocking HTTP operations; each returns a QC_HTTP_* kind and hands its
     * texts (QC_TEXT_BODY and _FINAL_URL, or _HTTP_HEADER and _ICY_HEADER,
     * and QC_TEXT_FAILURE) to sink. */
    int32_t (*fetchDocument)(const char* url, size_t urlLength, const QcHttpLimits* limits,
                             QcProgress progress, void* progressContext, QcTextSink sink,
                             void* context);
    int32_t (*probeHeaders)(const char* url, size_t urlLength, const QcHttpLimits* limits,
                            QcTextSink sink, void* context);
    /* A file's first picture as QC_TEXT_PICTURE, or nothing. */
    void (*readFilePicture)(const char* path, size_t pathLength, QcTextSink sink, void* context);

    /* Narrows a decoder of a local file to its frames [startFrame, endFrame)
     * (endFrame -1: to the file's end): position 0 becomes startFrame, the
     * length is the part's, and decoding ends after the part's last frame.
     * Nonzero: done. Zero when the part does not lie in the file or the file
     * cannot seek to it; the decoder is then fit only to be closed. */
    int32_t (*narrowToSection)(QcDecoder* decoder, int64_t startFrame, int64_t endFrame);
    /* The cue sheet a local file carries in itself, as QC_TEXT_BODY, or
     * nothing. */
    void (*readEmbeddedCueSheet)(const char* path, size_t pathLength, QcTextSink sink,
                                 void* context);
} QcCodecTable;

typedef const QcCodecTable* (*QcTableEntry)(void);

/* The version note, placed by the module (once) at file scope. */
typedef struct QcAbiNote {
    uint32_t nameSize, descriptionSize, type;
    char name[12]; /* QC_ABI_NOTE_NAME, zero-padded to 4 bytes */
    uint32_t version;
} QcAbiNote;
#define QC_DEFINE_ABI_NOTE(version)                                                                \
    __attribute__((section(".note.quaverly.abi"), used, aligned(4)))                               \
    const QcAbiNote quaverly_codec_abi_note = {sizeof(QC_ABI_NOTE_NAME), 4, QC_ABI_NOTE_TYPE,      \
                                               QC_ABI_NOTE_NAME, (version)}

/* Defined by the codec objects. */
const QcCodecTable* quaverly_codec_table(void);

#ifdef __cplusplus
}
#endif

#endif
