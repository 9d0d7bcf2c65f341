#pragma once

// The records of VeskChat's toolbar and where they lie: twenty blank separators under the dice
// combo box, the dice button, a blank gap and an etched rule before the name combo box.

#include <vector>

#include "client/shell/commands.h"

namespace vesk {

enum class ToolbarRecordStyle { kButton, kSeparator };

struct ToolbarButtonRecord {
    ToolbarRecordStyle style = ToolbarRecordStyle::kButton;
    // What a click on a button gives; for a separator, kBlankSeparator or any other value for an
    // etched rule.
    int command = 0;

    bool IsSeparator() const { return style == ToolbarRecordStyle::kSeparator; }
};

inline constexpr int kBlankSeparator = -1;

// The 23 records the client's toolbar is made from.
std::vector<ToolbarButtonRecord> DiceToolbarButtons();

// Toolbar coordinates. Drawing takes right and bottom as exclusive; a hit counts all four edges
// as inside, so neighbours share their common edge and the one listed first wins it.
struct ToolbarRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const ToolbarRect&) const = default;
};

// The records lie side by side from x 0 in one row from y 2 to 24: separators 8 wide, buttons
// 23 wide (a 16 x 15 image with room for the border and the pressed shift). So the twenty blank
// separators fill x 0 to 160 under the dice combo box, the dice button takes 160 to 183, right of
// that box, and the etched rule lies at x 194 and 195, before the name combo box.
inline constexpr int kSeparatorWidth = 8;
inline constexpr int kButtonWidth = 23;
inline constexpr int kRecordTop = 2;
inline constexpr int kRecordBottom = 24;

std::vector<ToolbarRect> LayOutToolbarRecords(const std::vector<ToolbarButtonRecord>& records);

// Where the main window puts its two combo boxes on the toolbar.
inline constexpr int kComboTop = 3;
inline constexpr int kComboWidth = 150;
inline constexpr int kDiceComboLeft = 5;
inline constexpr int kNameComboLeft = 205;

// Tall enough for the records and for a combo box of comboHeight at kComboTop, with as much room
// below the box as above it.
int ToolbarHeightFor(int comboHeight);

}  // namespace vesk
