// Drives modal dialogs from a test: each step names the dialog it expects to be the active modal
// window and what to do with it (fill fields, press a button). Steps run in order as the dialogs
// come up under exec(); a dialog that comes up out of turn, or after the script has run out, is
// recorded as a failure and left through its Exit or Cancel button (or rejected), so a test fails
// instead of waiting for ever on a window nobody answers.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <functional>

namespace kvltest {

class ModalScript {
  public:
    ModalScript() {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        timer_.start();
    }

    ModalScript& on(QDialog* dialog, std::function<void()> action) {
        steps_.append({dialog, std::move(action)});
        return *this;
    }

    // Presses the dialog's button as the user would: the press moves the focus first, so that a
    // field being left is checked before the button acts.
    static void press(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    bool done() const { return steps_.isEmpty(); }
    int pending() const { return static_cast<int>(steps_.size()); }

    QStringList failures;

  private:
    struct Step {
        QPointer<QDialog> dialog;
        std::function<void()> action;
    };

    void tick() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || busy_) return;
        busy_ = true;
        if (steps_.isEmpty() || steps_.first().dialog != modal) {
            failures << QStringLiteral("unexpected window \"%1\" (%2 steps left)")
                            .arg(modal->windowTitle())
                            .arg(steps_.size());
            bail(modal);
        } else if (!activate(modal)) {
            failures
                << QStringLiteral("window \"%1\" never became active").arg(modal->windowTitle());
            bail(modal);
        } else {
            Step step = steps_.takeFirst();
            step.action();
        }
        busy_ = false;
    }

    // Focus moves, and with them the fields' exit checks, happen only in the active window; the
    // window system may activate a dialog some events after it is shown.
    static bool activate(QWidget* modal) {
        if (QApplication::activeWindow() == modal) return true;
        modal->activateWindow();
        return QTest::qWaitForWindowActive(modal);
    }

    static void bail(QWidget* modal) {
        for (const char* name : {"BtnExit", "BtnCancel"}) {
            if (auto* button = modal->findChild<QAbstractButton*>(QString::fromLatin1(name))) {
                if (button->isVisible() && button->isEnabled()) {
                    button->click();
                    return;
                }
            }
        }
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    }

    QList<Step> steps_;
    QTimer timer_;
    bool busy_ = false;
};

}  // namespace kvltest

// Fails the test when the script met a window out of turn or has steps left: the dialogs it
// expected never came up.
#define SCRIPT_DONE(script)                                                              \
    do {                                                                                 \
        QVERIFY2((script).failures.isEmpty(), qPrintable((script).failures.join('\n'))); \
        QVERIFY2((script).done(), "steps left over");                                    \
    } while (false)
