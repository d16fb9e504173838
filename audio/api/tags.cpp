// TAGS_Read: renders a tag format with the fields of a stream's file;
// TAGS_GetPicture: the picture embedded in it; the cue sheet a file carries.
#include "audio/api/tags.h"

#include "audio/common/tag_fields.h"
#include "audio/engine/codec_module.h"
#include "audio/engine/library.h"
#include "audio/engine/module_decoder.h"
#include "text/utf16.h"

#include <string>

extern "C" const char* TAGS_Read(DWORD handle, const char* fmt) {
    thread_local std::string rendered;
    const auto stream = handle ? audio::core::Library::instance().stream(handle) : nullptr;
    if (!stream || !fmt) {
        rendered.clear();
        return rendered.c_str();
    }
    rendered = audio::tags::renderTagFormat(fmt, stream->tagFields());
    return rendered.c_str();
}

extern "C" const void* TAGS_GetPicture(DWORD handle, DWORD* length) {
    thread_local std::string picture;
    picture.clear();
    const auto stream = handle ? audio::core::Library::instance().stream(handle) : nullptr;
    const QcCodecTable* codecs = stream ? audio::codecs() : nullptr;
    if (codecs && !stream->localPath().empty())
        picture = audio::core::readFilePicture(*codecs, stream->localPath());
    if (length)
        *length = static_cast<DWORD>(picture.size());
    return picture.empty() ? nullptr : picture.data();
}

extern "C" const char* QUAVERLY_GetFileCueSheet(const void* file, DWORD flags, DWORD* length) {
    thread_local std::string sheet;
    sheet.clear();
    const QcCodecTable* codecs = file ? audio::codecs() : nullptr;
    if (codecs) {
        const std::string path = (flags & BASS_UNICODE)
                                     ? text::utf16ToUtf8(static_cast<const char16_t*>(file))
                                     : std::string(static_cast<const char*>(file));
        sheet = audio::core::readEmbeddedCueSheet(*codecs, path);
    }
    if (length)
        *length = static_cast<DWORD>(sheet.size());
    return sheet.empty() ? nullptr : sheet.data();
}
