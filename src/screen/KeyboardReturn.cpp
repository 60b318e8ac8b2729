#include "screen/KeyboardReturn.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace kvl {

namespace {

class KeyboardReturn : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Hide || !watched->isWidgetType()) return false;
        const auto* window = static_cast<QWidget*>(watched);
        if (!window->isWindow() || !window->parentWidget()) return false;
        QPointer<QWidget> owner = window->parentWidget()->window();
        // After the window system has said which window lost the keyboard.
        QTimer::singleShot(0, this, [owner] {
            if (const QWidget* active = QApplication::activeWindow(); active && active->isVisible())
                return;
            QWidget* next = QApplication::activeModalWidget();
            if (!next) next = owner;
            if (next && next->isVisible()) next->activateWindow();
        });
        return false;
    }
};

}  // namespace

void InstallKeyboardReturn() {
    qApp->installEventFilter(new KeyboardReturn(qApp));
}

}  // namespace kvl
