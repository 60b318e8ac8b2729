#include "screen/FormParts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "data/EntryRules.h"
#include "screen/Help.h"
#include "screen/MaskEdit.h"
#include "screen/Scrutil.h"

namespace kvl {

void TakeOwnerFont(QWidget* window) {
    window->setAttribute(Qt::WA_WindowPropagation);
    if (QWidget* owner = window->parentWidget()) window->setFont(owner->font());
}

QPushButton* FormButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QPushButton* HelpButton(QWidget* parent, int topic) {
    QPushButton* button = FormButton(parent, "BtnHelp", QStringLiteral("&Help"));
    QObject::connect(button, &QPushButton::clicked, button, [topic] { ShowHelpTopic(topic); });
    return button;
}

QLabel* FormLabel(QWidget* parent, const char* name, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    return label;
}

TMaskEdit* NumberField(QWidget* parent, const char* name) {
    auto* field = new TMaskEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setEditMask(QStringLiteral("!9999;1;_"));
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    return field;
}

QLineEdit* DescriptionField(QWidget* parent, const char* name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setMaxLength(kDescriptionLength);
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 18);
    return field;
}

std::optional<int> ReadNumberField(TMaskEdit* field) {
    return StrToIntOrError(field->programText().trimmed());
}

void ShowNumber(TMaskEdit* field, int number) {
    field->setProgramText(number >= 0 && number <= kHighestNumber ? QString::number(number)
                                                                  : QString());
    field->setModified(false);
}

}  // namespace kvl
