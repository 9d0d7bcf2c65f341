#pragma once

// Where things lie on VeskChat's toolbar: the dice combo box, the dice button right of it, an
// etched rule, then the name combo box, all in one row. Every place is in pixels at kBaseDpi;
// a native window scales them to its DPI with ScaledForDpi.

#include "protocol/dpi_scale.h"

namespace vesk {

// The dice button: 23 wide (a 16 x 15 die with room for the border and the pressed shift), from
// y 2 to 24, right of the dice combo box.
inline constexpr int kDiceButtonLeft = 160;
inline constexpr int kButtonWidth = 23;
inline constexpr int kRecordTop = 2;
inline constexpr int kRecordBottom = 24;

// The etched rule before the name combo box: a shadow line at x 194, a highlight line at 195.
inline constexpr int kRuleLeft = 194;

// Where the main window puts its two combo boxes on the toolbar.
inline constexpr int kComboTop = 3;
inline constexpr int kComboWidth = 150;
inline constexpr int kDiceComboLeft = 5;
inline constexpr int kNameComboLeft = 205;

// Tall enough for the dice button and for a combo box of comboHeight at kComboTop, with as much
// room below the box as above it; comboHeight and the result in pixels at dpi.
int ToolbarHeightFor(int comboHeight, int dpi = kBaseDpi);

}  // namespace vesk
