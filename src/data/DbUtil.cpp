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

QString DateToKey(const QDate& date) {
    const QDate windowed = WindowYear(date);
    if (!windowed.isValid()) return QString();
    int year = 0, month = 0, day = 0;
    windowed.getDate(&year, &month, &day);
    // Every record stored and every date key sought passes here: eight digits written directly.
    if (year >= 0 && year <= 9999) {
        const char16_t text[8] = {static_cast<char16_t>(u'0' + year / 1000),
                                  static_cast<char16_t>(u'0' + year / 100 % 10),
                                  static_cast<char16_t>(u'0' + year / 10 % 10),
                                  static_cast<char16_t>(u'0' + year % 10),
                                  static_cast<char16_t>(u'0' + month / 10),
                                  static_cast<char16_t>(u'0' + month % 10),
                                  static_cast<char16_t>(u'0' + day / 10),
                                  static_cast<char16_t>(u'0' + day % 10)};
        return QString(reinterpret_cast<const QChar*>(text), 8);
    }
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
