#pragma once

// What the connect and options dialogs share: fields under their labels, and the server
// address and port read from two of them.

#include <QString>
#include <optional>

#include "client/message_box_view.h"
#include "client/net/client_connection.h"

class QLineEdit;
class QVBoxLayout;
class QWidget;

namespace vesk {

// A label and, under it, its field.
void AddField(QVBoxLayout* layout, const QString& label, QWidget* field);

// The target the two fields hold, or nothing once the user has been told what is wrong and
// the field at fault has the focus with its text selected, ready to be typed over.
std::optional<ConnectionTarget> ReadTargetFields(QLineEdit& address, QLineEdit& port,
                                                 MessageBoxView& messages);

// Puts the focus on field with its text selected.
void FocusForRetyping(QLineEdit& field);

}  // namespace vesk
