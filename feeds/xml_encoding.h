// XML documents in other encodings than UTF-8 (feeds declared ISO-8859-1,
// windows-1252, Shift_JIS or EUC-JP, written in UTF-16 or UTF-32, or in
// 8-bit text that declares nothing) converted to UTF-8
// for a parser that reads UTF-8 only.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace feeds {

// The document converted to UTF-8, its byte order mark dropped. The encoding
// comes from a UTF-16 byte order mark or shape, else from the encoding the
// XML declaration names: Shift_JIS and its aliases read as CP932, ISO-8859-1
// and US-ASCII as windows-1252, the supersets that such feeds in fact use.
// UTF-32 is known by its byte order mark. Bytes that are not valid in that
// encoding become U+FFFD. A document that declares nothing and is not valid
// UTF-8 is read by the 8-bit text rule (tags/legacy_text.h). Nothing when the
// document is UTF-8 already (a UTF-8 byte order mark, valid UTF-8 with no
// declared encoding, UTF-8 declared) or its encoding is not known here (it is
// read as UTF-8).
std::optional<std::string> documentInUtf8(std::string_view document);

} // namespace feeds
