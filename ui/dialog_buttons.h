#pragma once

// The frame and the push buttons of the programs' dialogs, built one way: a title with a
// close button and no resizing, and buttons centred in a row under the fields.

#include <QString>
#include <Qt>
#include <initializer_list>

class QDialog;
class QHBoxLayout;
class QPushButton;

namespace vesk {

// A dialog of fixed size has nothing to minimise or maximise.
inline constexpr Qt::WindowFlags kDialogFrame =
    Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

// A centred row of buttons; the first is the default button, which Enter presses.
QHBoxLayout* CentredButtonRow(std::initializer_list<QPushButton*> buttons);

// A centred OK button, the default, that closes dialog.
QHBoxLayout* CentredOkButton(QDialog* dialog);

}  // namespace vesk
