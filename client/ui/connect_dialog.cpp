#include "client/ui/connect_dialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "client/dice/list_boxes.h"
#include "client/ui/combo_box_adapter.h"
#include "client/ui/target_fields.h"
#include "protocol/player_name.h"
#include "ui/cp932_text.h"
#include "ui/dialog_buttons.h"

namespace vesk {

ConnectDialog::ConnectDialog(const ConnectionTarget& target, std::string_view defaultName,
                             const ListPaths& paths, MessageBoxView& messages, QWidget* owner)
    : QDialog(owner, kDialogFrame),
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
    AddField(layout,
             QStringLiteral("もし必要なら接続先のIPアドレスを指定して下さい\n"
                            "(例) 127.0.0.1 (同じマシンでVeskServerを起動)"),
             addressField);
    AddField(layout, QStringLiteral("もし必要ならプレイヤー名を指定して下さい"), nameBox);
    AddField(layout, QStringLiteral("もし必要なら接続ポートを指定して下さい"), portField);
    layout->addLayout(CentredButtonRow({connectButton, cancelButton}));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    addressField->setFocus();
}

std::string ConnectDialog::PlayerName() const {
    return ToCp932(nameBox->currentText(), kPlayerNameMaxBytes);
}

void ConnectDialog::Accept() {
    const std::optional<ConnectionTarget> read =
        ReadTargetFields(*addressField, *portField, messages);
    if (!read) return;
    target = *read;
    accept();
}

}  // namespace vesk
