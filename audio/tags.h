// TAGS add-on interface: renders a tag format string for a stream.
#pragma once

#include "bass.h"

#ifdef __cplusplus
extern "C" {
#endif

// Renders fmt (the %IFV1/%IFV2/%ARTI... language) with the tags of the stream.
// The result is UTF-8 and stays valid until the next call on the same thread.
// Fields that a file stores in a legacy 8-bit encoding are decoded from CP932
// when their bytes are not valid UTF-8. A stream without tags gives the
// format's literal text only; handle 0 or a freed handle gives "".
const char* TAGS_Read(DWORD handle, const char* fmt);

#ifdef __cplusplus
}
#endif
