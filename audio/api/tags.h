// TAGS add-on interface: renders a tag format string for a stream.
#pragma once

#include "audio/api/bass.h"

#ifdef __cplusplus
extern "C" {
#endif

// Renders fmt (the %IFV1/%IFV2/%ARTI... language) with the tags of the stream.
// The result is UTF-8 and stays valid until the next call on the same thread.
// Fields that a file stores in a legacy 8-bit encoding are decoded from CP932
// when their bytes are not valid UTF-8. A stream without tags gives the
// format's literal text only; handle 0 or a freed handle gives "".
const char* TAGS_Read(DWORD handle, const char* fmt);

// The picture embedded in the file of a stream (its front cover when it has
// several): the bytes of the image file, valid until the next call on the
// same thread, with their count in *length. nullptr and 0 when the stream's
// file has no picture, for streams of URLs, and for handle 0 or a freed
// handle.
const void* TAGS_GetPicture(DWORD handle, DWORD* length);

#ifdef __cplusplus
}
#endif
