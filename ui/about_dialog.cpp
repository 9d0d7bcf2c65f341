#include "ui/about_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "ui/dialog_buttons.h"

namespace vesk {

AboutDialog::AboutDialog(const ProgramInfo& program, QWidget* owner)
    : QDialog(owner, kDialogFrame), iconLabel(new QLabel(this)), nameLabel(new QLabel(this)) {
    setWindowTitle(QStringLiteral("バージョン情報"));
    iconLabel->setPixmap(QPixmap(program.iconPath));
    nameLabel->setText(
        QStringLiteral("%1 バージョン %2").arg(program.name, QStringLiteral(VESK_VERSION)));
    auto* description = new QLabel(program.description, this);

    auto* text = new QVBoxLayout;
    text->addWidget(nameLabel);
    text->addWidget(description);
    auto* top = new QHBoxLayout;
    top->addWidget(iconLabel, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(CentredOkButton(this));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace vesk
