// TAGS_Read: renders a tag format with the fields of a stream's file.
#include "tags.h"

#include "core/library.h"
#include "tags/tag_fields.h"

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
