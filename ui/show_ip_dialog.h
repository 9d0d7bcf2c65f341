#pragma once

// SHOWIP: shows an address in a field the user can select and copy from.

#include <QDialog>

class QLineEdit;

namespace vesk {

class ShowIpDialog : public QDialog {
    Q_OBJECT

public:
    // address: dotted IPv4, or empty when there is none to show.
    ShowIpDialog(const QString& address, QWidget* owner);

    QLineEdit* AddressField() const { return addressField; }

private:
    QLineEdit* addressField;
};

}  // namespace vesk
