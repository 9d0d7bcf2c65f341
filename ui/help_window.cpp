#include "ui/help_window.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

// A resource compiled into a static library is linked only when something names it.
static void LoadHelpResource() { Q_INIT_RESOURCE(help); }

namespace vesk {

namespace {
constexpr int kWidth = 560;
constexpr int kHeight = 520;
}  // namespace

const char* const HelpWindow::kPageUrl = "qrc:/help/help.html";

HelpWindow::HelpWindow(QWidget* owner)
    : QWidget(owner, Qt::Window), browser(new QTextBrowser(this)) {
    static const bool loaded = (LoadHelpResource(), true);
    static_cast<void>(loaded);
    setWindowTitle(QStringLiteral("Vesk ヘルプ"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    // Links inside the page move within it; the page has no links that leave the program.
    browser->setOpenExternalLinks(false);
    browser->setSource(QUrl(QString::fromLatin1(kPageUrl)));
    resize(kWidth, kHeight);
}

HelpWindow* ShowHelp(QWidget* owner) {
    auto* window = owner->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (window == nullptr) window = new HelpWindow(owner);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

}  // namespace vesk
