#pragma once

// A combo box of the toolbar as the dice and the lists see it.

#include <QComboBox>

#include "client/dice/combo_box_view.h"

namespace vesk {

class ComboBoxAdapter final : public NameBoxView {
public:
    // box: an editable combo box that must outlive the adapter. It is set up like the list
    // of a drop-down box: items stay in the order added, and Enter adds nothing.
    explicit ComboBoxAdapter(QComboBox& box);

    std::string Text() const override;
    void AddItem(std::string_view text) override;
    void Clear() override;
    void SelectFirst() override;
    int Find(std::string_view text) const override;
    void InsertFirst(std::string_view text) override;
    void RemoveFirst() override;
    void Select(int index) override;

    QComboBox& Box() const { return box; }

private:
    QComboBox& box;
};

}  // namespace vesk
