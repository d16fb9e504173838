// The program's string table: user-visible texts by their numeric ids.
#pragma once

#include <QString>

namespace res {

inline constexpr int IDS_WRONG_LIBRARY_VERSION = 112;
inline constexpr int IDS_DEVICE_INIT_FAILED = 114;
inline constexpr int IDS_STREAM_OPEN_FAILED = 115;
inline constexpr int IDS_STREAM_PLAY_FAILED = 116;
inline constexpr int IDS_SOURCE_DRIVES = 109;
inline constexpr int IDS_SOURCE_RADIO = 119;
inline constexpr int IDS_SOURCE_PODCAST = 120;
inline constexpr int IDS_SETTINGS_TITLE = 110;
inline constexpr int IDS_PAGE_GENERAL = 111;
inline constexpr int IDS_PAGE_DSP = 118;
inline constexpr int IDS_SETTINGS_NOT_KEPT = 121;

// The text of a string id; empty for an unknown id.
QString loadString(int id);

} // namespace res
