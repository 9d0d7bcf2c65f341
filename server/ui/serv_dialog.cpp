#include "server/ui/serv_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "protocol/cp932.h"
#include "protocol/port_range.h"
#include "server/server_control.h"
#include "ui/dialog_buttons.h"

namespace vesk {

ServDialog::ServDialog(ServerControl& control, QWidget* owner)
    : QDialog(owner, kDialogFrame),
      control(control),
      portField(new QLineEdit(QString::number(kDefaultServerPort), this)),
      diceBox(new QCheckBox(QStringLiteral("チャットのダイスコマンドをサーバーが振る"), this)),
      startButton(new QPushButton(QStringLiteral("起動"), this)) {
    setWindowTitle(QStringLiteral("サーバー起動"));
    auto* cancelButton = new QPushButton(QStringLiteral("キャンセル"), this);
    connect(startButton, &QPushButton::clicked, this, &ServDialog::Start);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("もし必要なら接続ポートを指定して下さい"), this));
    layout->addWidget(portField);
    diceBox->setChecked(true);
    layout->addWidget(diceBox);
    layout->addLayout(CentredButtonRow({startButton, cancelButton}));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    portField->selectAll();
}

void ServDialog::Start() {
    const std::string portText = Cp932FromUtf8(portField->text().toStdString());
    if (control.StartFromText(portText, diceBox->isChecked()) == StartOutcome::Refused) {
        portField->setFocus();
        portField->selectAll();
        return;
    }
    accept();
}

}  // namespace vesk
