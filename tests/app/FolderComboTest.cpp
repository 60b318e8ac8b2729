// The default-folder list of the main window: refill from the folder table, the fall-back of a
// remembered entry that no longer exists (and of the filter with it), selection, and typing that
// is ignored.
#include "common/AppFixture.h"
#include "data/DbUtil.h"
#include "data/Maintenance.h"

using namespace kvl;
using kvl::test::AppFixture;

namespace {

void AddFolder(int number, const QString& name) {
    OpenFolders();
    QCOMPARE(d4appendBlank(dbFolders), 0);
    FolderBuffer.number = number;
    FolderBuffer.name = name;
    StoreFolderRecord();
    code4close(cb);
}

// Marks deleted every folder whose number is not in keep, then packs as the folder cycle does.
void KeepOnlyFolders(std::initializer_list<int> keep) {
    OpenFolders();
    for (int rc = d4top(dbFolders); rc == 0; rc = d4skip(dbFolders, 1)) {
        const int number = f4int(fFolNo);
        if (std::find(keep.begin(), keep.end(), number) == keep.end()) d4delete(dbFolders);
    }
    code4close(cb);
    PackAll();
}

QStringList Items(const TFormMain* form) {
    QStringList items;
    for (int i = 0; i < form->FolderCBox->count(); ++i) items << form->FolderCBox->itemText(i);
    return items;
}

}  // namespace

class FolderComboTest : public QObject {
    Q_OBJECT

  private slots:
    void refillFollowsTheTable() {
        AppFixture app;
        QVERIFY(app.start());
        app.form->show();
        QTRY_VERIFY(!app.form->FolderListStale);
        QStringList items = Items(app.form);
        QCOMPARE(items.size(), 5);
        QCOMPARE(items[0], QStringLiteral("  -1 - No Default"));
        QCOMPARE(items[1], QStringLiteral("   1 - ") +
                               QStringLiteral("Residential Clients").leftJustified(30));
        QVERIFY(cb->tables().empty());

        AddFolder(5, QStringLiteral("Rental Units"));
        // Nothing changes until the list is marked stale and painted.
        QCOMPARE(Items(app.form).size(), 5);
        app.form->MarkFolderListStale();
        QTRY_VERIFY(!app.form->FolderListStale);
        items = Items(app.form);
        QCOMPARE(items.size(), 6);
        QCOMPARE(items[5],
                 QStringLiteral("   5 - ") + QStringLiteral("Rental Units").leftJustified(30));
        QCOMPARE(app.form->FolderCBox->currentIndex(), 0);
        QVERIFY(cb->tables().empty());
        QVERIFY(app.responder.shown.isEmpty());
    }

    void choosingFolderFiveLimitsToIt() {
        AppFixture app;
        QVERIFY(app.start());
        AddFolder(5, QStringLiteral("Rental Units"));
        app.form->RefillFolderList();
        const int five =
            app.form->FolderCBox->findText(QStringLiteral("   5 - "), Qt::MatchStartsWith);
        QCOMPARE(five, 5);
        app.form->FolderCBox->setCurrentIndex(five);
        QCOMPARE(app.form->DefaultFolder, 5);
        QCOMPARE(app.form->FolderIndex, 5);
        app.form->FolderCBox->setCurrentIndex(0);
        QCOMPARE(app.form->DefaultFolder, -1);
        QCOMPARE(app.form->FolderIndex, 0);
    }

    void refillKeepsTheFilterAndTheRememberedEntry() {
        AppFixture app;
        QVERIFY(app.start());
        app.form->RefillFolderList();
        app.form->FolderCBox->setCurrentIndex(3);
        QCOMPARE(app.form->DefaultFolder, 3);
        app.form->RefillFolderList();
        QCOMPARE(app.form->FolderCBox->currentIndex(), 3);
        QCOMPARE(app.form->DefaultFolder, 3);
    }

    void rememberedEntryBeyondTheTableFallsBack() {
        AppFixture app;
        QVERIFY(app.start());
        AddFolder(5, QStringLiteral("Rental Units"));
        app.form->RefillFolderList();
        app.form->FolderCBox->setCurrentIndex(5);
        QCOMPARE(app.form->DefaultFolder, 5);

        KeepOnlyFolders({1, 2});
        app.form->MarkFolderListStale();
        app.form->show();
        QTRY_VERIFY(!app.form->FolderListStale);
        QCOMPARE(Items(app.form).size(), 3);
        QCOMPARE(app.form->FolderCBox->currentIndex(), 0);
        QCOMPARE(app.form->FolderCBox->currentText(), QStringLiteral("  -1 - No Default"));
        QCOMPARE(app.form->FolderIndex, 0);
        QCOMPARE(app.form->DefaultFolder, -1);  // the filter goes with the entry
    }

    void emptyFolderTableOffersOnlyNoDefault() {
        AppFixture app;
        QVERIFY(app.start());
        KeepOnlyFolders({});
        app.form->RefillFolderList();
        QCOMPARE(Items(app.form), QStringList{QStringLiteral("  -1 - No Default")});
    }

    void typingIsIgnored() {
        AppFixture app;
        QVERIFY(app.start());
        app.form->RefillFolderList();
        app.form->show();
        app.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app.form));
        app.form->FolderCBox->setFocus();
        QTest::keyClicks(app.form->FolderCBox, QStringLiteral("3 S"));
        QCOMPARE(app.form->FolderCBox->currentIndex(), 0);
        QCOMPARE(app.form->DefaultFolder, -1);
        QTest::keyClick(app.form->FolderCBox, Qt::Key_Down);
        QCOMPARE(app.form->FolderCBox->currentIndex(), 1);
        QCOMPARE(app.form->DefaultFolder, 1);
    }
};

QTEST_MAIN(FolderComboTest)
#include "FolderComboTest.moc"
