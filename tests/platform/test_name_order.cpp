// Name order: the collator's order (numbers by value, letter case ignored),
// and the plain keys of ASCII names giving exactly that order.
#include "platform/name_order.h"

#include <QLocale>
#include <algorithm>
#include <gtest/gtest.h>

using namespace platform;

namespace {

std::vector<QString> Ordered(const std::vector<QString>& names) {
    const NameSortKeys keys(names.size(), [&](size_t i) -> const QString& { return names[i]; });
    std::vector<QString> ordered;
    for (const size_t index : keys.order([](size_t a, size_t b) { return a < b; }))
        ordered.push_back(names[index]);
    return ordered;
}

// The English locale for the test, as the C locale and English users get.
class NameOrderTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English)); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

} // namespace

TEST_F(NameOrderTest, NumbersByValueAndLetterCaseIgnored) {
    const std::vector<QString> inOrder = {
        "01 - Intro.flac", "2 - b", "10 - a", "a", "B", "café", "caff", "Disc 2", "disc 10"};
    std::vector<QString> shuffled(inOrder.rbegin(), inOrder.rend());
    EXPECT_EQ(Ordered(shuffled), inOrder);
}

// Any name that is not printable ASCII makes every name use the collator's
// keys, so the order with one such name is the collator's own.
TEST_F(NameOrderTest, PlainKeysOfAsciiNamesOrderAsTheCollatorDoes) {
    const std::vector<QString> names = {"a-b",
                                        "a_b",
                                        "a b",
                                        "a.b",
                                        "a,b",
                                        "ab",
                                        "AB",
                                        "a1",
                                        "a01",
                                        "a001b",
                                        "a10",
                                        "a2",
                                        "a 2",
                                        "a-2",
                                        "(a)",
                                        "[a]",
                                        "!a",
                                        "#1",
                                        "$5",
                                        "~x",
                                        "a+b",
                                        "a=b",
                                        "a@b",
                                        "a^b",
                                        "a`b",
                                        "a|b",
                                        "a\\b",
                                        "a'b",
                                        "a\"b",
                                        "a;b",
                                        "a:b",
                                        "a?b",
                                        "a*b",
                                        "a&b",
                                        "a%b",
                                        "a<b",
                                        "a>b",
                                        "a{b",
                                        "a}b",
                                        "0",
                                        "00",
                                        "007",
                                        "7",
                                        "track9",
                                        "Track10",
                                        "x9y",
                                        "x10y",
                                        "x9.5",
                                        "x9.10",
                                        "1.2.10",
                                        "1.10.2",
                                        "12345678901234567890",
                                        "12345678901234567891",
                                        "999",
                                        ""};
    std::vector<QString> withCollator = names;
    withCollator.push_back(u"\u00E9"_qs);
    std::vector<QString> collatorOrder = Ordered(withCollator);
    collatorOrder.erase(std::find(collatorOrder.begin(), collatorOrder.end(), u"\u00E9"_qs));
    const std::vector<QString> plainOrder = Ordered(names);
    ASSERT_EQ(plainOrder.size(), collatorOrder.size());
    for (size_t i = 0; i < plainOrder.size(); ++i)
        EXPECT_EQ(plainOrder[i], collatorOrder[i]) << "at " << i;
}
