#include "client/ui/option_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "client/shell/target_form.h"
#include "protocol/cp932.h"
#include "protocol/player_name.h"
#include "ui/cp932_text.h"
#include "ui/dialog_buttons.h"

namespace vesk {

OptionDialog::OptionDialog(const ConnectionTarget& target, std::string_view defaultName,
                           MessageBoxView& messages, QWidget* owner)
    : QDialog(owner),
      messages(messages),
      target(target),
      defaultName(defaultName),
      addressField(new QLineEdit(FromCp932(target.address), this)),
      nameField(new QLineEdit(FromCp932(defaultName), this)),
      portField(new QLineEdit(QString::number(target.port), this)),
      okButton(new QPushButton(QStringLiteral("OK"), this)) {
    setWindowTitle(QStringLiteral("設定"));
    auto* cancelButton = new QPushButton(QStringLiteral("キャンセル"), this);
    connect(okButton, &QPushButton::clicked, this, &OptionDialog::Accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("ディフォルトの接続先IPアドレス\n"
                                                "(例) 127.0.0.1 (同じマシンでVeskServerを起動)"),
                                 this));
    layout->addWidget(addressField);
    layout->addWidget(new QLabel(QStringLiteral("ディフォルトのプレイヤー名"), this));
    layout->addWidget(nameField);
    layout->addWidget(new QLabel(QStringLiteral("ディフォルトの接続ポート"), this));
    layout->addWidget(portField);
    layout->addLayout(CentredButtonRow({okButton, cancelButton}));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    addressField->setFocus();
}

void OptionDialog::Accept() {
    const TargetForm form =
        ReadTargetForm(ToCp932(addressField->text()), ToCp932(portField->text()));
    const std::string name = ToCp932(nameField->text(), kPlayerNameMaxBytes);
    QLineEdit* wrong = nullptr;
    if (!form.target) {
        messages.ShowMessage(form.problem);
        wrong = form.problem == AddressRuleMessage() ? addressField : portField;
    } else if (name.empty()) {
        // An empty default name would have the player join the party nameless.
        messages.ShowMessage(Cp932FromUtf8("プレイヤー名を入力してください。"));
        wrong = nameField;
    }
    if (wrong != nullptr) {
        wrong->setFocus();
        wrong->selectAll();
        return;
    }
    target = *form.target;
    defaultName = name;
    accept();
}

}  // namespace vesk
