// The manual page and the shell completions name every option the program
// takes, and the manual page renders without a warning.

#include "cli/cli_options.h"
#include "cli_process.h"
#include "fixture_tree.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const std::string kTop = TARNWICK_SOURCE_DIR;

std::string Read(const std::string& relative) {
    const std::string text = TFixtureTree::Read(kTop + "/" + relative);
    EXPECT_FALSE(text.empty()) << relative;
    return text;
}

bool HasWord(const std::string& text, const std::string& word) {
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        const auto boundary = [](char c) {
            return !(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_');
        };
        const bool before = at == 0 || boundary(text[at - 1]) || text[at - 1] == 'B';
        const bool after = at + word.size() == text.size() || boundary(text[at + word.size()]);
        if (before && after)
            return true;
    }
    return false;
}

} // namespace

TEST(CliDocs, EveryOptionIsInTheManualPageAndTheCompletions) {
    const std::string man = Read("data/man/tarnwick-cli.1");
    const std::string bash = Read("data/completions/bash/tarnwick-cli");
    const std::string zsh = Read("data/completions/zsh/_tarnwick-cli");
    ASSERT_FALSE(tarnwick::CliOptionTable().empty());
    for (const tarnwick::TCliOptionInfo& o : tarnwick::CliOptionTable()) {
        const std::string longName = std::string("--") + o.longName;
        const std::string shortName = std::string("-") + o.shortName;
        // roff writes each '-' of an option as "\-".
        std::string roffLong;
        for (const char c : longName)
            roffLong += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_TRUE(HasWord(man, roffLong)) << longName;
        EXPECT_TRUE(HasWord(man, "\\-" + std::string(1, o.shortName))) << shortName;
        EXPECT_TRUE(HasWord(bash, longName)) << longName;
        EXPECT_TRUE(HasWord(bash, shortName)) << shortName;
        EXPECT_TRUE(HasWord(zsh, longName)) << longName;
        EXPECT_TRUE(HasWord(zsh, shortName)) << shortName;
    }
    // The version the manual page names is the program's.
    EXPECT_NE(man.find(std::string("\"tarnwick\\-cli ") + TARNWICK_VERSION + "\""),
              std::string::npos);
}

TEST(CliDocs, TheManualPageRendersWithoutWarnings) {
    if (::access("/usr/bin/groff", X_OK) != 0)
        GTEST_SKIP() << "groff is not installed";
    const TCliResult r = RunProgram("/usr/bin/groff", {"-man", "-Tutf8", "-ww", "-z",
                                                       kTop + "/data/man/tarnwick-cli.1"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
}
