// Reading statements: CSV as banks write it, the values in it, OFX and QFX through libofx, damaged
// files refused, and what a line becomes (stored text, payee comparison).
#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>

#include "common/QStringPrint.h"
#include "common/TempDir.h"
#include "transfer/CsvStatement.h"
#include "transfer/OfxStatement.h"

namespace {

using kvl::CsvDateFormat;
using kvl::CsvOptions;

// "date|payee|cents|memo|check@line" of every line, or "! why".
QString Read(const QByteArray& csv, const CsvOptions& options = {}) {
    QString why;
    const std::optional<kvl::Statement> s = kvl::ReadCsvStatement(csv, options, &why);
    if (!s) return QStringLiteral("! ") + why;
    QStringList out;
    for (const kvl::StatementLine& l : s->lines)
        out << QStringLiteral("%1|%2|%3|%4|%5@%6")
                   .arg(l.date.toString(Qt::ISODate), l.payee)
                   .arg(l.cents)
                   .arg(l.memo)
                   .arg(l.checkNo)
                   .arg(l.place);
    return out.join(QLatin1Char('\n'));
}

CsvOptions Columns(const char* spec, CsvDateFormat format = CsvDateFormat::Automatic,
                   bool decimalComma = false) {
    QString why;
    return {kvl::ParseCsvColumns(QString::fromLatin1(spec), &why), format, decimalComma};
}

TEST(StatementCsvTest, ReadsTheShapesBanksExport) {
    // A header naming the columns; quoted separators, doubled quotes and a line break.
    EXPECT_EQ(Read("Posted Date,Description,Amount,Memo,Check Number\r\n"
                   "2026-03-02,\"Shell, Oil\",-45.10,card 1234,\r\n"
                   "\r\n"
                   "2026-03-03,\"Say \"\"hi\"\"\nthere\",\"1,312.40\",,2201\r\n"
                   "2026-03-04,Rent,\"($1,450.00)\",,\n"),
              "2026-03-02|Shell, Oil|-4510|card 1234|0@2\n"
              "2026-03-03|Say \"hi\"\nthere|131240||2201@4\n"
              "2026-03-04|Rent|-145000||0@6");
    // No header; semicolons, decimal comma with thousands dots, DD.MM.YYYY, a UTF-8 BOM.
    EXPECT_EQ(Read("\xEF\xBB\xBF"
                   "02.03.2026;Caf\xC3\xA9;-1.234,5\n03.03.2026;Refund;7\n",
                   Columns("date=1,payee=2,amount=3", CsvDateFormat::Automatic, true)),
              "2026-03-02|Café|-123450||0@1\n2026-03-03|Refund|700||0@2");
    // Debit and credit columns, tabs, a chosen slash format, Windows-1252 text, a header skipped.
    EXPECT_EQ(Read("When\tWho\tOut\tIn\n03/04/2026\tM\xFCller \x80\t12.00\t\n"
                   "03/05/2026\tClient\t\t99.5\n",
                   Columns("date=1,payee=2,debit=3,credit=4", CsvDateFormat::DayMonthYear)),
              "2026-04-03|Müller €|-1200||0@2\n2026-05-03|Client|9950||0@3");
    // Lines ended by a CR alone are counted as lines.
    EXPECT_EQ(Read("Date,Payee,Amount\r2026-01-02,A,1\r2026-01-03,B,2\r"),
              "2026-01-02|A|100||0@2\n2026-01-03|B|200||0@3");
}

TEST(StatementCsvTest, RefusesWhatItCannotReadNamingTheLine) {
    const QByteArray head = "Date,Payee,Amount\n2026-01-02,\"two\nlines\",1\n";
    const std::pair<QByteArray, const char*> cases[] = {
        {head + "03/04/2026,A,1\n", "line 4: the date '03/04/2026' may be month/day or day/month"},
        {head + "2026-02-30,A,1\n", "line 4: the date '2026-02-30' cannot be read"},
        {head + "2026-02-03,A,\"12,50\"\n", "line 4: the amount '12,50' cannot be read (with a"},
        {head + "2026-02-03,A,\"1,23.45\"\n", "line 4: the amount '1,23.45' cannot be read"},
        {head + "2026-02-03,A,1000000.00\n", "line 4: the amount '1000000.00' is larger"},
        {head + "2026-02-03,A,0.00\n", "line 4: it has no amount other than zero"},
        {head + "2026-02-03,\"A,1\n", "line 4: a quoted field is never closed"},
        {head + "2026-02-03,A\"b,1\n", "line 4: a quote is out of place"},
        {"When,Who,How much\n2026-01-02,A,1\n", "its first line does not name the columns"},
        {"2026-01-02 A 1\n", "no line holds a tab"},
    };
    for (const auto& [csv, why] : cases)
        EXPECT_TRUE(Read(csv).startsWith(QString("! ") + why)) << Read(csv).toStdString();
    EXPECT_TRUE(Read("d,p,o,i\n2026-01-02,A,1,2\n", Columns("date=1,payee=2,debit=3,credit=4"))
                    .startsWith("! line 2: it has both a debit and a credit"));
    QString why;
    EXPECT_FALSE(kvl::ParseCsvColumns("date=1,payee=2", &why));
    EXPECT_FALSE(kvl::ParseCsvColumns("date=1,payee=2,amount=3,debit=4,credit=5", &why));
    EXPECT_FALSE(kvl::ParseCsvColumns("date=0,payee=2,amount=3", &why));
}

TEST(StatementValuesTest, AmountsAndDatesAsBanksWriteThem) {
    const std::pair<const char*, qint64> points[] = {
        {"1,234.56", 123456}, {"-0.5", -50},    {"12.50-", -1250}, {"(7)", -700},
        {"$ -3.10", -310},    {"12.500", 1250}, {"1 000", 100000}, {".25", 25}};
    for (const auto& [text, cents] : points)
        EXPECT_EQ(kvl::ReadStatementAmount(QString::fromUtf8(text), false), cents) << text;
    EXPECT_EQ(kvl::ReadStatementAmount(u"-1.234,56 €", true), -123456);
    for (const char* bad : {"12,50", "12.345", "1,2345.00", "--1", "1.2.3", "abc", "-", "1e5"})
        EXPECT_FALSE(kvl::ReadStatementAmount(QString::fromLatin1(bad), false)) << bad;

    bool ambiguous = false;
    const CsvDateFormat automatic = CsvDateFormat::Automatic;
    EXPECT_EQ(kvl::ReadStatementDate(u"2026-1-5T10:00", automatic), QDate(2026, 1, 5));
    EXPECT_EQ(kvl::ReadStatementDate(u"5.1.2026 10:00", automatic), QDate(2026, 1, 5));
    EXPECT_FALSE(kvl::ReadStatementDate(u"1/5/2026", automatic, &ambiguous));
    EXPECT_TRUE(ambiguous);
    EXPECT_EQ(kvl::ReadStatementDate(u"1/5/2026", CsvDateFormat::MonthDayYear), QDate(2026, 1, 5));
    EXPECT_FALSE(kvl::ReadStatementDate(u"2026-01-05", CsvDateFormat::DayMonthYear));
    EXPECT_FALSE(kvl::ReadStatementDate(u"05/01/26", CsvDateFormat::DayMonthYear));
    EXPECT_EQ(kvl::ReadCheckNumber(u"0000001042"), 1042);
    EXPECT_FALSE(kvl::ReadCheckNumber(u"123456789"));
}

// A long file is read in two stretches side by side: every record, the line it starts on and the
// first failure come out as from one reading, whichever record the middle of the file falls in.
TEST(StatementCsvTest, ALongFileReadsAsOneReading) {
    for (const bool header : {true, false}) {
        QByteArray csv = header ? "Date,Payee,Amount,Memo\r\n" : "";
        QStringList expected;
        int line = header ? 2 : 1;
        for (int i = 0; i < 40000; ++i) {
            if (i % 1000 == 999) {
                csv += "\r\n";  // a blank line
                ++line;
            }
            // Every record holds a line break inside quotes.
            csv += QStringLiteral("2026-03-%1,\"P %2\",-1.%3,\"memo\nmore\"\r\n")
                       .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                       .arg(i)
                       .arg(i % 100, 2, 10, QLatin1Char('0'))
                       .toLatin1();
            expected << QStringLiteral("2026-03-%1|P %2|-1%3|memo\nmore|0@%4")
                            .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                            .arg(i)
                            .arg(i % 100, 2, 10, QLatin1Char('0'))
                            .arg(line);
            line += 2;
        }
        ASSERT_GT(csv.size(), 1 << 20);
        const CsvOptions options =
            header ? CsvOptions{} : Columns("date=1,payee=2,amount=3,memo=4");
        EXPECT_TRUE(Read(csv, options) == expected.join(QLatin1Char('\n')));
        // A bad amount late in the file and one early: the message names the first.
        QByteArray bad = csv;
        bad.replace("\"P 30000\",-1.00", "\"P 30000\",-1.x0");
        EXPECT_EQ(Read(bad, options), QStringLiteral("! line %1: the amount '-1.x0' cannot be read "
                                                     "(with a decimal comma, say so)")
                                          .arg(expected[30000].section(QLatin1Char('@'), 1)));
        bad.replace("\"P 20\",-1.20", "\"P 20\",-1.x0");
        const QString early = expected[20].section(QLatin1Char('@'), 1);
        EXPECT_TRUE(Read(bad, options).startsWith(QStringLiteral("! line %1: ").arg(early)));
    }
}

TEST(StatementLinesTest, StoredTextAndPayeeComparison) {
    EXPECT_EQ(kvl::StoredText(QStringLiteral(" Caf\u00e9\tM\u00fcller \u4e2d\u20ac ")),
              QStringLiteral("Caf\u00e9 M\u00fcller ?\u20ac"));
    EXPECT_EQ(kvl::StoredText(QString(28, QLatin1Char('a')) + QStringLiteral("\u20ac\u20acX")),
              QString(28, QLatin1Char('a')) + QStringLiteral("\u20ac\u20ac"));
    EXPECT_EQ(kvl::PayeeKey("POS 01/05 SHELL OIL XXXX5541"), kvl::PayeeKey(" pos  Shell Oil #77 "));
    EXPECT_EQ(kvl::PayeeKey("POS 01/05 SHELL OIL 5541"), "pos shell oil");
    EXPECT_NE(kvl::PayeeKey("7-Eleven 12"), kvl::PayeeKey("Eleven"));
    EXPECT_EQ(kvl::PayeeKey("12345 2026-01-05"), "12345 2026-01-05");
    // Plain ASCII and the general way agree (a no-break space is a blank, and not ASCII).
    EXPECT_EQ(kvl::PayeeKey("Shell\tOIL\v5541 "),
              kvl::PayeeKey(QStringLiteral("SHELL OIL\u00a05541")));
    EXPECT_EQ(kvl::PayeeKey(QStringLiteral("CAF\u00c9 M\u00dcLLER 12")),
              QStringLiteral("caf\u00e9 m\u00fcller"));
    EXPECT_EQ(kvl::StoredText(" \x01Shell\x7f Oil \n"), "Shell  Oil");
    EXPECT_EQ(kvl::StoredText(QString(29, QLatin1Char('a')) + " b"), QString(29, QLatin1Char('a')));

    const kvl::MappedLine debit = kvl::MapLine({3, QDate(2026, 1, 2), "Shell", "m", 12, -4510});
    EXPECT_TRUE(debit.kind == kvl::LineKind::Expense && debit.cents == 4510 && debit.checkNo == 12);
    const kvl::MappedLine credit = kvl::MapLine({4, QDate(2026, 1, 2), "Client", "m", 12, 99});
    EXPECT_TRUE(credit.kind == kvl::LineKind::Income && credit.memo.isEmpty() && !credit.checkNo);
}

// OFX files written here: an OFX 1.x (SGML) header and body around the transactions.
QByteArray Sgml(const QByteArray& transactions, const QByteArray& header = "") {
    return "OFXHEADER:100\r\nDATA:OFXSGML\r\nVERSION:102\r\nSECURITY:NONE\r\nENCODING:USASCII\r\n"
           "CHARSET:1252\r\nCOMPRESSION:NONE\r\nOLDFILEUID:NONE\r\nNEWFILEUID:NONE\r\n\r\n<OFX>\r\n"
           "<SIGNONMSGSRSV1><SONRS><STATUS><CODE>0<SEVERITY>INFO</STATUS><DTSERVER>20260201"
           "<LANGUAGE>ENG" +
           header +
           "</SONRS></SIGNONMSGSRSV1>\r\n<BANKMSGSRSV1><STMTTRNRS><TRNUID>1<STATUS><CODE>0"
           "<SEVERITY>INFO</STATUS><STMTRS><CURDEF>USD<BANKACCTFROM><BANKID>1<ACCTID>2"
           "<ACCTTYPE>CHECKING</BANKACCTFROM><BANKTRANLIST><DTSTART>20260101<DTEND>20260131\r\n" +
           transactions +
           "</BANKTRANLIST><LEDGERBAL><BALAMT>0<DTASOF>20260131</LEDGERBAL></STMTRS></STMTTRNRS>"
           "</BANKMSGSRSV1></OFX>\r\n";
}

class StatementOfxTest : public ::testing::Test {
  protected:
    QString Read(const QByteArray& bytes) {
        const QString path = QString::fromStdString(dir_.file("s.ofx"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) > 0);
        f.close();
        QString why;
        const std::optional<kvl::Statement> s = kvl::ReadOfxStatement(path, bytes, &why);
        if (!s) return QStringLiteral("! ") + why;
        QStringList out;
        for (const kvl::StatementLine& l : s->lines)
            out << QStringLiteral("%1|%2|%3|%4|%5")
                       .arg(l.date.toString(Qt::ISODate), l.payee)
                       .arg(l.cents)
                       .arg(l.memo)
                       .arg(l.checkNo);
        return out.join(QLatin1Char('\n'));
    }
    kvltest::TempDir dir_;
};

TEST_F(StatementOfxTest, ReadsSgmlXmlAndQfxWithTheBanksDays) {
    const QByteArray body =
        "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>20260105<TRNAMT>-42.50<FITID>1<NAME>Caf\xe9 & Co"
        "<MEMO>card 1234</STMTTRN>\r\n"
        "<STMTTRN><TRNTYPE>CHECK<DTPOSTED>20260106230000[-5:EST]<TRNAMT>-100,00<FITID>2"
        "<CHECKNUM>1042<NAME>Landlord</STMTTRN>\r\n"
        "<STMTTRN><TRNTYPE>CREDIT<DTPOSTED>20260107<TRNAMT>1234.56<FITID>3<MEMO>Deposit"
        "</STMTTRN>\r\n";
    const QString lines =
        "2026-01-05|Café & Co|-4250|card 1234|0\n2026-01-06|Landlord|-10000||1042\n"
        "2026-01-07|Deposit|123456||0";
    EXPECT_TRUE(kvl::LooksLikeOfx(Sgml(body)));
    EXPECT_EQ(Read(Sgml(body)), lines);
    EXPECT_EQ(Read(Sgml(body, "<INTU.BID>3000<INTU.USERID>me")), lines);  // QFX
    const QByteArray xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?OFX OFXHEADER=\"200\" VERSION=\"211\" "
        "SECURITY=\"NONE\" OLDFILEUID=\"NONE\" NEWFILEUID=\"NONE\"?>\n<OFX><SIGNONMSGSRSV1><SONRS>"
        "<STATUS><CODE>0</CODE><SEVERITY>INFO</SEVERITY></STATUS><DTSERVER>20260201</DTSERVER>"
        "<LANGUAGE>ENG</LANGUAGE></SONRS></SIGNONMSGSRSV1><CREDITCARDMSGSRSV1><CCSTMTTRNRS>"
        "<TRNUID>1</TRNUID><STATUS><CODE>0</CODE><SEVERITY>INFO</SEVERITY></STATUS><CCSTMTRS>"
        "<CURDEF>EUR</CURDEF><CCACCTFROM><ACCTID>4111</ACCTID></CCACCTFROM><BANKTRANLIST>"
        "<DTSTART>20260101</DTSTART><DTEND>20260131</DTEND>\n<STMTTRN><TRNTYPE>DEBIT</TRNTYPE>"
        "<DTPOSTED>20260110</DTPOSTED>\n<TRNAMT>-9.99</TRNAMT><FITID>a</FITID><NAME>Stra\xc3\x9f"
        "e &amp; \xe2\x82\xac</NAME></STMTTRN></BANKTRANLIST><LEDGERBAL><BALAMT>0</BALAMT>"
        "<DTASOF>20260131</DTASOF></LEDGERBAL></CCSTMTRS></CCSTMTTRNRS>"
        "</CREDITCARDMSGSRSV1></OFX>\n";
    EXPECT_EQ(Read(xml), "2026-01-10|Straße & €|-999||0");
}

TEST_F(StatementOfxTest, RefusesDamagedFilesRatherThanAPart) {
    const QByteArray one =
        "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>20260105<TRNAMT>-42.50<FITID>1<NAME>A</STMTTRN>\r\n";
    const QByteArray whole = Sgml(one + one);
    EXPECT_EQ(Read(whole.left(whole.indexOf("<NAME>A</STMTTRN>\r\n</BANK"))),
              "! it cannot be read as OFX to its end; it is damaged or incomplete");
    EXPECT_EQ(Read(Sgml("")), "! it holds no transactions");
    QByteArray thousands = Sgml(one);
    thousands.replace("-42.50", "-1,234.56");
    EXPECT_EQ(Read(thousands), "! transaction 1: the amount '-1,234.56' cannot be read");
    QByteArray noDate = Sgml(one);
    noDate.replace("20260105", "2026");
    EXPECT_EQ(Read(noDate), "! transaction 1: the posted date '2026' cannot be read");
    EXPECT_FALSE(kvl::LooksLikeOfx("Date,Payee,Amount\n"));
}

}  // namespace
