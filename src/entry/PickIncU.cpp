#include "entry/PickIncU.h"

#include <QPushButton>

#include "entry/Ledger.h"

namespace kvl {

TPickInc* PickIncForm = nullptr;

TPickInc::TPickInc(const int& defaultFolder, QWidget* parent)
    : TPickEntries(IncomeLedger(), QStringLiteral("Select Item"), defaultFolder, parent),
      Button1(BtnSelect),
      Button2(BtnNew),
      Button3(BtnExit) {
    setObjectName(QStringLiteral("PickInc"));
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2->setObjectName(QStringLiteral("Button2"));
    Button3->setObjectName(QStringLiteral("Button3"));
}

}  // namespace kvl
