#include "entry/EntryParts.h"

#include <QShortcut>

#include "data/EntryRules.h"
#include "entry/Ledger.h"
#include "screen/DropList.h"
#include "screen/FormParts.h"
#include "screen/Help.h"
#include "screen/MaskEdit.h"

namespace kvl {

TMaskEdit* AmountField(QWidget* parent, const char* name) {
    return MaskField(parent, name, AmountEditMask());
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
