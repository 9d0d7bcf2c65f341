#include "client/rules/toolbar_layout.h"

#include <algorithm>

namespace vesk {

int ToolbarHeightFor(int comboHeight) {
    return std::max(kRecordBottom + kRecordTop, kComboTop + comboHeight + kComboTop);
}

}  // namespace vesk
