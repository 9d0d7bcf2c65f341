#pragma once

// The push buttons of the programs' dialogs, built one way: centred in a row under the fields.

#include <QString>
#include <initializer_list>

class QDialog;
class QHBoxLayout;
class QPushButton;

namespace vesk {

// A centred row of buttons; the first is the default button, which Enter presses.
QHBoxLayout* CentredButtonRow(std::initializer_list<QPushButton*> buttons);

// A centred OK button, the default, that closes dialog.
QHBoxLayout* CentredOkButton(QDialog* dialog);

}  // namespace vesk
