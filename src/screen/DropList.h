// A drop-down list that takes no typed characters: an entry is chosen from the open list, or
// with the arrow keys. Qt would otherwise jump to the entry whose text begins with the typed
// letter, or to the first, last or a page away on Home, End, Page Up and Page Down, which the
// program's lists never do.
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
