#include "audio/common/tag_fields.h"

#include <gtest/gtest.h>

#include <utility>

using audio::tags::renderTagFormat;
using audio::tags::TagFields;

namespace {

const std::string kTitleFormat =
    "%IFV1(%ARTI,%ARTI - )%IFV1(%ALBM,%ALBM )%IFV1(%YEAR,%(%YEAR%) )%IFV1(%DISC,CD%DISC )"
    "%IFV1(%TRCK,#%TRCK )%IFV1(%TITL,%TITL )";

TagFields fullFields() {
    TagFields f;
    f.artist = "Artist";
    f.album = "Album";
    f.year = "1999";
    f.disc = "1";
    f.track = "3";
    f.title = "Title";
    f.genre = "Rock";
    f.comment = "Note";
    f.composer = "Writer";
    return f;
}

} // namespace

TEST(TagFormat, PlayerTitleWithAllPartialAndNoTags) {
    EXPECT_EQ(renderTagFormat(kTitleFormat, fullFields()), "Artist - Album (1999) CD1 #3 Title ");
    TagFields partial;
    partial.artist = "Artist";
    partial.track = "3";
    partial.title = "Title";
    EXPECT_EQ(renderTagFormat(kTitleFormat, partial), "Artist - #3 Title ");
    TagFields titleOnly;
    titleOnly.title = "曲名";
    EXPECT_EQ(renderTagFormat(kTitleFormat, titleOnly), "曲名 ");
    EXPECT_EQ(renderTagFormat(kTitleFormat, TagFields{}), "");
}

TEST(TagFormat, EveryFieldAndTheEscapes) {
    EXPECT_EQ(
        renderTagFormat("%ARTI|%ALBM|%YEAR|%DISC|%TRCK|%TITL|%GNRE|%CMNT|%COMP", fullFields()),
        "Artist|Album|1999|1|3|Title|Rock|Note|Writer");
    EXPECT_EQ(renderTagFormat("%(x%) 100%% done", {}), "(x) 100% done");
}

TEST(TagFormat, TwoWayConditionChoosesByEmptiness) {
    TagFields f;
    f.title = "T";
    EXPECT_EQ(renderTagFormat("%IFV2(%TITL,[%TITL],none)", f), "[T]");
    EXPECT_EQ(renderTagFormat("%IFV2(%ARTI,[%ARTI],no artist)", f), "no artist");
    // The condition is any rendered text, literal text included.
    EXPECT_EQ(renderTagFormat("%IFV1(x,yes)%IFV1(,no)", f), "yes");
}

TEST(TagFormat, NestedItemsRenderInsideArguments) {
    TagFields f = fullFields();
    EXPECT_EQ(renderTagFormat("%IFV1(%ARTI,<%IFV2(%ALBM,%ALBM%IFV1(%YEAR,/%YEAR),-)>)", f),
              "<Album/1999>");
    f.album.clear();
    EXPECT_EQ(renderTagFormat("%IFV1(%ARTI,<%IFV2(%ALBM,%ALBM%IFV1(%YEAR,/%YEAR),-)>)", f), "<->");
    // Commas and parentheses of inner items do not end the outer one.
    EXPECT_EQ(renderTagFormat("%IFV2(%GNRE,%IFV2(%CMNT,a,b),c)!", f), "a!");
}

// Unknown items, stray characters and malformed conditions are text.
TEST(TagFormat, WhatIsNoWellFormedItemStaysLiteral) {
    const std::pair<const char*, const char*> cases[] = {
        {"%XYZW %ARTIST, a) b( 50%", "%XYZW ArtistST, a) b( 50%"},
        {"%", "%"},
        {"%AR", "%AR"},
        {"", ""},
        {"a %IFV1(%ARTI,x", "a %IFV1(%ARTI,x"},
        {"%IFV1(", "%IFV1("},
        {"%IFV1(%ARTI,%IFV1(%TITL,t)", "%IFV1(%ARTI,%IFV1(%TITL,t)"},
        {"%IFV1(%ARTI)!", "%IFV1(%ARTI)!"},
        {"%IFV1(a,b,c)!", "%IFV1(a,b,c)!"},
        {"%IFV2(a,b)!", "%IFV2(a,b)!"},
        {"%IFV2(a,b,c,d)!", "%IFV2(a,b,c,d)!"},
        {"%IFV1", "%IFV1"},
    };
    const TagFields f = fullFields();
    for (const auto& [format, rendered] : cases)
        EXPECT_EQ(renderTagFormat(format, f), rendered) << format;
}

TEST(TagFormat, DeepNestingDoesNotExhaustTheStack) {
    std::string format;
    for (int i = 0; i < 20000; ++i)
        format += "%IFV1(x,";
    const std::string out = renderTagFormat(format, fullFields());
    EXPECT_EQ(out, format);
    std::string closed;
    for (int i = 0; i < 30; ++i)
        closed += "%IFV1(%TITL,";
    closed += "%TITL";
    closed += std::string(30, ')');
    EXPECT_EQ(renderTagFormat(closed, fullFields()), "Title");
}
