#pragma once

// A combo box of the window as the dice and name lists and the roll command reach it. The
// window implements it; tests fake it. All text is code page 932.

#include <string>
#include <string_view>

namespace vesk {

// An unsorted drop-down combo box: items keep the order in which they are added.
class ComboBoxView {
public:
    virtual ~ComboBoxView() = default;

    // The text shown in the box, chosen from the list or typed.
    virtual std::string Text() const = 0;
    // Appends an item at the end.
    virtual void AddItem(std::string_view text) = 0;
    // Removes every item and empties the shown text.
    virtual void Clear() = 0;
    // Makes the first item the selection and the shown text; nothing when the box is empty.
    virtual void SelectFirst() = 0;
};

// The player name box: besides the list's entries, the default player name stands first and
// a name typed at connecting joins the list.
class NameBoxView : public ComboBoxView {
public:
    // The index of the item that reads exactly text, or -1.
    virtual int Find(std::string_view text) const = 0;
    virtual void InsertFirst(std::string_view text) = 0;
    // Nothing when the box is empty.
    virtual void RemoveFirst() = 0;
    // Makes the item the selection and the shown text.
    virtual void Select(int index) = 0;
};

}  // namespace vesk
