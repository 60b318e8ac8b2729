#include "data/TableLayouts.h"

#include <cctype>

namespace kvl {

namespace {

xb::FieldDesc Char(const char* name, uint16_t width) {
    return {name, 'C', width, 0, 0};
}
xb::FieldDesc Num(const char* name, uint16_t width, uint8_t decimals) {
    return {name, 'N', width, decimals, 0};
}
xb::FieldDesc Date(const char* name) {
    return {name, 'D', 8, 0, 0};
}
xb::FieldDesc Logical(const char* name) {
    return {name, 'L', 1, 0, 0};
}

TableLayout AccountTable(const char* name, const char* fileName, const char* failName,
                         const char* group, const char* groupFile, int progress, TagLayout tag) {
    return TableLayout{name,
                       fileName,
                       failName,
                       group,
                       groupFile,
                       progress,
                       {Num("ACCNO", 4, 0), Char("ACDESC", 30), Logical("ACDED")},
                       {tag}};
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

}  // namespace

const TableLayout& ExpenseAccountLayout() {
    static const TableLayout layout =
        AccountTable("ACC", "ACC.dbf", "ACC.DBF", "Acc", "Acc.cgp", 35,
                     {"AccTag", "STR(ACCNO, 4)", "AccTag", "AccTag.Ntx"});
    return layout;
}

const TableLayout& IncomeAccountLayout() {
    static const TableLayout layout =
        AccountTable("ACCI", "ACCI.dbf", "ACCI.DBF", "AccI", "AccI.cgp", 45,
                     {"AccITag", "STR(ACCNO, 4)", "AcciTag", "AcciTag.Ntx"});
    return layout;
}

const TableLayout& FolderLayout() {
    static const TableLayout layout{"FOLDER",
                                    "FOLDER.dbf",
                                    "FOLDER.DBF",
                                    "Folder",
                                    "Folder.cgp",
                                    50,
                                    {Num("FOLNO", 4, 0), Char("FOLNAME", 30)},
                                    {{"FolTag", "FOLNO", "FolTag", "FolTag.Ntx"}}};
    return layout;
}

const TableLayout& ExpenseLayout() {
    static const TableLayout layout{
        "EXP5",
        "EXP5.dbf",
        "EXP5.DBF",
        "exp5",
        "Exp5.cgp",
        80,
        {Date("EXPDATE"), Num("CHECKNO", 8, 0), Num("ACCNO", 4, 0), Num("FOLNO", 4, 0),
         Char("PAYTO", 30), Num("AMOUNT", 9, 2), Char("EMEMO", 30), Logical("ARCHIVE")},
        {{"EDate", "DTOS(EXPDATE) + STR(ACCNO,4)", "eDate", "eDate.Ntx"},
         {"EAcc", "STR(ACCNO,4) + DTOS(EXPDATE)", "eAcc", "eAcc.Ntx"}}};
    return layout;
}

const TableLayout& IncomeLayout() {
    static const TableLayout layout{
        "INC5",
        "INC5.dbf",
        "INC5.DBF",
        "INC5",
        "INC5.cgp",
        100,
        {Num("INCACC", 4, 0), Logical("INCIMP"), Date("INCDATE"), Char("INCDESC", 30),
         Num("INCAMT", 9, 2), Num("FOLNO", 4, 0), Logical("ARCHIVE")},
        {{"IncDate", "DTOS(INCDATE)", "IncDate", "IncDate.Ntx"},
         {"IncAcc", "Str(IncAcc,4,0)+DTOS(INCDATE)", "IncAcc", "IncAcc.Ntx"}}};
    return layout;
}

const TableLayout& SettingsLayout() {
    static const TableLayout layout{"KVL1",
                                    "KVL1.dbf",
                                    "KVL1.DBF",
                                    "",
                                    "",
                                    0,
                                    {Char("UNAME", 60), Num("FYMONTH", 2, 0), Num("FYDAY", 2, 0),
                                     Char("FONTNAME", 60), Num("FONTSIZE", 3, 0)},
                                    {}};
    return layout;
}

const std::vector<const TableLayout*>& DataTableLayouts() {
    static const std::vector<const TableLayout*> tables{&ExpenseAccountLayout(),
                                                        &IncomeAccountLayout(), &FolderLayout(),
                                                        &ExpenseLayout(), &IncomeLayout()};
    return tables;
}

const std::vector<const TableLayout*>& AllTableLayouts() {
    static const std::vector<const TableLayout*> tables{
        &SettingsLayout(), &ExpenseAccountLayout(), &IncomeAccountLayout(),
        &FolderLayout(),   &ExpenseLayout(),        &IncomeLayout()};
    return tables;
}

const TableLayout* FindLayout(std::string_view name) {
    for (const TableLayout* table : AllTableLayouts()) {
        if (SameName(table->name, name)) return table;
    }
    return nullptr;
}

std::vector<TAG4INFO> TagInfoList(const TableLayout& table) {
    std::vector<TAG4INFO> list;
    for (const TagLayout& tag : table.tags)
        list.push_back({tag.name, tag.expression, kTagFilter, 0, 0});
    list.push_back({nullptr, nullptr, nullptr, 0, 0});
    return list;
}

}  // namespace kvl
