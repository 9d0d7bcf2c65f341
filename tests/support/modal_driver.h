#pragma once

// Drives modal dialogs in window tests: a command that runs a dialog with exec() returns only
// once the dialog closes, so the test's part is queued beforehand and runs inside the
// dialog's own event loop as soon as the dialog is shown.

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

namespace vesk::test {

// Whatever it still waits for is dropped when it goes, so an action that refers to a test's
// locals never runs after the test has moved on.
class ModalDriver {
public:
    ModalDriver() = default;
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;
    ~ModalDriver() {
        for (const QPointer<QTimer>& timer : timers) delete timer.data();
    }

    // Runs action once on the next shown modal widget of type Dialog.
    template <typename Dialog>
    void WhenShown(std::function<void(Dialog*)> action) {
        auto* timer = new QTimer;
        timers.emplace_back(timer);
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, action] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || !dialog->isVisible()) return;
            timer->stop();
            action(dialog);
        });
        timer->start();
    }

    // Runs action on every modal widget of type Dialog that is shown from now on.
    template <typename Dialog>
    void WheneverShown(std::function<void(Dialog*)> action) {
        auto* timer = new QTimer;
        timers.emplace_back(timer);
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, timer, [action] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            if (dialog != nullptr && dialog->isVisible()) action(dialog);
        });
        timer->start();
    }

private:
    std::vector<QPointer<QTimer>> timers;
};

}  // namespace vesk::test
