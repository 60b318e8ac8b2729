// A drop-down list that takes no typed characters: an entry is chosen from the open list, or
// with the arrow keys. Qt would otherwise jump to the entry whose text begins with the typed
// letter, or to the first, last or a page away on Home, End, Page Up and Page Down, which the
// program's lists never do. Keys that work the window go on to it untouched: Tab and Backtab with
// any modifier (Ctrl+Tab turns the main window's tabs), Escape, the function keys but F4 (which
// opens the list), and every key held with Ctrl, Alt or Meta but the arrows.
#pragma once

#include <QComboBox>
#include <QKeyEvent>

namespace kvl {

class TDropDownList : public QComboBox {
    Q_OBJECT
  public:
    explicit TDropDownList(QWidget* parent = nullptr) : QComboBox(parent) { setEditable(false); }

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        const int key = event->key();
        // Qt would take Ctrl+Tab's tab character for a letter to search the entries for, and
        // Ctrl+Page Up for a move to the first entry.
        const bool arrow = key >= Qt::Key_Left && key <= Qt::Key_Down;
        const bool forWindow =
            key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Escape ||
            (key >= Qt::Key_F1 && key <= Qt::Key_F35 && key != Qt::Key_F4) ||
            (!arrow &&
             (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)));
        if (forWindow) {
            event->ignore();
            return;
        }
        const bool jumps = key == Qt::Key_Home || key == Qt::Key_End || key == Qt::Key_PageUp ||
                           key == Qt::Key_PageDown;
        if (jumps || (!event->text().isEmpty() && event->text().at(0).isPrint())) {
            event->accept();
            return;
        }
        QComboBox::keyPressEvent(event);
    }
};

}  // namespace kvl
