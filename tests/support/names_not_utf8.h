// Names that are not UTF-8, as they come from old archives and other
// systems: Latin-1 "café", the CP932 bytes of "テスト" and bytes that no code
// page decodes.
#pragma once

#include <array>

namespace testsupport {

inline constexpr std::array<const char*, 3> kNamesNotUtf8 = {"caf\xE9", "\x83\x65\x83\x58\x83\x67",
                                                             "b\xFF\xFE"};

} // namespace testsupport
