#include "screen/RefusedField.h"

#include <QLineEdit>

namespace kvl {

void RefusedField::watch(QLineEdit* field) {
    QObject::connect(field, &QLineEdit::textEdited, field, [this] { forget(); });
}

bool RefusedField::left(QLineEdit* field, bool accepted) {
    field_ = accepted ? nullptr : field;
    if (!accepted) field->setFocus();
    return accepted;
}

bool RefusedField::swallowPress() {
    QLineEdit* refused = field_;
    if (!refused) return false;
    field_ = nullptr;
    refused->setFocus();
    return true;
}

}  // namespace kvl
