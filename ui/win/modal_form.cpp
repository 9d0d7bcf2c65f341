#include "ui/win/modal_form.h"

namespace vesk {

namespace {

struct FormActions {
    const std::function<void(HWND)>& show;
    const std::function<bool(HWND)>& accept;
};

INT_PTR CALLBACK FormProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        const auto& actions = *reinterpret_cast<const FormActions*>(lParam);
        if (actions.show) actions.show(dialog);
        return TRUE;
    }
    const auto* actions =
        reinterpret_cast<const FormActions*>(GetWindowLongPtrW(dialog, DWLP_USER));
    // Messages that come while the dialog is still being made find no actions yet.
    if (message != WM_COMMAND || actions == nullptr) return FALSE;
    switch (LOWORD(wParam)) {
        case IDOK:
            if (!actions->accept || actions->accept(dialog)) EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

bool RunModalForm(HINSTANCE instance, HWND owner, const wchar_t* templateName,
                  const std::function<void(HWND dialog)>& show,
                  const std::function<bool(HWND dialog)>& accept) {
    const FormActions actions{show, accept};
    return DialogBoxParamW(instance, templateName, owner, FormProc,
                           reinterpret_cast<LPARAM>(&actions)) == IDOK;
}

void FocusForRetyping(HWND dialog, int id) {
    const HWND field = GetDlgItem(dialog, id);
    // Through the dialog, so that it moves its default button and focus marks along.
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
    SendMessageW(field, EM_SETSEL, 0, -1);
}

}  // namespace vesk
