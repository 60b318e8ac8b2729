#include "cli/TransferArgs.h"

#include <QRegularExpression>
#include <QString>

#include "cli/Session.h"
#include "data/DbUtil.h"
#include "data/Messages.h"
#include "data/dbFiles.h"

namespace kvl::cli {

namespace {

void Refuse(const char* command, const char* option, const std::string& text,
            const char* expected) {
    ShowMessage(MsgKind::Warning, QString::fromLatin1(kDataConversionError));
    Complain(command, QStringLiteral("%1 '%2' is not %3")
                          .arg(QString::fromLatin1(option), QString::fromLocal8Bit(text.c_str()),
                               QString::fromLatin1(expected)));
}

}  // namespace

std::optional<QDate> ReadDateArg(const char* command, const char* option, const std::string& text) {
    static const QRegularExpression shape(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    const QString value = QString::fromLocal8Bit(text.c_str());
    const QDate date = QDate::fromString(value, Qt::ISODate);
    if (!shape.match(value).hasMatch() || !date.isValid()) {
        Refuse(command, option, text, "a date (YYYY-MM-DD)");
        return std::nullopt;
    }
    // Stored dates are kept in the century window; a date outside it would be moved by a century
    // into it and so stand for another date than the one given.
    if (WindowYear(date) != date) {
        const int first = CenturyWindowStart();
        Refuse(command, option, text,
               QStringLiteral("within the years %1 to %2 in which dates are kept")
                   .arg(first)
                   .arg(first + 99)
                   .toLatin1()
                   .constData());
        return std::nullopt;
    }
    return date;
}

std::optional<double> ReadRateArg(const char* command, const char* option,
                                  const std::string& text) {
    static const QRegularExpression shape(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)$"));
    const QString value = QString::fromLocal8Bit(text.c_str());
    bool ok = false;
    const double rate = value.toDouble(&ok);
    if (ok && shape.match(value).hasMatch()) return rate;
    Refuse(command, option, text, "a number");
    return std::nullopt;
}

std::optional<int> ReadNumberArg(const char* command, const char* option, const std::string& text) {
    static const QRegularExpression shape(QStringLiteral("^[+-]?\\d+$"));
    const QString value = QString::fromLocal8Bit(text.c_str());
    bool ok = false;
    const int number = value.toInt(&ok);
    if (ok && shape.match(value).hasMatch()) return number;
    Refuse(command, option, text, "a whole number");
    return std::nullopt;
}

std::optional<DateArgs> ReadPeriodArgs(const char* command, const std::string& from,
                                       const std::string& through) {
    const std::optional<QDate> first = ReadDateArg(command, "--from", from);
    if (!first) return std::nullopt;
    const std::optional<QDate> last = ReadDateArg(command, "--through", through);
    if (!last) return std::nullopt;
    return DateArgs{*first, *last};
}

bool HasRecords(DATA4* table, const char* emptyMessage) {
    const int first = d4top(table);
    error4exitTest(cb);
    if (first == r4success) return true;
    ShowMessage(MsgKind::Information, QString::fromLatin1(emptyMessage));
    return false;
}

bool NumberListed(DATA4* table, int number, const char* what) {
    if (number >= -999 && number <= 9999) {
        const int rc = SeekText(table, PadNumber(number, 4));
        error4exitTest(cb);
        if (rc == r4success) return true;
    }
    ShowMessage(MsgKind::Warning,
                QStringLiteral("There is no %1 %2.").arg(QLatin1String(what)).arg(number));
    return false;
}

std::string IsoText(const QDate& date) {
    return date.toString(Qt::ISODate).toStdString();
}

int ExitCodeOf(ChangeResult result) {
    switch (result) {
        case ChangeResult::Done:
            return 0;
        case ChangeResult::Refused:
            return 2;
        case ChangeResult::Failed:
            break;
    }
    return 1;
}

}  // namespace kvl::cli
