#pragma once

// OPTION: the default server address, player name and port, which the client keeps for the
// next start, and under them a section for a long evening: the session record, arrival times
// in the window, the nudge and the highlight of lines that name the player.

#include <QDialog>
#include <string>

#include "client/message_box_view.h"
#include "client/net/client_connection.h"
#include "client/rules/client_settings.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vesk {

class OptionDialog : public QDialog {
    Q_OBJECT

public:
    OptionDialog(const ConnectionTarget& target, const ClientSettings& settings,
                 MessageBoxView& messages, QWidget* owner);

    // Once accepted: the address and port, and the default player name (code page 932, at
    // most 49 bytes, never empty).
    const ConnectionTarget& Target() const { return target; }
    const std::string& DefaultName() const { return settings.name; }
    // The settings with the dialog's name and the four choices of its second section.
    const ClientSettings& Settings() const { return settings; }

    QLineEdit* AddressField() const { return addressField; }
    QLineEdit* NameField() const { return nameField; }
    QLineEdit* PortField() const { return portField; }
    QPushButton* OkButton() const { return okButton; }
    QCheckBox* RecordBox() const { return recordBox; }
    QCheckBox* TimesBox() const { return timesBox; }
    QCheckBox* NudgeBox() const { return nudgeBox; }
    QCheckBox* HighlightBox() const { return highlightBox; }

private:
    void Accept();

    MessageBoxView& messages;
    ConnectionTarget target;
    ClientSettings settings;
    QLineEdit* addressField;
    QLineEdit* nameField;
    QLineEdit* portField;
    QPushButton* okButton;
    QCheckBox* recordBox;
    QCheckBox* timesBox;
    QCheckBox* nudgeBox;
    QCheckBox* highlightBox;
};

}  // namespace vesk
