#pragma once

// OPTION: the default server address, player name and port, which the client keeps for the
// next start.

#include <QDialog>
#include <string>

#include "client/dice/window_views.h"
#include "client/net/client_connection.h"

class QLineEdit;
class QPushButton;

namespace vesk {

class OptionDialog : public QDialog {
    Q_OBJECT

public:
    OptionDialog(const ConnectionTarget& target, std::string_view defaultName,
                 MessageBoxView& messages, QWidget* owner);

    // Once accepted: the address and port, and the default player name (code page 932, at
    // most 49 bytes, never empty).
    const ConnectionTarget& Target() const { return target; }
    const std::string& DefaultName() const { return defaultName; }

    QLineEdit* AddressField() const { return addressField; }
    QLineEdit* NameField() const { return nameField; }
    QLineEdit* PortField() const { return portField; }
    QPushButton* OkButton() const { return okButton; }

private:
    void Accept();

    MessageBoxView& messages;
    ConnectionTarget target;
    std::string defaultName;
    QLineEdit* addressField;
    QLineEdit* nameField;
    QLineEdit* portField;
    QPushButton* okButton;
};

}  // namespace vesk
