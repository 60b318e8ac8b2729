#include "screen/FormDialog.h"

#include <QShowEvent>

#include "screen/FormParts.h"

namespace kvl {

void TFormDialog::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        FormShow();
        SettleLayout(this);
    }
    QDialog::showEvent(event);
}

}  // namespace kvl
