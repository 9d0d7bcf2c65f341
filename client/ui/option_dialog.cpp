#include "client/ui/option_dialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "client/ui/target_fields.h"
#include "protocol/cp932.h"
#include "protocol/player_name.h"
#include "ui/cp932_text.h"
#include "ui/dialog_buttons.h"

namespace vesk {

OptionDialog::OptionDialog(const ConnectionTarget& target, std::string_view defaultName,
                           MessageBoxView& messages, QWidget* owner)
    : QDialog(owner, kDialogFrame),
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
    AddField(layout,
             QStringLiteral("ディフォルトの接続先IPアドレス\n"
                            "(例) 127.0.0.1 (同じマシンでVeskServerを起動)"),
             addressField);
    AddField(layout, QStringLiteral("ディフォルトのプレイヤー名"), nameField);
    AddField(layout, QStringLiteral("ディフォルトの接続ポート"), portField);
    layout->addLayout(CentredButtonRow({okButton, cancelButton}));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    addressField->setFocus();
}

void OptionDialog::Accept() {
    const std::optional<ConnectionTarget> read =
        ReadTargetFields(*addressField, *portField, messages);
    if (!read) return;
    const std::string name = ToCp932(nameField->text(), kPlayerNameMaxBytes);
    if (name.empty()) {
        // An empty default name would have the player join the party nameless.
        messages.ShowMessage(Cp932FromUtf8("プレイヤー名を入力してください。"));
        FocusForRetyping(*nameField);
        return;
    }
    target = *read;
    defaultName = name;
    accept();
}

}  // namespace vesk
