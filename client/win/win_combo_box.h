#pragma once

// A drop-down combo box of a native window or dialog as the dice and name lists reach it.

#include "client/dice/combo_box_view.h"
#include "protocol/windows_headers.h"

namespace vesk {

class WinComboBox final : public NameBoxView {
public:
    explicit WinComboBox(HWND box) : box(box) {}

    std::string Text() const override;
    void AddItem(std::string_view text) override;
    void Clear() override;
    void SelectFirst() override;
    int Find(std::string_view text) const override;
    void InsertFirst(std::string_view text) override;
    void RemoveFirst() override;
    void Select(int index) override;

    HWND Window() const { return box; }

private:
    HWND box;
};

}  // namespace vesk
