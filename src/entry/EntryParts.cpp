#include "entry/EntryParts.h"

#include <QShortcut>

#include "data/EntryRules.h"
#include "entry/Ledger.h"
#include "screen/DropList.h"
#include "screen/Help.h"
#include "screen/MaskEdit.h"

namespace kvl {

namespace {

TMaskEdit* Field(QWidget* parent, const char* name, const QString& widest) {
    auto* field = new TMaskEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(widest) + 16);
    return field;
}

}  // namespace

TMaskEdit* DateField(QWidget* parent, const char* name) {
    TMaskEdit* field = Field(parent, name, QStringLiteral("00/00/000"));
    field->setEditMask(DateEditMask());
    return field;
}

TMaskEdit* AmountField(QWidget* parent, const char* name) {
    TMaskEdit* field = Field(parent, name, QStringLiteral("0000000.000"));
    field->setEditMask(AmountEditMask());
    return field;
}

void FillChoices(TDropDownList* list, const Choices& choices) {
    list->clear();
    for (qsizetype i = 0; i < choices.texts.size(); ++i)
        list->addItem(choices.texts[i], choices.numbers[i]);
    list->setCurrentIndex(choices.empty() ? -1 : choices.index);
}

std::optional<int> ChosenNumber(const TDropDownList* list) {
    if (list->currentIndex() < 0) return std::nullopt;
    return list->currentData().toInt();
}

void HelpKey(QWidget* window, int topic) {
    auto* key = new QShortcut(QKeySequence(Qt::Key_F1), window);
    QObject::connect(key, &QShortcut::activated, window, [topic] { ShowHelpTopic(topic); });
}

}  // namespace kvl
