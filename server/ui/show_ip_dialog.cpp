#include "server/ui/show_ip_dialog.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace vesk {

ShowIpDialog::ShowIpDialog(const QString& address, QWidget* owner)
    : QDialog(owner), addressField(new QLineEdit(address, this)) {
    setWindowTitle(QStringLiteral("IPアドレス表示"));
    // Read-only but selectable, so the address can be copied into a message to the players.
    addressField->setReadOnly(true);
    // Wide enough for any address and for the dialog's title beside it.
    addressField->setMinimumWidth(std::max(
        200,
        addressField->fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) + 16));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setCenterButtons(true);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(addressField);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace vesk
