#include "client/ui/font_dialog.h"

#include <QComboBox>
#include <QDoubleValidator>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "client/ui/target_fields.h"
#include "ui/dialog_buttons.h"

namespace vesk {

namespace {

constexpr double kMinPoints = 1;
constexpr double kMaxPoints = 512;

// The sizes most players pick from; any other is typed.
const int kOfferedSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 24, 28, 36, 48, 72};

}  // namespace

FontDialog::FontDialog(const QFont& shown, int shownPoints, QWidget* owner)
    : QDialog(owner, kDialogFrame),
      faceBox(new QFontComboBox(this)),
      sizeBox(new QComboBox(this)),
      sample(new QLabel(QStringLiteral("あア亜 AaBb 123"), this)),
      okButton(new QPushButton(QStringLiteral("OK"), this)) {
    setWindowTitle(QStringLiteral("フォントの変更"));
    faceBox->setCurrentFont(shown);
    sizeBox->setEditable(true);
    for (const int size : kOfferedSizes) sizeBox->addItem(QString::number(size));
    sizeBox->setEditText(QString::number(shownPoints));
    // A fraction is a fraction: "10.5" is ten and a half points, never 105.
    auto* validator = new QDoubleValidator(kMinPoints, kMaxPoints, 1, sizeBox);
    validator->setLocale(QLocale::c());
    validator->setNotation(QDoubleValidator::StandardNotation);
    sizeBox->setValidator(validator);
    sample->setMinimumHeight(60);

    auto* cancelButton = new QPushButton(QStringLiteral("キャンセル"), this);
    connect(okButton, &QPushButton::clicked, this, &FontDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(faceBox, &QFontComboBox::currentFontChanged, this, &FontDialog::ShowSample);
    connect(sizeBox, &QComboBox::currentTextChanged, this, &FontDialog::ShowSample);

    auto* layout = new QVBoxLayout(this);
    AddField(layout, QStringLiteral("フォント名"), faceBox);
    AddField(layout, QStringLiteral("サイズ（ポイント）"), sizeBox);
    layout->addWidget(sample);
    layout->addLayout(CentredButtonRow({okButton, cancelButton}));
    ShowSample();
}

QString FontDialog::Face() const { return faceBox->currentFont().family(); }

double FontDialog::Points() const { return points; }

void FontDialog::ShowSample() {
    QFont font = faceBox->currentFont();
    bool ok = false;
    const double typed = QLocale::c().toDouble(sizeBox->currentText(), &ok);
    if (ok && typed >= kMinPoints && typed <= kMaxPoints) font.setPointSizeF(typed);
    sample->setFont(font);
}

void FontDialog::accept() {
    bool ok = false;
    const double typed = QLocale::c().toDouble(sizeBox->currentText(), &ok);
    if (!ok || typed < kMinPoints || typed > kMaxPoints) {
        // Nothing the dialog could show: the size is typed again.
        FocusForRetyping(*sizeBox->lineEdit());
        return;
    }
    points = typed;
    QDialog::accept();
}

}  // namespace vesk
