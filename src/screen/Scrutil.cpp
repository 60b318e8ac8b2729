#include "screen/Scrutil.h"

#include <QKeyEvent>
#include <QPalette>

#include "data/Clock.h"
#include "data/Messages.h"
#include "screen/MaskEdit.h"

namespace kvl {

bool CheckDateField(TMaskEdit* field, QDate* date) {
    const std::optional<QDate> read = ReadDateText(field->programText());
    if (!read) {
        ShowMessage(MsgKind::Warning, QStringLiteral("Invalid Date Entered"));
        return false;
    }
    field->setProgramText(DateToFieldText(*read));
    if (date) *date = *read;
    return true;
}

void SetAmountColour(TMaskEdit* field) {
    QPalette palette = field->palette();
    const bool negative = field->programText().contains(QLatin1Char('-'));
    palette.setColor(QPalette::Text, negative ? Qt::red : Qt::black);
    field->setPalette(palette);
}

namespace {

// The field's text in the entry format "%9.2f", or the toolkit's conversion error box.
std::optional<QString> NormalizedAmountField(TMaskEdit* field) {
    const QString text = field->programText();
    const std::optional<QString> normal = NormalizeAmountText(text, QStringLiteral("%9.2f"));
    if (!normal) {
        QString compact = text;
        compact.remove(QLatin1Char(' '));
        ShowMessage(MsgKind::Error,
                    QStringLiteral("'%1' is not a valid floating point value").arg(compact));
    }
    return normal;
}

}  // namespace

void AmountFieldKeyPress(TMaskEdit* field, QKeyEvent* event, bool* swallow) {
    SetAmountColour(field);
    const QChar decimal = RegionalSettings().decimalPoint;
    if (event->text() != QString(decimal)) return;
    const std::optional<QString> normal = NormalizedAmountField(field);
    if (!normal) {
        *swallow = true;
        return;
    }
    field->setProgramText(*normal);
    // The field then takes the separator key itself and steps over its own separator.
    const int at = field->displayText().indexOf(decimal);
    if (at >= 0) field->setCursorPosition(at);
}

void AmountFieldExit(TMaskEdit* field) {
    if (const std::optional<QString> normal = NormalizedAmountField(field))
        field->setProgramText(*normal);
    SetAmountColour(field);
}

std::optional<int> StrToIntOrError(const QString& text) {
    const std::optional<int> value = ReadIntegerText(text);
    if (!value)
        ShowMessage(MsgKind::Error, QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

}  // namespace kvl
