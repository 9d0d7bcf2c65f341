#include "protocol/player_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/cp932.h"

namespace vesk {
namespace {

struct NameCase {
    std::string box;
    std::string sent;
};

TEST(PlayerName, EndsAtALineBreakOrTabAndFitsFortyNineBytes) {
    const std::string hyo = Cp932FromUtf8("表");
    const std::vector<NameCase> cases = {
        {"Aya", "Aya"},
        {"", ""},
        {"Ab\tCd", "Ab"},
        {"Ab\rCd", "Ab"},
        {"Ab\nCd", "Ab"},
        {std::string("Ab\0Cd", 5), "Ab"},
        {std::string(49, 'x'), std::string(49, 'x')},
        {std::string(60, 'x'), std::string(49, 'x')},
        {std::string(47, 'x') + hyo, std::string(47, 'x') + hyo},
        {std::string(48, 'x') + hyo, std::string(48, 'x')},
    };
    for (const NameCase& c : cases) EXPECT_EQ(PlayerNameForLines(c.box), c.sent) << c.box;
}

TEST(PlayerName, TheServerKeepsUpToItsRecordSize) {
    EXPECT_EQ(PlayerNameForLines(std::string(60, 'x'), 51), std::string(51, 'x'));
    EXPECT_EQ(PlayerNameForLines("Ab\tCd", 51), "Ab");
}

}  // namespace
}  // namespace vesk
