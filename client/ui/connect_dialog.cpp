#include "client/ui/connect_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "client/dice/list_file.h"
#include "client/shell/target_form.h"
#include "client/ui/combo_box_adapter.h"
#include "protocol/player_name.h"
#include "ui/cp932_text.h"
#include "ui/dialog_buttons.h"

namespace vesk {

ConnectDialog::ConnectDialog(const ConnectionTarget& target, std::string_view defaultName,
                             const ListPaths& paths, MessageBoxView& messages, QWidget* owner)
    : QDialog(owner),
      messages(messages),
      target(target),
      addressField(new QLineEdit(FromCp932(target.address), this)),
      nameBox(new QComboBox(this)),
      portField(new QLineEdit(QString::number(target.port), this)),
      connectButton(new QPushButton(QStringLiteral("接続"), this)) {
    setWindowTitle(QStringLiteral("接続"));
    ComboBoxAdapter names(*nameBox);
    FillNameList(paths.nameList, defaultName, names, messages);
    auto* cancelButton = new QPushButton(QStringLiteral("キャンセル"), this);
    connect(connectButton, &QPushButton::clicked, this, &ConnectDialog::Accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("もし必要なら接続先のIPアドレスを指定して下さい\n"
                                                "(例) 127.0.0.1 (同じマシンでVeskServerを起動)"),
                                 this));
    layout->addWidget(addressField);
    layout->addWidget(new QLabel(QStringLiteral("もし必要ならプレイヤー名を指定して下さい"), this));
    layout->addWidget(nameBox);
    layout->addWidget(new QLabel(QStringLiteral("もし必要なら接続ポートを指定して下さい"), this));
    layout->addWidget(portField);
    layout->addLayout(CentredButtonRow({connectButton, cancelButton}));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    addressField->setFocus();
}

std::string ConnectDialog::PlayerName() const {
    return ToCp932(nameBox->currentText(), kPlayerNameMaxBytes);
}

void ConnectDialog::Accept() {
    const TargetForm form =
        ReadTargetForm(ToCp932(addressField->text()), ToCp932(portField->text()));
    if (!form.target) {
        messages.ShowMessage(form.problem);
        QLineEdit* wrong = form.problem == AddressRuleMessage() ? addressField : portField;
        wrong->setFocus();
        wrong->selectAll();
        return;
    }
    target = *form.target;
    accept();
}

}  // namespace vesk
