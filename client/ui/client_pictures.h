#pragma once

// VeskChat's pictures among the resources: the program icon, also shown in the about box, and
// the toolbar's two looks of the die. Each function makes sure the resource is linked in.

#include <QString>

namespace vesk {

// 32 x 32.
QString ClientIconPath();

// The two 16 x 15 dice of the toolbar's dice button.
struct DiePictures {
    QString normal;  // black, grey and white: the button at rest
    QString hot;     // black and white with red pips: under the pointer or held down
};

DiePictures DiePicturePaths();

}  // namespace vesk
