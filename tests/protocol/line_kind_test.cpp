#include "protocol/line_kind.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace vesk {
namespace {

TEST(LineKind, IsReadFromTheFirstFourBytesExactly) {
    const std::vector<std::pair<std::string, LineKind>> cases = {
        {"talk\r\n", LineKind::Talk},
        {"talkAya：hi\r\n", LineKind::Talk},
        {"paddAya\t0\r\n", LineKind::Padd},
        {"padding\r\n", LineKind::Padd},
        {"pdel3\r\n", LineKind::Pdel},
        {"pdel", LineKind::Pdel},  // without its line end
        {"PADDx\r\n", LineKind::Other},
        {"pad\r\n", LineKind::Other},
        {"ta\r\n", LineKind::Other},
        {" talk\r\n", LineKind::Other},
        {"Aya がパーティから抜けました\r\n", LineKind::Other},
        {"", LineKind::Other},
    };
    for (const auto& [line, kind] : cases) EXPECT_EQ(KindOfLine(line), kind) << line;
}

}  // namespace
}  // namespace vesk
