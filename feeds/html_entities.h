// HTML's named character references in XML documents. Feeds written by web
// tools carry them (&eacute; &nbsp; &mdash;), though XML knows only its own
// five; a parser would keep them as written.
#pragma once

#include <string>
#include <string_view>

namespace feeds {

// The document with each HTML named reference outside CDATA sections and
// comments written as the numeric reference of its character (&eacute; ->
// &#233;). XML's own five and names HTML does not have stay as they are.
std::string withNumericEntities(std::string_view document);

} // namespace feeds
