#include "ui/show_ip_dialog.h"

#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/dialog_buttons.h"

namespace vesk {

ShowIpDialog::ShowIpDialog(const QString& address, QWidget* owner)
    : QDialog(owner, kDialogFrame), addressField(new QLineEdit(address, this)) {
    setWindowTitle(QStringLiteral("IPアドレス表示"));
    // Read-only but selectable, so the address can be copied into a message to the players.
    addressField->setReadOnly(true);
    // Wide enough for any address and for the dialog's title beside it.
    addressField->setMinimumWidth(std::max(
        200,
        addressField->fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) + 16));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(addressField);
    layout->addLayout(CentredOkButton(this));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace vesk
