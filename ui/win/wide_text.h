#pragma once

// The edge between the programs' code page 932 text and the Windows controls. The native
// windows are driven with the platform's wide-character calls and every text is converted
// here, so the programs show and read the same bytes whatever code page the machine runs.

#include <string>
#include <string_view>

namespace vesk {

std::wstring WideFromCp932(std::string_view cp932);

// Characters that code page 932 cannot hold become "?".
std::string Cp932FromWide(std::wstring_view wide);

}  // namespace vesk
