#include "client/ui/option_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "client/ui/target_fields.h"
#include "protocol/cp932.h"
#include "protocol/player_name.h"
#include "ui/cp932_text.h"
#include "ui/dialog_buttons.h"

namespace vesk {

OptionDialog::OptionDialog(const ConnectionTarget& target, const ClientSettings& settings,
                           MessageBoxView& messages, QWidget* owner)
    : QDialog(owner, kDialogFrame),
      messages(messages),
      target(target),
      settings(settings),
      addressField(new QLineEdit(FromCp932(target.address), this)),
      nameField(new QLineEdit(FromCp932(settings.name), this)),
      portField(new QLineEdit(QString::number(target.port), this)),
      okButton(new QPushButton(QStringLiteral("OK"), this)),
      recordBox(new QCheckBox(QStringLiteral("会話をデータフォルダに記録する"), this)),
      timesBox(new QCheckBox(QStringLiteral("ログに届いた時刻を表示する"), this)),
      nudgeBox(new QCheckBox(QStringLiteral("ウィンドウが裏にあるとき発言を知らせる"), this)),
      highlightBox(new QCheckBox(QStringLiteral("自分の名前を含む発言を強調する"), this)) {
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
    auto* evening = new QGroupBox(QStringLiteral("チャット"), this);
    auto* choices = new QVBoxLayout(evening);
    for (auto [box, on] : {std::pair{recordBox, settings.record},
                           {timesBox, settings.showTimes},
                           {nudgeBox, settings.nudge},
                           {highlightBox, settings.highlightName}}) {
        box->setChecked(on);
        choices->addWidget(box);
    }
    layout->addWidget(evening);
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
    settings.name = name;
    settings.record = recordBox->isChecked();
    settings.showTimes = timesBox->isChecked();
    settings.nudge = nudgeBox->isChecked();
    settings.highlightName = highlightBox->isChecked();
    accept();
}

}  // namespace vesk
