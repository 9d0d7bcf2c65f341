#pragma once

// ABOUTDLG: the program's icon, name and version.

#include <QDialog>

class QLabel;

namespace vesk {

class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* owner);

    QLabel* IconLabel() const { return iconLabel; }
    QLabel* NameLabel() const { return nameLabel; }

private:
    QLabel* iconLabel;
    QLabel* nameLabel;
};

}  // namespace vesk
