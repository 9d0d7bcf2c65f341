#include "client/shell/toolbar_records.h"

#include <algorithm>

namespace vesk {

std::vector<ToolbarButtonRecord> DiceToolbarButtons() {
    std::vector<ToolbarButtonRecord> records(20, {ToolbarRecordStyle::kSeparator, kBlankSeparator});
    records.push_back({ToolbarRecordStyle::kButton, kRollDiceCommand});
    records.push_back({ToolbarRecordStyle::kSeparator, kBlankSeparator});
    records.push_back({ToolbarRecordStyle::kSeparator, 0});
    return records;
}

std::vector<ToolbarRect> LayOutToolbarRecords(const std::vector<ToolbarButtonRecord>& records) {
    std::vector<ToolbarRect> rects;
    rects.reserve(records.size());
    int left = 0;
    for (const ToolbarButtonRecord& record : records) {
        const int right = left + (record.IsSeparator() ? kSeparatorWidth : kButtonWidth);
        rects.push_back({left, kRecordTop, right, kRecordBottom});
        left = right;
    }
    return rects;
}

int ToolbarHeightFor(int comboHeight) {
    return std::max(kRecordBottom + kRecordTop, kComboTop + comboHeight + kComboTop);
}

}  // namespace vesk
