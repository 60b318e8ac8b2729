// Looks at the next message box the desktop raises and answers it as the user would, so that a
// test can check the box's icon, buttons and text.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace kvltest {

struct SeenBox {
    bool found = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QString text;
};

// Inspects the next message box and presses `press` (or Escape when press is NoButton).
inline void WhenBoxOpens(SeenBox* seen, QMessageBox::StandardButton press) {
    QTimer::singleShot(0, [seen, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen->found = true;
        seen->icon = box->icon();
        seen->buttons = box->standardButtons();
        seen->text = box->text();
        if (press == QMessageBox::NoButton)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(press)->click();
    });
}

}  // namespace kvltest
