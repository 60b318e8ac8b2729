#include "reports/ChartData.h"

#include <QIODevice>
#include <algorithm>

namespace kvl {

namespace {

const char* const kProfitHeader = "end\tincome\texpenses\ttaxable-profit\tnet-profit";
const char* const kAccountHeader = "account\tname\ttotal";

// "-1234.50" as cents; nothing unless it has exactly two decimals after a point.
std::optional<long long> ReadPlainCents(QByteArrayView text) {
    bool negative = false;
    if (text.startsWith('-')) {
        negative = true;
        text = text.sliced(1);
    }
    const qsizetype point = text.indexOf('.');
    if (point < 1 || text.size() - point != 3) return std::nullopt;
    long long cents = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i == point) continue;
        const char c = text.at(i);
        if (c < '0' || c > '9' || cents > 9'000'000'000'000'000LL / 10) return std::nullopt;
        cents = cents * 10 + (c - '0');
    }
    return negative ? -cents : cents;
}

// A name on one line and in one field.
QString FieldSafe(QString text) {
    for (QChar& c : text)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    return text;
}

}  // namespace

bool ChartData::HasData() const {
    for (const ProfitPoint& p : months)
        if (p.income != 0 || p.expenses != 0 || p.taxableProfit != 0 || p.netProfit != 0)
            return true;
    for (const AccountBar& bar : bars)
        if (bar.total != 0) return true;
    return false;
}

void RankBars(std::vector<AccountBar>& bars) {
    std::stable_sort(bars.begin(), bars.end(), [](const AccountBar& a, const AccountBar& b) {
        return a.total != b.total ? a.total > b.total : a.account < b.account;
    });
    if (bars.size() <= static_cast<std::size_t>(kChartAccounts)) return;
    AccountBar other{0, QStringLiteral("Other"), 0};
    for (std::size_t i = kChartAccounts; i < bars.size(); ++i) other.total += bars[i].total;
    bars.resize(kChartAccounts);
    bars.push_back(other);
}

QString PlainCents(long long cents) {
    const unsigned long long magnitude =
        cents < 0 ? 0ULL - static_cast<unsigned long long>(cents) : cents;
    return QStringLiteral("%1%2.%3")
        .arg(cents < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

bool WriteChartTsv(const ChartData& data, QIODevice& out) {
    QString text;
    if (data.id == ChartId::MonthlyProfit) {
        text = QLatin1String(kProfitHeader) + QLatin1Char('\n');
        for (const ProfitPoint& p : data.months)
            text += p.end.toString(Qt::ISODate) + QLatin1Char('\t') + PlainCents(p.income) +
                    QLatin1Char('\t') + PlainCents(p.expenses) + QLatin1Char('\t') +
                    PlainCents(p.taxableProfit) + QLatin1Char('\t') + PlainCents(p.netProfit) +
                    QLatin1Char('\n');
    } else {
        text = QLatin1String(kAccountHeader) + QLatin1Char('\n');
        for (const AccountBar& bar : data.bars)
            text += QString::number(bar.account) + QLatin1Char('\t') + FieldSafe(bar.name) +
                    QLatin1Char('\t') + PlainCents(bar.total) + QLatin1Char('\n');
    }
    const QByteArray bytes = text.toUtf8();
    return out.write(bytes) == bytes.size();
}

std::optional<ChartData> ReadChartTsv(ChartId id, const QByteArray& text) {
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    const bool profit = id == ChartId::MonthlyProfit;
    if (lines.isEmpty() || lines.front() != (profit ? kProfitHeader : kAccountHeader))
        return std::nullopt;
    ChartData data;
    data.id = id;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split('\t');
        if (fields.size() != (profit ? 5 : 3)) return std::nullopt;
        if (profit) {
            ProfitPoint p;
            p.end = QDate::fromString(QString::fromLatin1(fields[0]), Qt::ISODate);
            long long* const values[] = {&p.income, &p.expenses, &p.taxableProfit, &p.netProfit};
            for (int v = 0; v < 4; ++v) {
                const std::optional<long long> cents = ReadPlainCents(fields[v + 1]);
                if (!cents) return std::nullopt;
                *values[v] = *cents;
            }
            if (!p.end.isValid()) return std::nullopt;
            data.months.push_back(p);
        } else {
            bool ok = false;
            AccountBar bar;
            bar.account = fields[0].toInt(&ok);
            const std::optional<long long> cents = ReadPlainCents(fields[2]);
            if (!ok || !cents) return std::nullopt;
            bar.name = QString::fromUtf8(fields[1]);
            bar.total = *cents;
            data.bars.push_back(bar);
        }
    }
    return data;
}

}  // namespace kvl
