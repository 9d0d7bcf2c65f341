#pragma once

// SHOWIP: shows this machine's address so the host can tell it to the players.

#include <QDialog>

class QLineEdit;

namespace vesk {

class ShowIpDialog : public QDialog {
    Q_OBJECT

public:
    // address: dotted IPv4, or empty when none could be found.
    ShowIpDialog(const QString& address, QWidget* owner);

    QLineEdit* AddressField() const { return addressField; }

private:
    QLineEdit* addressField;
};

}  // namespace vesk
