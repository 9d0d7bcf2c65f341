#include "ui/dialog_buttons.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

namespace vesk {

QHBoxLayout* CentredButtonRow(std::initializer_list<QPushButton*> buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    bool first = true;
    for (QPushButton* button : buttons) {
        button->setDefault(first);
        button->setAutoDefault(false);
        first = false;
        row->addWidget(button);
    }
    row->addStretch();
    return row;
}

QHBoxLayout* CentredOkButton(QDialog* dialog) {
    auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    return CentredButtonRow({ok});
}

}  // namespace vesk
