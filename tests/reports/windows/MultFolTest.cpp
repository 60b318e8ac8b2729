// The folder dialog: the live folders in number order, Run, All and Cancel.
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "common/DataSetFixture.h"
#include "common/NextModal.h"
#include "data/dbFiles.h"
#include "reports/MultFolOps.h"
#include "reports/MultFolU.h"

using namespace kvl;
using kvltest::OnNextModal;

class MultFolTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::DataSetFixture> books_;

    static void AddFolder(int number, const char* name, bool deleted = false) {
        (void)d4appendBlank(dbFolders);
        FolderBuffer = {number, QString::fromLatin1(name)};
        StoreFolderRecord();
        if (deleted) d4delete(dbFolders);
        (void)d4refresh(dbFolders);
    }

    // Shows the dialog, lets act choose, and gives the folders chosen.
    static std::vector<int> Choose(const std::function<void(TMultFol*)>& act) {
        TMultFol dialog;
        OnNextModal<TMultFol>(act);
        return dialog.ChooseFolders();
    }

  private slots:
    void initTestCase() {
        books_ = std::make_unique<test::DataSetFixture>(QString(), false);
        QVERIFY(books_->created);
        cb = code4initP();
        OpenFolders();
        AddFolder(12, "Rentals");
        AddFolder(8, "Sold", /*deleted=*/true);
        AddFolder(5, "Office");
    }

    void cleanupTestCase() {
        code4initUndoP(cb);
        cb = nullptr;
        books_.reset();
    }

    void listsTheLiveFoldersAndRunTakesTheSelectedOnes() {
        const std::vector<int> chosen = Choose([](TMultFol* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Select Folder(s) to Include"));
            QCOMPARE(d->size(), QSize(282, 337));
            QCOMPARE(d->ListBox1->count(), 2);
            QCOMPARE(d->ListBox1->item(0)->text().left(13), QStringLiteral("   5 - Office"));
            QCOMPARE(d->ListBox1->item(1)->text().left(14), QStringLiteral("  12 - Rentals"));
            QVERIFY(d->ListBox1->selectedItems().isEmpty());
            // Plain clicks add to the selection.
            for (int row : {1, 0}) {
                const QRect place = d->ListBox1->visualItemRect(d->ListBox1->item(row));
                QTest::mouseClick(d->ListBox1->viewport(), Qt::LeftButton, {}, place.center());
            }
            QTest::mouseClick(d->BtnRun, Qt::LeftButton);
        });
        QCOMPARE(chosen, (std::vector<int>{5, 12}));
        QCOMPARE(FolderSelection, chosen);
    }

    void runWithoutASelectionOrCancelChoosesNone() {
        QVERIFY(Choose([](TMultFol* d) { QTest::mouseClick(d->BtnRun, Qt::LeftButton); }).empty());
        // All selects every folder without closing; Cancel still chooses none.
        QVERIFY(Choose([](TMultFol* d) {
                    QTest::mouseClick(d->BtnAll, Qt::LeftButton);
                    QCOMPARE(d->ListBox1->selectedItems().size(), 2);
                    QTest::mouseClick(d->BtnCancel, Qt::LeftButton);
                }).empty());
        QVERIFY(Choose([](TMultFol* d) { d->close(); }).empty());
    }

    // The keys that ran one report run the next: each showing starts on the list.
    void eachShowingStartsOnTheList() {
        TMultFol dialog;
        for (int showing = 0; showing < 2; ++showing) {
            OnNextModal<TMultFol>([](TMultFol* d) {
                if (QTest::qWaitForWindowActive(d)) {
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                }
                if (d->isVisible()) d->reject();
            });
            QCOMPARE(dialog.ChooseFolders(), std::vector<int>{5});
        }
    }
};

QTEST_MAIN(MultFolTest)
#include "MultFolTest.moc"
