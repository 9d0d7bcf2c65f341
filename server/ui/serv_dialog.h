#pragma once

// SERV: asks for the port and starts the server on it.

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vesk {

class ServerControl;

class ServDialog : public QDialog {
    Q_OBJECT

public:
    ServDialog(ServerControl& control, QWidget* owner);

    QLineEdit* PortField() const { return portField; }
    QPushButton* StartButton() const { return startButton; }
    QCheckBox* DiceBox() const { return diceBox; }

public Q_SLOTS:
    // Starts on the port in the field. A port the rule refuses keeps the dialog open for
    // another try; otherwise it closes, whether the start succeeded or logged its failure.
    void Start();

private:
    ServerControl& control;
    QLineEdit* portField;
    QCheckBox* diceBox;
    QPushButton* startButton;
};

}  // namespace vesk
