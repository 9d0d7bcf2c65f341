#pragma once

// CONNECT: the server's address and port and the player name for the next connection. It
// stays open, with what was typed, until the address and port are ones the client can use.

#include <QDialog>
#include <string>

#include "client/message_box_view.h"
#include "client/net/client_connection.h"
#include "dice/data_folder.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace vesk {

class ConnectDialog : public QDialog {
    Q_OBJECT

public:
    // The name box offers the default player name, then the name list, read afresh; a
    // missing name list is reported through messages each time.
    ConnectDialog(const ConnectionTarget& target, std::string_view defaultName,
                  const ListPaths& paths, MessageBoxView& messages, QWidget* owner);

    // Once accepted: the target, and the name chosen or typed (code page 932, at most 49
    // bytes; empty when the field was left empty).
    const ConnectionTarget& Target() const { return target; }
    std::string PlayerName() const;

    QLineEdit* AddressField() const { return addressField; }
    QComboBox* NameBox() const { return nameBox; }
    QLineEdit* PortField() const { return portField; }
    QPushButton* ConnectButton() const { return connectButton; }

private:
    void Accept();

    MessageBoxView& messages;
    ConnectionTarget target;
    QLineEdit* addressField;
    QComboBox* nameBox;
    QLineEdit* portField;
    QPushButton* connectButton;
};

}  // namespace vesk
