#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/TerminalProgress.h"

namespace {

std::string Contents(std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string text;
    for (int c; (c = std::fgetc(f)) != EOF;) text += static_cast<char>(c);
    return text;
}

TEST(TerminalProgressTest, RendersCaptionBarAndPercent) {
    EXPECT_EQ(kvl::cli::RenderBar(QStringLiteral("Packing Data Files"), 40, 10),
              "Packing Data Files [####      ]  40%");
    EXPECT_EQ(kvl::cli::RenderBar(QStringLiteral("X"), 0, 4), "X [    ]   0%");
    EXPECT_EQ(kvl::cli::RenderBar(QStringLiteral("X"), 100, 4), "X [####] 100%");
    EXPECT_EQ(kvl::cli::RenderBar(QStringLiteral("X"), 250, 4), "X [####] 100%");
    EXPECT_EQ(kvl::cli::RenderBar(QStringLiteral("X"), -5, 4), "X [    ]   0%");
}

TEST(TerminalProgressTest, DrawsOnOneLineAndErasesItWhenHidden) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    {
        kvl::cli::TerminalProgress bar(f, 4);
        bar.setProgress(50);  // hidden: nothing drawn
        bar.showProgress(true, QStringLiteral("Rebuilding Indexes"));
        bar.setProgress(50);
        bar.showProgress(false, QString());
        bar.showProgress(false, QString());  // hiding twice erases once
    }
    EXPECT_EQ(Contents(f),
              "\rRebuilding Indexes [    ]   0%\rRebuilding Indexes [##  ]  50%\r\033[K");
    std::fclose(f);
}

TEST(TerminalProgressTest, ABarLeftVisibleIsErasedOnDestruction) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    {
        kvl::cli::TerminalProgress bar(f, 2);
        bar.showProgress(true, QStringLiteral("C"));
    }
    EXPECT_EQ(Contents(f), "\rC [  ]   0%\r\033[K");
    std::fclose(f);
}

}  // namespace
