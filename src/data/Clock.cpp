#include "data/Clock.h"

#include <algorithm>
#include <optional>

namespace kvl {

namespace {

std::optional<QDateTime>& FixedNow() {
    static std::optional<QDateTime> now;
    return now;
}

// The first character of the format that is not a letter; quoted literal text counts as well.
QChar SeparatorOf(const QString& format) {
    for (QChar c : format) {
        if (!c.isLetter()) return c == QLatin1Char('\'') ? QChar() : c;
    }
    return QChar();
}

Regional RegionalOf(const QLocale& requested) {
    QLocale locale = requested;
    if (locale.language() == QLocale::C) locale = QLocale(QLocale::English, QLocale::UnitedStates);
    Regional r;
    r.locale = locale;
    r.shortDateFormat = locale.dateFormat(QLocale::ShortFormat);
    r.dateSeparator = SeparatorOf(r.shortDateFormat);
    if (r.dateSeparator.isNull()) r.dateSeparator = QLatin1Char('/');
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    r.decimalPoint = decimal.isEmpty() ? QLatin1Char('.') : decimal.at(0);
    r.thousandsSeparator = group.isEmpty() ? QLatin1Char(',') : group.at(0);
    return r;
}

std::optional<Regional>& Current() {
    static std::optional<Regional> regional;
    return regional;
}

}  // namespace

QDate Today() {
    if (FixedNow()) return FixedNow()->date();
    // The local date costs a look at the time-zone file (a stat) on every call, and every date
    // stored and every date key sought asks for it. It is kept until the local midnight that ends
    // it, and looked up again at least once a minute so that a change of zone is still seen.
    static QDate today;
    static qint64 validFrom = 0, validUntil = 0;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (!today.isValid() || now < validFrom || now >= validUntil) {
        today = QDateTime::currentDateTime().date();
        validFrom = now;
        validUntil =
            std::min(now + 60 * 1000, QDateTime(today.addDays(1), QTime(0, 0)).toMSecsSinceEpoch());
    }
    return today;
}

QDateTime Now() {
    if (FixedNow()) return *FixedNow();
    return QDateTime::currentDateTime();
}

void SetToday(const QDate& date) {
    if (!date.isValid()) {
        FixedNow().reset();
        return;
    }
    FixedNow() = QDateTime(date, QTime(12, 0));
}

void SetNow(const QDateTime& now) {
    if (!now.isValid()) {
        FixedNow().reset();
        return;
    }
    FixedNow() = now;
}

const Regional& RegionalSettings() {
    if (!Current()) Current() = RegionalOf(QLocale::system());
    return *Current();
}

void SetRegional(const QLocale& locale) {
    Current() = RegionalOf(locale);
}

}  // namespace kvl
