#include "server/ui/about_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "server/ui/server_icon.h"

namespace vesk {

AboutDialog::AboutDialog(QWidget* owner)
    : QDialog(owner), iconLabel(new QLabel(this)), nameLabel(new QLabel(this)) {
    setWindowTitle(QStringLiteral("バージョン情報"));
    iconLabel->setPixmap(QPixmap(ServerIconPath()));
    nameLabel->setText(
        QStringLiteral("VeskServer バージョン %1").arg(QStringLiteral(VESK_VERSION)));
    auto* description = new QLabel(QStringLiteral("パーティ用チャットのリレーサーバー"), this);

    auto* text = new QVBoxLayout;
    text->addWidget(nameLabel);
    text->addWidget(description);
    auto* top = new QHBoxLayout;
    top->addWidget(iconLabel, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setCenterButtons(true);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace vesk
