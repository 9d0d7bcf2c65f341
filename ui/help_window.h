#pragma once

// The help page that VeskServer and VeskChat share: one page of ours, shipped inside the
// programs as a resource, shown in a window of its own beside the program's main window.

#include <QWidget>

class QTextBrowser;

namespace vesk {

class HelpWindow : public QWidget {
    Q_OBJECT

public:
    // The page's address among the program's resources.
    static const char* const kPageUrl;

    explicit HelpWindow(QWidget* owner);

    QTextBrowser* Browser() const { return browser; }

private:
    QTextBrowser* browser;
};

// Opens the help window of owner, or brings back the one already open where the reader left
// it, so that asking for help twice gives one window.
HelpWindow* ShowHelp(QWidget* owner);

}  // namespace vesk
