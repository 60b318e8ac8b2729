// The program as the account and folder window tests meet it: an empty data set made current and
// started as the program starts it, with the program's windows, the table access of
// TableAccess.h, and ways to type and choose as the user does.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <functional>
#include <initializer_list>

#include "accounts/AccountU.h"
#include "accounts/Cycles.h"
#include "accounts/FolderU.h"
#include "accounts/PickAccU.h"
#include "accounts/PickFolU.h"
#include "accounts/TableAccess.h"
#include "common/AppFixture.h"
#include "common/Keys.h"
#include "common/ModalScript.h"
#include "screen/MaskEdit.h"

namespace kvltest {

class AccountsFixture : public kvl::test::AppFixture, public TableAccess {
  public:
    AccountsFixture()
        : AppFixture(QStringLiteral("Test User"), QDate(2026, 6, 15), /*sample=*/false) {
        started = start();
    }

    // Types text over a field as the user does: Tab until the field has the focus, then the keys.
    static void type(QLineEdit* field, const QString& text) {
        QVERIFY2(TypeOver(field, text), qPrintable(field->objectName() + " never had the focus"));
    }

    // The number in the first column of the pick list's current row, or -1.
    static int currentNumber(QTableWidget* grid) {
        const int row = grid->currentRow();
        if (row < 0 || !grid->item(row, 0)) return -1;
        return grid->item(row, 0)->text().toInt();
    }

    // Makes the row showing number current and presses Select.
    static bool choose(kvl::TPickList* pick, int number) {
        QTableWidget* grid = pick->StringGrid1;
        for (int row = 0; row < grid->rowCount(); ++row) {
            if (grid->item(row, 0) && grid->item(row, 0)->text().toInt() == number) {
                grid->setCurrentCell(row, 0);
                ModalScript::press(pick->BtnSelect);
                return true;
            }
        }
        return false;
    }

    // One run of the folder cycle: the folder numbered `number` chosen (0: New pressed), each of
    // editorSteps done in the editor as it comes up, and the list left with Exit; the script must
    // run through. Returns the number of the row current when the list came back.
    int editFolder(int number, std::initializer_list<std::function<void()>> editorSteps) {
        return runCycle(pickFol, folderF, number, editorSteps,
                        [&] { kvl::RunFolderCycle(*pickFol, *folderF); });
    }
    int editFolder(int number, const std::function<void()>& editorStep) {
        return editFolder(number, {editorStep});
    }

    // The same for the account numbered `number` of the chart mode names.
    int editAccount(char mode, int number,
                    std::initializer_list<std::function<void()>> editorSteps) {
        return runCycle(pickAcc, account, number, editorSteps,
                        [&] { kvl::RunAccountCycle(mode, *pickAcc, *account); });
    }
    int editAccount(char mode, int number, const std::function<void()>& editorStep) {
        return editAccount(mode, number, {editorStep});
    }

    bool started = false;
    kvl::TPickFol* pickFol = kvl::PickFolForm;
    kvl::TFolderF* folderF = kvl::FolderForm;
    kvl::TPickAcc* pickAcc = kvl::PickAccForm;
    kvl::TAccount* account = kvl::AccountForm;

  private:
    int runCycle(kvl::TPickList* pick, QDialog* editor, int number,
                 std::initializer_list<std::function<void()>> editorSteps,
                 const std::function<void()>& run) {
        ModalScript script;
        script.on(pick, [&] {
            if (number == 0)
                ModalScript::press(pick->BtnNew);
            else
                QVERIFY(choose(pick, number));
        });
        for (const std::function<void()>& step : editorSteps) script.on(editor, step);
        int current = -1;
        script.on(pick, [&] {
            current = currentNumber(pick->StringGrid1);
            ModalScript::press(pick->BtnExit);
        });
        run();
        [&] { SCRIPT_DONE(script); }();
        return current;
    }
};

}  // namespace kvltest
