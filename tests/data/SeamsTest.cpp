#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Support.h"
#include "data/Clock.h"
#include "data/Messages.h"
#include "data/ProgramExit.h"
#include "data/Progress.h"

namespace {

TEST(ClockTest, TodayCanBeFixedAndReleased) {
    kvl::SetToday(QDate(2028, 2, 15));
    EXPECT_EQ(kvl::Today(), QDate(2028, 2, 15));
    EXPECT_EQ(kvl::Now(), QDateTime(QDate(2028, 2, 15), QTime(12, 0)));
    kvl::SetNow(QDateTime(QDate(2027, 12, 31), QTime(23, 59, 30)));
    EXPECT_EQ(kvl::Today(), QDate(2027, 12, 31));
    EXPECT_EQ(kvl::Now().time(), QTime(23, 59, 30));
    kvl::SetToday(QDate());
    const QDate before = QDate::currentDate();
    const QDate today = kvl::Today();
    const QDate after = QDate::currentDate();
    EXPECT_TRUE(today == before || today == after);
}

TEST(ClockTest, CLocaleCountsAsUsEnglish) {
    kvl::SetRegional(QLocale::c());
    const kvl::Regional& r = kvl::RegionalSettings();
    EXPECT_EQ(r.shortDateFormat, "M/d/yy");
    EXPECT_EQ(r.dateSeparator, QLatin1Char('/'));
    EXPECT_EQ(r.decimalPoint, QLatin1Char('.'));
    EXPECT_EQ(r.thousandsSeparator, QLatin1Char(','));
    EXPECT_EQ(r.locale.language(), QLocale::English);
    EXPECT_EQ(r.locale.territory(), QLocale::UnitedStates);
}

TEST(ClockTest, SeparatorsComeFromTheLocale) {
    kvl::SetRegional(QLocale(QLocale::German, QLocale::Germany));
    const kvl::Regional& de = kvl::RegionalSettings();
    EXPECT_EQ(de.dateSeparator,
              de.shortDateFormat.at(de.shortDateFormat.indexOf(QLatin1Char('.'))));
    EXPECT_EQ(de.dateSeparator, QLatin1Char('.'));
    EXPECT_EQ(de.decimalPoint, QLatin1Char(','));
    EXPECT_EQ(de.thousandsSeparator, QLatin1Char('.'));

    kvl::SetRegional(QLocale(QLocale::English, QLocale::UnitedKingdom));
    const kvl::Regional& gb = kvl::RegionalSettings();
    EXPECT_TRUE(gb.shortDateFormat.startsWith(QStringLiteral("dd/MM/")))
        << gb.shortDateFormat.toStdString();
    EXPECT_EQ(gb.dateSeparator, QLatin1Char('/'));
    kvl::SetRegional(QLocale::c());
}

TEST(MessagesTest, WithoutASinkQuestionsGetTheCautiousAnswer) {
    kvl::MessageSink* previous = kvl::SetMessageSink(nullptr);
    EXPECT_EQ(kvl::ShowMessage(kvl::MsgKind::Information, QStringLiteral("note")),
              kvl::MsgAnswer::Ok);
    EXPECT_EQ(kvl::ShowMessage(kvl::MsgKind::InformationOkCancel, QStringLiteral("go?")),
              kvl::MsgAnswer::Cancel);
    EXPECT_EQ(kvl::ShowMessage(kvl::MsgKind::WarningYesNo, QStringLiteral("sure?")),
              kvl::MsgAnswer::No);
    EXPECT_EQ(kvl::ShowMessage(kvl::MsgKind::Confirmation, QStringLiteral("really?")),
              kvl::MsgAnswer::No);
    kvl::SetMessageSink(previous);
}

TEST(MessagesTest, SinkSeesEveryMessageAndAnswers) {
    kvltest::ScriptedResponder responder;
    responder.answers = {kvl::MsgAnswer::Yes, kvl::MsgAnswer::Cancel};
    kvl::MessageSink* previous = kvl::SetMessageSink(&responder);
    EXPECT_EQ(kvl::ShowMessage(kvl::MsgKind::Confirmation, QStringLiteral("one")),
              kvl::MsgAnswer::Yes);
    EXPECT_EQ(kvl::ShowMessage(kvl::MsgKind::InformationOkCancel, QStringLiteral("two")),
              kvl::MsgAnswer::Cancel);
    EXPECT_EQ(kvl::SetMessageSink(previous), &responder);
    ASSERT_EQ(responder.shown.size(), 2u);
    EXPECT_EQ(responder.shown[0].kind, kvl::MsgKind::Confirmation);
    EXPECT_EQ(responder.shown[1].text, "two");
}

TEST(ProgressTest, GoesToTheSinkOnly) {
    kvl::ShowProgress(true, QStringLiteral("nobody sees this"));  // no sink: nothing happens
    kvltest::ProgressRecorder recorder;
    kvl::ProgressSink* previous = kvl::SetProgressSink(&recorder);
    kvl::ShowProgress(true, QStringLiteral("Building Report"));
    kvl::SetProgress(40);
    kvl::ShowProgress(false, QString());
    kvl::SetProgressSink(previous);
    kvl::SetProgress(50);
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"show Building Report", "set 40", "hide"}));
}

TEST(ProgramExitTest, HandlerSeesTheCodeAndCleanupsRunOnceInReverse) {
    std::vector<int> order;
    kvl::AtProgramEnd([&] { order.push_back(1); });
    kvl::AtProgramEnd([&] { order.push_back(2); });
    kvl::ExitHandler previous =
        kvl::SetExitHandler([](int code) { throw kvl::ProgramEnded(code); });
    try {
        kvl::EndProgram(7);
        FAIL() << "EndProgram returned";
    } catch (const kvl::ProgramEnded& e) {
        EXPECT_EQ(e.code, 7);
    }
    EXPECT_TRUE(order.empty());  // the handler left before the default clean-up
    kvl::RunProgramEndCleanups();
    kvl::RunProgramEndCleanups();
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
    kvl::SetExitHandler(previous);
}

TEST(ProgramExitTest, DefaultEndRunsCleanupsAndLeavesWithTheCode) {
    EXPECT_EXIT(
        {
            kvl::AtProgramEnd([] { std::fputs("cleaned\n", stderr); });
            kvl::EndProgram(3);
        },
        ::testing::ExitedWithCode(3), "cleaned");
}

}  // namespace
