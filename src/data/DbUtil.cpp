#include "data/DbUtil.h"

#include "data/Clock.h"

namespace kvl {

int CenturyWindowStart() {
    return Today().year() - 60;
}

int TwoDigitYear(int written) {
    const int start = CenturyWindowStart();
    const int year = written + start / 100 * 100;
    return year < start ? year + 100 : year;
}

QDate WindowYear(const QDate& date) {
    if (!date.isValid()) return QDate();
    const int start = CenturyWindowStart();
    int year = date.year();
    if (year < start)
        year += 100;
    else if (year >= start + 100)
        year -= 100;
    if (year == date.year()) return date;
    QDate moved(year, date.month(), date.day());
    if (!moved.isValid()) moved = QDate(year, date.month(), date.day() - 1);
    return moved;
}

bool DateKeyInto(const QDate& date, char* key) {
    if (!date.isValid()) return false;
    int year = 0, month = 0, day = 0;
    date.getDate(&year, &month, &day);
    const int start = CenturyWindowStart();
    if (year < start || year >= start + 100) WindowYear(date).getDate(&year, &month, &day);
    if (year < 0 || year > 9999) return false;
    const int digits[8] = {year / 1000, year / 100 % 10, year / 10 % 10, year % 10,
                           month / 10,  month % 10,      day / 10,       day % 10};
    for (int i = 0; i < 8; ++i) key[i] = static_cast<char>('0' + digits[i]);
    return true;
}

QString DateToKey(const QDate& date) {
    // Every record stored and every date key sought passes here: eight digits written directly.
    char key[8];
    if (DateKeyInto(date, key)) return QString::fromLatin1(key, 8);
    const QDate windowed = WindowYear(date);
    if (!windowed.isValid()) return QString();
    int year = 0, month = 0, day = 0;
    windowed.getDate(&year, &month, &day);
    return QStringLiteral("%1%2%3")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(day, 2, 10, QLatin1Char('0'));
}

QDate KeyToDate(const QString& text) {
    if (text.trimmed().isEmpty()) return QDate();
    bool okYear = false, okMonth = false, okDay = false;
    const int year = text.mid(0, 4).trimmed().toInt(&okYear);
    const int month = text.mid(4, 2).trimmed().toInt(&okMonth);
    const int day = text.mid(6, 2).trimmed().toInt(&okDay);
    if (!okYear || !okMonth || !okDay) return QDate();
    return QDate(year, month, day);  // invalid (date 0) when the parts name no real day
}

QDate KeyToDate(const char* text) {
    return KeyToDate(QString::fromLatin1(text ? text : ""));
}

QString PadNumber(long n, int width) {
    return QString::number(n).rightJustified(width, QLatin1Char(' '));
}

}  // namespace kvl
