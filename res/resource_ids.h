// Identifiers shared by the frame and the parts that drive it: command ids,
// control ids and the position timer's interval.
#pragma once

namespace res {

inline constexpr const char* kAppName = "Quaverly";
inline constexpr int IDR_MAINFRAME = 104;

// Commands
inline constexpr int ID_PLAY_STOP = 0x8003;
inline constexpr int ID_PLAY_PREV = 0x8004;
inline constexpr int ID_PLAY_NEXT = 0x8005;
inline constexpr int ID_PLAY_PLAYPAUSE = 0x8006;
inline constexpr int ID_FILE_SETTINGS = 0x8007;
inline constexpr int ID_PLAY_SKIP = 0x8009;
inline constexpr int ID_FILE_EQUALIZER = 40008;
inline constexpr int ID_FILE_COMPRESSOR = 40009;
inline constexpr int ID_FILE_REVERB = 40010;
inline constexpr int ID_APP_ABOUT = 0xE140;
inline constexpr int ID_APP_EXIT = 0xE141;

// Frame controls
inline constexpr int IDC_TRACKTITLE = 1001;
inline constexpr int IDC_POSITION = 1002;
inline constexpr int IDC_VOLUME = 1003;
inline constexpr int IDC_ORDER = 1004;

// The position bar follows the stream at this interval.
inline constexpr int kPositionTimerMs = 1000;

} // namespace res
