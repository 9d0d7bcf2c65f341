#pragma once

#include <QString>

namespace vesk {

// The program's 32 x 32 icon among the resources; makes sure the resource is linked in.
QString ServerIconPath();

}  // namespace vesk
