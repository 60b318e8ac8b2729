// The keyboard as the user works it: Tab pressed in the active window until a control has the
// focus, and text typed over a field so reached. Nothing selects the field's text for the
// program: a field entered with Tab must itself let what is typed replace its text.
#pragma once

#include <QApplication>
#include <QString>
#include <QTest>
#include <QWidget>

namespace kvltest {

// Presses Tab where the keys go (the focused control of field's window, else the window) until
// field has the focus; false when it never comes round, e.g. because a field on the way refuses
// to be left.
inline bool TabInto(QWidget* field) {
    QWidget* window = field->window();
    for (int presses = 0; presses < 64 && !field->hasFocus(); ++presses) {
        QWidget* at = QApplication::focusWidget();
        QTest::keyClick(at && at->window() == window ? at : window, Qt::Key_Tab);
    }
    return field->hasFocus();
}

// Tabs into field (a field that has the focus already is typed into as it stands) and types
// text; an empty text is typed as Delete.
inline bool TypeOver(QWidget* field, const QString& text) {
    if (!TabInto(field)) return false;
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Delete);
    else
        QTest::keyClicks(field, text);
    return true;
}

}  // namespace kvltest
