// Acts on the next modal window of a type as soon as it is up, for windows that a test cannot
// name before they exist (a file dialog made inside a handler, a viewer shown by a report). The
// watch belongs to the application, so one whose window never came up ends with it.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

namespace kvltest {

template <class Window>
void OnNextModal(std::function<void(Window*)> action) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
        if (!window || !window->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        action(window);
    });
    timer->start();
}

}  // namespace kvltest
