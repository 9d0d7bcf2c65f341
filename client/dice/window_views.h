#pragma once

// The parts of the client's window that the dice and the lists reach: its combo boxes and its
// message box. The window implements them; tests fake them. All text is code page 932.

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
    virtual void ResetContent() = 0;
    // Makes the first item the selection and the shown text; nothing when the box is empty.
    virtual void SelectFirst() = 0;
};

class MessageBoxView {
public:
    virtual ~MessageBoxView() = default;

    // Shows a notice with an OK button and returns when the user has closed it.
    virtual void ShowMessage(std::string_view text) = 0;
};

}  // namespace vesk
