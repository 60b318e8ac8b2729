#include "transfer/StmtImportGrid.h"

#include <QBrush>

#include "data/EntryRules.h"
#include "screen/DropList.h"

namespace kvl {

namespace {

QString Entry(const Choices* choices, int number) {
    if (number <= 0) return QStringLiteral("(none)");
    const qsizetype at = choices ? choices->numbers.indexOf(number) : -1;
    return at < 0 ? QString::number(number) : choices->texts[at];
}

}  // namespace

void StatementGrid::setLines(std::vector<ImportLine>* lines, const Choices* expenseAccounts,
                             const Choices* incomeAccounts, const Choices* folders) {
    beginResetModel();
    lines_ = lines;
    expenseAccounts_ = expenseAccounts;
    incomeAccounts_ = incomeAccounts;
    folders_ = folders;
    endResetModel();
}

void StatementGrid::refresh() {
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

const Choices* StatementGrid::choicesFor(const QModelIndex& index) const {
    if (!lines_ || !index.isValid()) return nullptr;
    if (index.column() == Folder) return folders_;
    if (index.column() != Account) return nullptr;
    return (*lines_)[index.row()].line.kind == LineKind::Expense ? expenseAccounts_
                                                                 : incomeAccounts_;
}

int StatementGrid::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !lines_ ? 0 : static_cast<int>(lines_->size());
}

int StatementGrid::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant StatementGrid::data(const QModelIndex& index, int role) const {
    if (!lines_ || !index.isValid()) return QVariant();
    const ImportLine& line = (*lines_)[index.row()];
    const MappedLine& m = line.line;
    if (role == Qt::CheckStateRole && index.column() == Import)
        return line.ticked ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::TextAlignmentRole && index.column() == Amount)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ForegroundRole) {
        if (line.duplicate) return QBrush(Qt::darkGray);
        if ((index.column() == Account && line.account <= 0) ||
            (index.column() == Folder && line.folder <= 0))
            return QBrush(Qt::red);
        return QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole) return QVariant();
    switch (index.column()) {
        case Date:
            return DateToShortText(m.date);
        case Payee:
            return m.payee;
        case Amount:
            return FormatAmount(static_cast<double>(m.cents) / 100.0, QStringLiteral("%12.2n"))
                .trimmed();
        case Kind:
            return m.kind == LineKind::Expense ? QStringLiteral("Expense")
                                               : QStringLiteral("Income");
        case Account:
            return role == Qt::EditRole ? QVariant(line.account)
                                        : Entry(choicesFor(index), line.account);
        case Folder:
            return role == Qt::EditRole ? QVariant(line.folder) : Entry(folders_, line.folder);
        case Status:
            return line.duplicate ? QStringLiteral("Duplicate") : QStringLiteral("New");
        default:
            return QVariant();
    }
}

QVariant StatementGrid::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
    static const char* const kHeaders[ColumnCount] = {"Import", "Date",    "Payee",  "Amount",
                                                      "Kind",   "Account", "Folder", "Status"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(kHeaders[section])
                                                 : QVariant();
}

Qt::ItemFlags StatementGrid::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == Import) f |= Qt::ItemIsUserCheckable;
    if (index.column() == Account || index.column() == Folder) f |= Qt::ItemIsEditable;
    return f;
}

bool StatementGrid::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!lines_ || !index.isValid()) return false;
    ImportLine& line = (*lines_)[index.row()];
    if (index.column() == Import && role == Qt::CheckStateRole) {
        line.ticked = value.toInt() == Qt::Checked;
    } else if (index.column() == Account && role == Qt::EditRole) {
        line.account = value.toInt();
        line.accountByHand = true;
    } else if (index.column() == Folder && role == Qt::EditRole) {
        line.folder = value.toInt();
        line.folderByHand = true;
    } else {
        return false;
    }
    emit dataChanged(index.siblingAtColumn(0), index.siblingAtColumn(ColumnCount - 1));
    emit linesChanged();
    return true;
}

QWidget* ChoiceDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                      const QModelIndex& index) const {
    const auto* grid = qobject_cast<const StatementGrid*>(index.model());
    const Choices* choices = grid ? grid->choicesFor(index) : nullptr;
    if (!choices) return nullptr;
    auto* list = new TDropDownList(parent);
    list->setObjectName(QStringLiteral("ChoiceList"));
    for (qsizetype i = 0; i < choices->texts.size(); ++i)
        list->addItem(choices->texts[i], choices->numbers[i]);
    // A choice counts as soon as it is made, with the mouse or an arrow key; Enter, Tab or a click
    // elsewhere closes the list.
    auto* self = const_cast<ChoiceDelegate*>(this);
    connect(list, &QComboBox::activated, self, [self, list] { emit self->commitData(list); });
    return list;
}

void ChoiceDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* list = static_cast<QComboBox*>(editor);
    list->setCurrentIndex(list->findData(index.data(Qt::EditRole)));
}

void ChoiceDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                  const QModelIndex& index) const {
    const auto* list = static_cast<QComboBox*>(editor);
    if (list->currentIndex() >= 0) model->setData(index, list->currentData(), Qt::EditRole);
}

}  // namespace kvl
