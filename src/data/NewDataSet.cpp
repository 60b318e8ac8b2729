#include "data/NewDataSet.h"

#include <unistd.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "data/Clock.h"
#include "data/CodeBase.h"
#include "data/DbUtil.h"
#include "data/DirLock.h"
#include "data/TableLayouts.h"
#include "engine/CodePage.h"
#include "engine/Engine.h"
#include "engine/Files.h"

namespace kvl {

namespace {

struct Account {
    int number;
    const char* description;
    bool flag;
};

struct Folder {
    int number;
    const char* name;
};

struct Expense {
    QDate date;
    long checkNo;
    int account;
    int folder;
    QString payTo;
    double amount;
    QString memo;
};

struct Income {
    int account;
    QDate date;
    QString description;
    double amount;
    int folder;
};

const Folder kFolders[] = {{1, "Residential Clients"},
                           {2, "Commercial Contracts"},
                           {3, "Snow Removal"},
                           {4, "Garden Center"}};

const Account kExpenseAccounts[] = {{1, "Advertising", true},
                                    {2, "Vehicle Fuel", true},
                                    {3, "Vehicle Repairs", true},
                                    {4, "Equipment Rental", true},
                                    {5, "Plants and Materials", true},
                                    {6, "Insurance", true},
                                    {7, "Office Supplies", true},
                                    {8, "Telephone and Internet", true},
                                    {9, "Wages", true},
                                    {10, "Rent", true},
                                    {11, "Owner Draw", false},
                                    {12, "Personal Expenses", false}};

const Account kIncomeAccounts[] = {{1, "Landscaping Services", true},
                                   {2, "Plant and Material Sales", true},
                                   {3, "Snow Removal Services", true},
                                   {4, "Owner Contributions", false}};

// Records of a business that runs landscaping from spring to autumn and plows in winter, drawn
// with a fixed seed so that the same day always gives the same books.
class SampleBooks {
  public:
    explicit SampleBooks(const QDate& today) : today_(today), rng_(19930415) {
        const QDate first(today.year(), today.month(), 1);
        for (QDate month = first.addMonths(-23); month <= today; month = month.addMonths(1)) {
            month_ = month;
            Month(month == first.addMonths(-23));
        }
        auto byDate = [](const auto& a, const auto& b) { return a.date < b.date; };
        std::stable_sort(expenses.begin(), expenses.end(), byDate);
        std::stable_sort(income.begin(), income.end(), byDate);
    }

    std::vector<Expense> expenses;
    std::vector<Income> income;

  private:
    int Between(int low, int high) { return low + static_cast<int>(rng_() % (high - low + 1)); }
    double Dollars(int low, int high) { return Between(low * 100, high * 100) / 100.0; }
    QDate On(int day) const {
        return QDate(month_.year(), month_.month(), std::min(day, month_.daysInMonth()));
    }

    void Spend(int day, bool byCheck, int account, int folder, const QString& payTo, double amount,
               const QString& memo) {
        const QDate date = On(day);
        if (date > today_) return;
        expenses.push_back(
            {date, byCheck ? nextCheck_++ : 0, account, folder, payTo, amount, memo});
    }

    void Earn(int day, int account, int folder, const QString& description, double amount) {
        const QDate date = On(day);
        if (date > today_) return;
        income.push_back({account, date, description, amount, folder});
    }

    QString Invoice(const QString& client) {
        return QStringLiteral("Inv %1 %2").arg(nextInvoice_++).arg(client);
    }

    void Month(bool opening) {
        static const char* const kClients[] = {"Hartwell residence",  "Okafor residence",
                                               "Lindqvist residence", "Delgado residence",
                                               "Brennan residence",   "Whitcomb residence"};
        static const char* const kSuppliers[] = {"B\xc3\xa9langer Nursery", "Stonecrest Supply",
                                                 "Green Acres Wholesale"};
        static const char* const kMaterials[] = {"Shrubs and perennials", "Pavers and gravel",
                                                 "Mulch, 12 yards"};
        const int m = month_.month();
        const bool winter = m == 12 || m <= 3;

        if (opening) Earn(2, 4, 1, QStringLiteral("Owner capital contribution"), 5000.00);
        Spend(1, true, 10, 4, QStringLiteral("Millbrook Properties"), 1450.00,
              QStringLiteral("Yard and shop rent"));
        Spend(1, true, 11, 1, QStringLiteral("Owner"), 1500.00, QStringLiteral("Monthly draw"));
        Spend(5, true, 6, 2, QStringLiteral("Keystone Mutual Insurance"), 312.40,
              QStringLiteral("Liability and vehicle policy"));
        Spend(12, false, 8, 1, QStringLiteral("Northline Telecom"), Dollars(89, 104),
              QStringLiteral("Phones and internet"));
        Spend(15, true, 9, winter ? 3 : 1, QStringLiteral("Crew payroll"),
              Dollars(winter ? 1400 : 2400, winter ? 2200 : 3600),
              QStringLiteral("Wages, first half"));
        Spend(28, true, 9, winter ? 3 : 2, QStringLiteral("Crew payroll"),
              Dollars(winter ? 1400 : 2400, winter ? 2200 : 3600),
              QStringLiteral("Wages, second half"));
        for (int day : {3, 10, 17, 24})
            Spend(day, false, 2, winter ? 3 : Between(1, 2), QStringLiteral("Quick Stop Fuel"),
                  Dollars(60, 140), QStringLiteral("Truck fuel"));
        if (!winter) {
            for (int i = 0; i < 3; ++i)
                Spend(Between(2, 27), true, 5, i == 2 ? 4 : i + 1, QString::fromUtf8(kSuppliers[i]),
                      Dollars(150, 900), QString::fromUtf8(kMaterials[i]));
        } else {
            Spend(Between(2, 20), true, 5, 3, QStringLiteral("Stonecrest Supply"),
                  Dollars(300, 700), QStringLiteral("Road salt"));
        }
        Spend(Between(6, 20), false, 1, 1, QStringLiteral("Valley Gazette"),
              (m >= 3 && m <= 5) ? 240.00 : 120.00, QStringLiteral("Display advertisement"));
        Spend(Between(2, 26), false, 7, 1, QStringLiteral("Paper Trail Office Supply"),
              Dollars(25, 90), QStringLiteral("Invoices and toner"));
        if (rng_() % 2)
            Spend(Between(2, 26), true, 4, winter ? 3 : 2, QStringLiteral("Ace Equipment Rental"),
                  Dollars(80, 400),
                  winter ? QStringLiteral("Skid steer, one day")
                         : QStringLiteral("Sod cutter, one day"));
        if (m % 3 == 0)
            Spend(Between(2, 26), true, 3, 1, QStringLiteral("Riverside Auto & Diesel"),
                  Dollars(180, 950), QStringLiteral("Truck service"));
        if (rng_() % 3 == 0)
            Spend(Between(2, 26), false, 12, 1, QStringLiteral("Corner Bistro"), Dollars(20, 60),
                  QStringLiteral("Family lunch"));

        if (winter) {
            Earn(1, 3, 3, Invoice(QStringLiteral("Maple Court HOA snow")), 1800.00);
            for (int day : {9, 23})
                Earn(day, 3, 3, Invoice(QStringLiteral("driveway plowing")), Dollars(90, 400));
        } else {
            Earn(1, 1, 2, Invoice(QStringLiteral("Maple Court HOA")), 2150.00);
            Earn(1, 1, 2, Invoice(QStringLiteral("Riverside Office Park")), 3400.00);
            for (int day : {6, 13, 20, 27})
                Earn(day, 1, 1, Invoice(QString::fromLatin1(kClients[rng_() % 6])),
                     Dollars(240, 1200));
        }
        for (int day : {1, 8, 15, 22})
            Earn(day, 2, 4, QStringLiteral("Garden center sales"),
                 winter ? Dollars(150, 450) : Dollars(600, 2200));
    }

    QDate today_;
    QDate month_;
    std::mt19937 rng_;
    long nextCheck_ = 2101;
    int nextInvoice_ = 1001;
};

// Writes one table through the engine: every appended record is filled field by field.
class Writer {
  public:
    explicit Writer(xb::Table* table) : table_(table) {}
    bool append() { return table_->appendBlank() == xb::r4success; }
    void text(const char* field, const QString& value) {
        if (xb::Field* f = table_->field(field)) f->assign(xb::Utf8ToCp1252(value.toStdString()));
    }
    void number(const char* field, double value) {
        if (xb::Field* f = table_->field(field)) f->assignNumber(value);
    }
    void date(const char* field, const QDate& value) {
        if (xb::Field* f = table_->field(field)) f->assign(DateToKey(value).toStdString());
    }
    void flag(const char* field, bool value) {
        if (xb::Field* f = table_->field(field)) f->assign(value ? "T" : "F");
    }

  private:
    xb::Table* table_;
};

void FillAccounts(Writer& w, const Account* begin, const Account* end) {
    for (const Account* a = begin; a != end; ++a) {
        if (!w.append()) return;
        w.number("ACCNO", a->number);
        w.text("ACDESC", QString::fromLatin1(a->description));
        w.flag("ACDED", a->flag);
    }
}

void FillTable(const TableLayout& layout, Writer& w, const NewDataSetOptions& options,
               const SampleBooks* books) {
    if (&layout == &SettingsLayout()) {
        if (!w.append()) return;
        w.text("UNAME", options.userName);
        w.number("FYMONTH", 1);
        w.number("FYDAY", 1);
        w.text("FONTNAME", QString());
        w.number("FONTSIZE", 0);
        return;
    }
    if (!books) return;
    if (&layout == &ExpenseAccountLayout()) {
        FillAccounts(w, std::begin(kExpenseAccounts), std::end(kExpenseAccounts));
    } else if (&layout == &IncomeAccountLayout()) {
        FillAccounts(w, std::begin(kIncomeAccounts), std::end(kIncomeAccounts));
    } else if (&layout == &FolderLayout()) {
        for (const Folder& f : kFolders) {
            if (!w.append()) return;
            w.number("FOLNO", f.number);
            w.text("FOLNAME", QString::fromLatin1(f.name));
        }
    } else if (&layout == &ExpenseLayout()) {
        for (const Expense& e : books->expenses) {
            if (!w.append()) return;
            w.date("EXPDATE", e.date);
            w.number("CHECKNO", e.checkNo);
            w.number("ACCNO", e.account);
            w.number("FOLNO", e.folder);
            w.text("PAYTO", e.payTo);
            w.number("AMOUNT", e.amount);
            w.text("EMEMO", e.memo);
            w.flag("ARCHIVE", false);
        }
    } else if (&layout == &IncomeLayout()) {
        for (const Income& i : books->income) {
            if (!w.append()) return;
            w.number("INCACC", i.account);
            w.flag("INCIMP", false);
            w.date("INCDATE", i.date);
            w.text("INCDESC", i.description);
            w.number("INCAMT", i.amount);
            w.number("FOLNO", i.folder);
            w.flag("ARCHIVE", false);
        }
    }
}

std::vector<std::string> FilesOf(const std::string& dir, const TableLayout& layout) {
    std::vector<std::string> files{xb::ResolvePath(dir, layout.fileName)};
    if (layout.hasIndex()) {
        files.push_back(xb::ResolvePath(dir, std::string(layout.group) + ".cgp"));
        for (const TagLayout& tag : layout.tags)
            files.push_back(xb::ResolvePath(dir, tag.fileName()));
    }
    return files;
}

}  // namespace

bool CreateDataSet(const QString& dir, const NewDataSetOptions& options, QString* message) {
    auto fail = [&](const QString& text) {
        if (message) *message = text;
        return false;
    };
    const QString shown = QDir::toNativeSeparators(dir);
    if (!QDir().mkpath(dir))
        return fail(QStringLiteral("Cannot create the directory %1").arg(shown));
    const std::string base = QFile::encodeName(dir).toStdString();
    for (const TableLayout* layout : AllTableLayouts()) {
        if (xb::FileExists(xb::ResolvePath(base, layout->fileName)))
            return fail(QStringLiteral("%1 already holds %2; a new data set is not created over "
                                       "existing tables")
                            .arg(shown, QString::fromLatin1(layout->fileName)));
    }

    std::vector<std::string> made;
    auto undo = [&](const std::string& why) {
        for (const std::string& path : made) ::unlink(path.c_str());
        return fail(QString::fromStdString(xb::Cp1252ToUtf8(why)));
    };
    const std::unique_ptr<SampleBooks> books(options.sample ? new SampleBooks(Today()) : nullptr);
    xb::Engine engine;
    engine.settings.autoOpen = false;
    engine.settings.safety = false;  // stray index files without their table are replaced
    for (const TableLayout* layout : AllTableLayouts()) {
        const std::string path = xb::ResolvePath(base, layout->fileName);
        if (xb::Status s = xb::CreateTable(path, layout->fields); !s.ok()) return undo(s.message);
        for (const std::string& f : FilesOf(base, *layout)) {
            if (std::find(made.begin(), made.end(), f) == made.end()) made.push_back(f);
        }
        xb::Table* table = engine.open(path);
        if (!table) return undo(engine.errorMessage());
        Writer writer(table);
        FillTable(*layout, writer, options, books.get());
        if (layout->hasIndex()) {
            const std::vector<TAG4INFO> tags = TagInfoList(*layout);
            // Every failure of the creation is left pending in the engine, read next.
            (void)i4create(table, layout->group, tags.data());
        }
        const int failed = engine.errorCode();
        const std::string why = engine.errorMessage();
        const int closed = engine.close(table);
        if (failed < 0) return undo(why);
        if (closed < 0) return undo(engine.errorMessage());
    }
    return true;
}

bool CreateDataSetLocked(const QString& dir, const NewDataSetOptions& options, QString* message) {
    if (!QDir().mkpath(dir)) {
        if (message)
            *message =
                QStringLiteral("Cannot create the directory %1").arg(QDir::toNativeSeparators(dir));
        return false;
    }
    DirLock lock;
    if (!lock.acquire(dir)) {
        if (message) *message = lock.error();
        return false;
    }
    return CreateDataSet(dir, options, message);
}

QString SampleBusinessName() {
    return QStringLiteral("Harbor Lane Landscaping");
}

}  // namespace kvl
