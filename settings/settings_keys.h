// Names of the keys in the settings file.
#pragma once

namespace settings::keys {

inline constexpr const char* NoMultiInst = "General_NoMultiInst";
inline constexpr const char* LaunchAndPlay = "General_LaunchAndPlay";
inline constexpr const char* EnableEq = "DSP_EnableEq";
inline constexpr const char* EnableComp = "DSP_EnableComp";
inline constexpr const char* EnableReverb = "DSP_EnableReverb";
inline constexpr const char* EqBandFormat = "DSP_EqBand%1";
inline constexpr const char* CompGain = "DSP_CompGain";
inline constexpr const char* CompThreshold = "DSP_CompThreshold";
inline constexpr const char* ReverbMix = "DSP_ReverbMix";
inline constexpr const char* ReverbTime = "DSP_ReverbTime";
inline constexpr const char* WndMax = "_WndMax";
inline constexpr const char* WndX = "_WndX";
inline constexpr const char* WndY = "_WndY";
inline constexpr const char* WndCX = "_WndCX";
inline constexpr const char* WndCY = "_WndCY";
inline constexpr const char* Volume = "_Volume";
inline constexpr const char* Order = "_Order";
inline constexpr const char* SplitterPos = "_SplitterPos";
inline constexpr const char* Column1CX = "_Column1CX";
inline constexpr const char* Column2CX = "_Column2CX";
inline constexpr const char* LastPath = "_LastPath";
inline constexpr const char* LastPlayed = "_LastPlayed";

} // namespace settings::keys
