#pragma once

// The one shape of every native dialog with an OK and a Cancel: its controls filled as it
// opens, OK handing them to the program, which may keep the dialog open for another try,
// and Cancel (or Esc) closing it with nothing done.

#include <functional>

#include "protocol/windows_headers.h"

namespace vesk {

// Runs the dialog template templateName modal to owner. show fills the controls as the dialog
// opens; accept reads them on OK (the default button or Enter) and returns whether the dialog
// closes, having told the user what is wrong when not. An empty show leaves the controls as
// the template has them, an empty accept lets OK close the dialog at once. True when the
// dialog closed through OK.
bool RunModalForm(HINSTANCE instance, HWND owner, const wchar_t* templateName,
                  const std::function<void(HWND dialog)>& show,
                  const std::function<bool(HWND dialog)>& accept);

// Puts the focus on the dialog's edit control id with its whole text selected, for a value
// the dialog refused to be typed over.
void FocusForRetyping(HWND dialog, int id);

}  // namespace vesk
