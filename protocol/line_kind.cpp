#include "protocol/line_kind.h"

#include "protocol/wire_messages.h"

namespace vesk {

LineKind KindOfLine(std::string_view line) {
    if (line.starts_with(wire::kTalkPrefix)) return LineKind::Talk;
    if (line.starts_with(wire::kPaddPrefix)) return LineKind::Padd;
    if (line.starts_with(wire::kPdelPrefix)) return LineKind::Pdel;
    return LineKind::Other;
}

}  // namespace vesk
