#include "client/ui/combo_box_adapter.h"

#include "ui/cp932_text.h"

namespace vesk {

ComboBoxAdapter::ComboBoxAdapter(QComboBox& box) : box(box) {
    box.setEditable(true);
    box.setInsertPolicy(QComboBox::NoInsert);
    // Completing a typed name or expression from the list would change what the user typed.
    box.setCompleter(nullptr);
}

std::string ComboBoxAdapter::Text() const { return ToCp932(box.currentText()); }

void ComboBoxAdapter::AddItem(std::string_view text) { box.addItem(FromCp932(text)); }

void ComboBoxAdapter::Clear() {
    box.clear();
    box.clearEditText();
}

void ComboBoxAdapter::SelectFirst() {
    if (box.count() > 0) box.setCurrentIndex(0);
}

int ComboBoxAdapter::Find(std::string_view text) const {
    return box.findText(FromCp932(text), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void ComboBoxAdapter::InsertFirst(std::string_view text) { box.insertItem(0, FromCp932(text)); }

void ComboBoxAdapter::RemoveFirst() {
    if (box.count() > 0) box.removeItem(0);
}

void ComboBoxAdapter::Select(int index) { box.setCurrentIndex(index); }

}  // namespace vesk
