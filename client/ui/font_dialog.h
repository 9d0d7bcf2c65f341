#pragma once

// The font dialog of the chat log and the chat input: a face from the fonts of the screen and
// a size in points, typed or picked, with a tenth of a point at most ("10.5"). It opens on
// the face the log is drawn with and the stored size.

#include <QDialog>
#include <QString>

class QComboBox;
class QFontComboBox;
class QLabel;
class QPushButton;

namespace vesk {

class FontDialog : public QDialog {
    Q_OBJECT

public:
    FontDialog(const QFont& shown, int points, QWidget* owner);

    // Once accepted: the face as the dialog names it, and the size as typed.
    QString Face() const;
    double Points() const;

    QFontComboBox* FaceBox() const { return faceBox; }
    QComboBox* SizeBox() const { return sizeBox; }
    QPushButton* OkButton() const { return okButton; }

    // OK: a size the field cannot hold is typed again, and the dialog stays open.
    void accept() override;

private:
    void ShowSample();

    QFontComboBox* faceBox;
    QComboBox* sizeBox;
    QLabel* sample;
    QPushButton* okButton;
    double points = 0;
};

}  // namespace vesk
