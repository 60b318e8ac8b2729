// Replays every saved input of the fuzz targets through the same entry points the fuzzers call:
// the seed corpora (fuzz/corpus/<target>/) and the inputs of past findings
// (fuzz/regressions/<target>/). An input that crashes or trips a sanitizer fails the run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "targets/Targets.h"

namespace {

namespace fs = std::filesystem;

using Entry = int (*)(const uint8_t*, size_t);

std::vector<fs::path> Inputs(const std::string& kind, const std::string& target) {
    std::vector<fs::path> out;
    const fs::path dir = fs::path(KVL_FUZZ_DIR) / kind / target;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        if (e.is_regular_file()) out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

size_t Replay(const std::string& kind, const std::string& target, Entry entry) {
    size_t n = 0;
    for (const fs::path& p : Inputs(kind, target)) {
        std::ifstream in(p, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        SCOPED_TRACE(p.string());
        EXPECT_EQ(entry(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0);
        ++n;
    }
    return n;
}

struct Target {
    const char* name;
    Entry entry;
};

class FuzzRegression : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzRegression, SeedCorpusRunsClean) {
    EXPECT_GT(Replay("corpus", GetParam().name, GetParam().entry), 0u)
        << "no seed inputs for " << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegression,
                         ::testing::Values(Target{"fuzz_dbf", kvlfuzz::FuzzDbf},
                                           Target{"fuzz_ntx", kvlfuzz::FuzzNtx},
                                           Target{"fuzz_expr", kvlfuzz::FuzzExpr},
                                           Target{"fuzz_cgp", kvlfuzz::FuzzCgp},
                                           Target{"fuzz_statement", kvlfuzz::FuzzStatement}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FuzzRegression, PastFindingsStayFixed) {
    const size_t n = Replay("regressions", "fuzz_dbf", kvlfuzz::FuzzDbf) +
                     Replay("regressions", "fuzz_ntx", kvlfuzz::FuzzNtx) +
                     Replay("regressions", "fuzz_expr", kvlfuzz::FuzzExpr) +
                     Replay("regressions", "fuzz_statement", kvlfuzz::FuzzStatement);
    EXPECT_GT(n, 0u) << "the saved inputs of past findings are missing";
}

}  // namespace
