#pragma once

// ABOUTDLG: the program's icon, name and version.

#include <QDialog>

class QLabel;

namespace vesk {

struct ProgramInfo {
    QString name;         // "VeskServer" or "VeskChat"
    QString iconPath;     // the program's 32 x 32 icon among the resources
    QString description;  // one line on what the program is
};

class AboutDialog : public QDialog {
    Q_OBJECT

public:
    AboutDialog(const ProgramInfo& program, QWidget* owner);

    QLabel* IconLabel() const { return iconLabel; }
    QLabel* NameLabel() const { return nameLabel; }

private:
    QLabel* iconLabel;
    QLabel* nameLabel;
};

}  // namespace vesk
