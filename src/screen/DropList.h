// A drop-down list that takes no typed characters: an entry is chosen with the mouse or the
// navigation keys only. Qt would otherwise jump to the entry whose text begins with the typed
// letter, which the program's lists never do.
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
        if (!event->text().isEmpty() && event->text().at(0).isPrint()) {
            event->accept();
            return;
        }
        QComboBox::keyPressEvent(event);
    }
};

}  // namespace kvl
