#include "client/rules/toolbar_layout.h"

#include <algorithm>

namespace vesk {

int ToolbarHeightFor(int comboHeight, int dpi) {
    const int top = ScaledForDpi(kComboTop, dpi);
    return std::max(ScaledForDpi(kRecordBottom + kRecordTop, dpi), top + comboHeight + top);
}

}  // namespace vesk
