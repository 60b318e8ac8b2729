#include "reports/XlsxExport.h"

#include <xlsxwriter.h>

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "data/Clock.h"
#include "data/DbUtil.h"
#include "data/Messages.h"
#include "reports/ReportGrid.h"

namespace kvl {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string Utf8(QChar c) {
    return QString(c).toStdString();
}

// Reads cell texts back into the values they were written from: amounts in the locale's "%13.2n"
// (as cents, exactly), dates in the report date format, whole numbers.
class CellReader {
  public:
    explicit CellReader(const QString& dateFormat)
        : decimal_(Utf8(RegionalSettings().decimalPoint)),
          thousands_(Utf8(RegionalSettings().thousandsSeparator)) {
        for (int i = 0; i < dateFormat.size();) {
            const QChar c = dateFormat.at(i);
            int run = 1;
            while (i + run < dateFormat.size() && dateFormat.at(i + run) == c) ++run;
            if (c == QLatin1Char('D') || c == QLatin1Char('M') || c == QLatin1Char('Y'))
                date_.push_back({c.toLatin1(), c == QLatin1Char('Y') && run > 2 ? 4 : 2, {}});
            else
                date_.push_back({0, 0, QString(run, c).toStdString()});
            i += run;
        }
    }

    std::optional<long long> Cents(std::string_view text) const {
        text = Trimmed(text);
        bool negative = false;
        if (!text.empty() && text.front() == '-') {
            negative = true;
            text.remove_prefix(1);
        }
        long long cents = 0;
        bool digits = false;
        while (!text.empty()) {
            if (IsDigit(text.front())) {
                if (cents > 90'000'000'000'000'000LL) return std::nullopt;
                cents = cents * 10 + (text.front() - '0');
                digits = true;
                text.remove_prefix(1);
            } else if (digits && text.starts_with(thousands_) && text.size() > thousands_.size() &&
                       IsDigit(text[thousands_.size()])) {
                text.remove_prefix(thousands_.size());
            } else {
                break;
            }
        }
        if (!digits || !text.starts_with(decimal_)) return std::nullopt;
        text.remove_prefix(decimal_.size());
        if (text.size() != 2 || !IsDigit(text[0]) || !IsDigit(text[1])) return std::nullopt;
        cents = cents * 100 + (text[0] - '0') * 10 + (text[1] - '0');
        return negative ? -cents : cents;
    }

    std::optional<QDate> Date(std::string_view text) const {
        int day = 0, month = 0, year = -1;
        bool twoDigitYear = false;
        for (const DatePart& part : date_) {
            if (!part.letter) {
                if (!text.starts_with(part.literal)) return std::nullopt;
                text.remove_prefix(part.literal.size());
                continue;
            }
            if (text.size() < static_cast<std::size_t>(part.digits)) return std::nullopt;
            int value = 0;
            for (int i = 0; i < part.digits; ++i) {
                if (!IsDigit(text[static_cast<std::size_t>(i)])) return std::nullopt;
                value = value * 10 + (text[static_cast<std::size_t>(i)] - '0');
            }
            text.remove_prefix(static_cast<std::size_t>(part.digits));
            if (part.letter == 'D') day = value;
            if (part.letter == 'M') month = value;
            if (part.letter == 'Y') {
                year = value;
                twoDigitYear = part.digits == 2;
            }
        }
        if (!text.empty() || year < 0) return std::nullopt;
        const QDate date(twoDigitYear ? TwoDigitYear(year) : year, month, day);
        if (!date.isValid()) return std::nullopt;
        return date;
    }

    static std::optional<long long> Whole(std::string_view text) {
        text = Trimmed(text);
        const bool negative = !text.empty() && text.front() == '-';
        if (negative) text.remove_prefix(1);
        if (text.empty() || text.size() > 15) return std::nullopt;
        long long value = 0;
        for (const char c : text) {
            if (!IsDigit(c)) return std::nullopt;
            value = value * 10 + (c - '0');
        }
        return negative ? -value : value;
    }

    static std::string_view Trimmed(std::string_view text) {
        while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
        while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
        return text;
    }

  private:
    struct DatePart {
        char letter;  // 'D', 'M', 'Y', or 0 for literal text
        int digits;
        std::string literal;
    };
    std::string decimal_, thousands_;
    std::vector<DatePart> date_;
};

// The spreadsheet's number format of a report date format: "MM/DD/YY" gives "mm/dd/yy".
std::string SheetDateFormat(const QString& reportFormat) {
    std::string format;
    for (int i = 0; i < reportFormat.size();) {
        const QChar c = reportFormat.at(i);
        int run = 1;
        while (i + run < reportFormat.size() && reportFormat.at(i + run) == c) ++run;
        if (c == QLatin1Char('D'))
            format += "dd";
        else if (c == QLatin1Char('M'))
            format += "mm";
        else if (c == QLatin1Char('Y'))
            format += run > 2 ? "yyyy" : "yy";
        else
            for (int k = 0; k < run; ++k) {
                // Other characters could be taken for a format's codes: each is quoted.
                if (!QStringLiteral("/- ").contains(c)) format += '\\';
                format += Utf8(c);
            }
        i += run;
    }
    return format.empty() ? "yyyy-mm-dd" : format;
}

// Days since the spreadsheet's day 0 (its 1900 date system, which counts from 30 December 1899
// for every date after February 1900).
double SheetDay(const QDate& date) {
    return static_cast<double>(QDate(1899, 12, 30).daysTo(date));
}

// Characters, counted over UTF-8 bytes.
int CharCount(std::string_view text) {
    int count = 0;
    for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

// A cell's text after its stop, and the stop's kind ('L', 'C' or 'R'); kind 0 for a cell that is
// not text (empty, EJECT, a line, an image).
struct CellPart {
    char kind = 0;
    std::string_view text;
};

CellPart TextOf(QByteArrayView cell, std::string& spare) {
    if (cell.isEmpty()) return {};
    const char kind = cell.at(0);
    if (kind != 'L' && kind != 'C' && kind != 'R') return {};
    std::size_t prefix = std::min<std::size_t>(3, static_cast<std::size_t>(cell.size()));
    for (std::size_t i = 1; i < prefix; ++i)
        if (static_cast<unsigned char>(cell.at(static_cast<qsizetype>(i))) >= 0x80) {
            // A stop that is not ASCII: its characters, not its bytes, are skipped.
            spare = QString::fromUtf8(cell).mid(3).toStdString();
            return {kind, spare};
        }
    return {kind,
            std::string_view(cell.data() + prefix, static_cast<std::size_t>(cell.size()) - prefix)};
}

// A sheet's text without the characters its XML cannot hold.
const char* SheetText(std::string_view text, std::string& out) {
    out.assign(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') c = ' ';
    return out.c_str();
}

class Workbook {
  public:
    Workbook(const QString& fileName, const ReportGrid& grid, int sheetRows)
        : grid_(grid),
          reader_(grid.dateFormat()),
          dateFormat_(SheetDateFormat(grid.dateFormat())),
          sheetRows_(std::max(sheetRows, 4)),
          widths_(static_cast<std::size_t>(std::max(grid.columns() - 1, 1)), 0) {
        lxw_workbook_options options = {};
        options.constant_memory = LXW_TRUE;
        options.use_zip64 = LXW_TRUE;
        fileName_ = QFile::encodeName(fileName).toStdString();
        book_ = workbook_new_opt(fileName_.c_str(), &options);
        if (!book_) error_ = LXW_ERROR_MEMORY_MALLOC_FAILED;
    }
    ~Workbook() {
        if (book_) workbook_close(book_);
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    bool Write() {
        std::vector<QByteArrayView> cells(static_cast<std::size_t>(grid_.columns()));
        bool inTitles = false, titlesDone = false, inHeaders = false, headersDone = false;
        std::string pendingSection, lastSection;
        for (int r = 0; r < grid_.rows() && !error_; ++r) {
            const RowKind kind = grid_.rowKind(r);
            grid_.rowUtf8(r, cells.data());
            if (inTitles && kind != RowKind::Title) titlesDone = true;
            if (inHeaders && kind != RowKind::ColumnHeader) headersDone = true;
            switch (kind) {
                case RowKind::Layout:
                    break;
                case RowKind::Title:
                    inTitles = true;
                    if (!titlesDone) Keep(titles_, cells);
                    break;
                case RowKind::ColumnHeader:
                    inHeaders = true;
                    if (!headersDone) Keep(headers_, cells);
                    break;
                case RowKind::Section:
                    pendingSection = std::string(TextOf(cells[0], spare_).text);
                    break;
                case RowKind::Body:
                case RowKind::Total:
                    if (!HasText(cells)) break;
                    if (!pendingSection.empty() && pendingSection != lastSection) {
                        SectionRow(pendingSection);
                        lastSection = pendingSection;
                    }
                    pendingSection.clear();
                    Row(cells, kind == RowKind::Total ? RowStyle::Total : RowStyle::Body);
                    break;
            }
        }
        if (!error_ && !sheet_) OpenSheet();
        return !error_;
    }

    // Ends the workbook; the file is written here. False with the reason in *error.
    bool Close(QString* error) {
        for (lxw_worksheet* sheet : sheets_)
            for (std::size_t c = 0; c < widths_.size(); ++c)
                worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                     std::clamp(widths_[c] + 2, 6, 60), nullptr);
        lxw_error closed = LXW_NO_ERROR;
        if (book_) closed = workbook_close(book_);
        book_ = nullptr;
        if (!error_) error_ = closed;
        if (error_ && error) *error = QString::fromUtf8(lxw_strerror(error_));
        return !error_;
    }

  private:
    enum class RowStyle { Title, Header, Section, Body, Total };
    struct KeptCell {
        char kind;
        std::string text;
    };
    using KeptRow = std::vector<KeptCell>;

    static bool HasText(const std::vector<QByteArrayView>& cells) {
        std::string spare;
        for (std::size_t c = 0; c + 1 < cells.size(); ++c)
            if (!TextOf(cells[c], spare).text.empty()) return true;
        return false;
    }

    // Titles and column headers are written at the top of every sheet, so they are kept; the
    // first sheet opens at the first body row, when both are known.
    void Keep(std::vector<KeptRow>& rows, const std::vector<QByteArrayView>& cells) {
        KeptRow row;
        for (std::size_t c = 0; c + 1 < cells.size(); ++c) {
            const CellPart cell = TextOf(cells[c], spare_);
            row.push_back({cell.kind, std::string(cell.text)});
        }
        rows.push_back(std::move(row));
    }

    void OpenSheet() {
        const int number = static_cast<int>(sheets_.size()) + 1;
        QString name = titles_.empty() || titles_.front().empty()
                           ? QStringLiteral("Report")
                           : QString::fromStdString(titles_.front().front().text).trimmed();
        for (const QChar bad : {u'[', u']', u':', u'*', u'?', u'/', u'\\'})
            name.replace(bad, QLatin1Char(' '));
        while (name.startsWith(QLatin1Char('\''))) name.remove(0, 1);
        const QString suffix = number > 1 ? QStringLiteral(" (%1)").arg(number) : QString();
        name = name.left(LXW_SHEETNAME_MAX - suffix.size()).trimmed();
        while (name.endsWith(QLatin1Char('\''))) name.chop(1);
        if (name.isEmpty()) name = QStringLiteral("Report");
        name += suffix;
        sheet_ = workbook_add_worksheet(book_, name.toStdString().c_str());
        if (!sheet_) sheet_ = workbook_add_worksheet(book_, nullptr);
        if (!sheet_) {
            error_ = LXW_ERROR_MEMORY_MALLOC_FAILED;
            return;
        }
        sheets_.push_back(sheet_);
        row_ = 0;
        for (const KeptRow& title : titles_) Kept(title, RowStyle::Title);
        for (const KeptRow& header : headers_) Kept(header, RowStyle::Header);
        if (row_ > 0) worksheet_freeze_panes(sheet_, static_cast<lxw_row_t>(row_), 0);
    }

    void Kept(const KeptRow& row, RowStyle style) {
        for (std::size_t c = 0; c < row.size(); ++c)
            if (!row[c].text.empty()) Text(static_cast<int>(c), row[c].text, row[c].kind, style);
        ++row_;
    }

    void SectionRow(std::string_view text) {
        NextRow();
        Text(0, text, 'L', RowStyle::Section);
        ++row_;
    }

    void Row(const std::vector<QByteArrayView>& cells, RowStyle style) {
        NextRow();
        const bool bold = style == RowStyle::Total;
        for (std::size_t c = 0; c + 1 < cells.size() && !error_; ++c) {
            const CellPart cell = TextOf(cells[c], spare_);
            if (cell.text.empty()) continue;
            const int column = static_cast<int>(c);
            const CellKind kind = grid_.columnKind(column);
            if (kind == CellKind::Amount) {
                if (const std::optional<long long> cents = reader_.Cents(cell.text)) {
                    Number(column, static_cast<double>(*cents) / 100.0,
                           Format(bold, CellKind::Amount, 0));
                    Widen(column, CharCount(CellReader::Trimmed(cell.text)));
                    continue;
                }
            } else if (kind == CellKind::Date) {
                if (const std::optional<QDate> date = reader_.Date(cell.text)) {
                    Number(column, SheetDay(*date), Format(bold, CellKind::Date, 0));
                    Widen(column, CharCount(cell.text));
                    continue;
                }
            } else if (kind == CellKind::Number) {
                if (const std::optional<long long> value = CellReader::Whole(cell.text)) {
                    Number(column, static_cast<double>(*value), Format(bold, CellKind::Number, 0));
                    Widen(column, CharCount(CellReader::Trimmed(cell.text)));
                    continue;
                }
            }
            Text(column, cell.text, cell.kind, style);
        }
        ++row_;
    }

    // A new sheet before the first row and whenever one is full.
    void NextRow() {
        if (!sheet_ || row_ >= sheetRows_) OpenSheet();
    }

    void Text(int column, std::string_view text, char align, RowStyle style) {
        if (error_) return;
        const bool bold = style != RowStyle::Body;
        const char alignment = style == RowStyle::Title || style == RowStyle::Section ? 'L' : align;
        const lxw_error rc = worksheet_write_string(
            sheet_, static_cast<lxw_row_t>(row_), static_cast<lxw_col_t>(column),
            SheetText(text, scratch_), Format(bold, CellKind::Text, alignment));
        if (rc) error_ = rc;
        if (style != RowStyle::Title && style != RowStyle::Section) Widen(column, CharCount(text));
    }

    void Number(int column, double value, lxw_format* format) {
        const lxw_error rc = worksheet_write_number(sheet_, static_cast<lxw_row_t>(row_),
                                                    static_cast<lxw_col_t>(column), value, format);
        if (rc) error_ = rc;
    }

    void Widen(int column, int characters) {
        int& width = widths_[static_cast<std::size_t>(column)];
        width = std::max(width, characters);
    }

    // The format of a cell; made once each.
    lxw_format* Format(bool bold, CellKind kind, char align) {
        const auto key = std::make_tuple(bold, kind, align);
        const auto known = formats_.find(key);
        if (known != formats_.end()) return known->second;
        lxw_format* format = nullptr;
        if (bold || kind != CellKind::Text || align == 'R' || align == 'C') {
            format = workbook_add_format(book_);
            if (bold) format_set_bold(format);
            if (kind == CellKind::Amount) format_set_num_format(format, "#,##0.00");
            if (kind == CellKind::Date) format_set_num_format(format, dateFormat_.c_str());
            if (kind == CellKind::Number) format_set_num_format(format, "0");
            if (align == 'R') format_set_align(format, LXW_ALIGN_RIGHT);
            if (align == 'C') format_set_align(format, LXW_ALIGN_CENTER);
        }
        formats_.emplace(key, format);
        return format;
    }

    const ReportGrid& grid_;
    CellReader reader_;
    std::string dateFormat_;
    int sheetRows_;
    std::string fileName_;
    lxw_workbook* book_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    std::vector<lxw_worksheet*> sheets_;
    int row_ = 0;
    lxw_error error_ = LXW_NO_ERROR;
    std::vector<KeptRow> titles_, headers_;
    std::vector<int> widths_;
    std::map<std::tuple<bool, CellKind, char>, lxw_format*> formats_;
    std::string spare_, scratch_;
};

}  // namespace

bool WriteReportXlsx(const ReportGrid& grid, const QString& fileName, QString* error,
                     int sheetRows) {
    if (QFileInfo::exists(fileName)) QFile::remove(fileName);
    Workbook book(fileName, grid, sheetRows);
    const bool written = book.Write();
    QString reason;
    const bool closed = book.Close(&reason);
    if (written && closed) return true;
    QFile::remove(fileName);
    if (error) *error = reason;
    return false;
}

bool ExportReportXlsx(const ReportGrid& grid, const QString& fileName) {
    {
        // The workbook is made at its end; the name is tried first, as the text exports do.
        if (QFileInfo::exists(fileName)) QFile::remove(fileName);
        QFile file(fileName);
        if (!file.open(QIODevice::WriteOnly)) {
            ShowMessage(MsgKind::Information, QStringLiteral("Unable to save to: ") + fileName);
            return false;
        }
    }
    QString reason;
    if (WriteReportXlsx(grid, fileName, &reason)) return true;
    ShowMessage(MsgKind::Error, QStringLiteral("Error writing %1: %2").arg(fileName, reason));
    return false;
}

}  // namespace kvl
