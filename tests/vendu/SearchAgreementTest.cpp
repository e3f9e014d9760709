// vendu search must list exactly what the program's matcher finds, in the same order, on
// stores read by the program's reader: random files, random keywords, the real binary.
#include "knowledge/EntryStore.h"
#include "knowledge/Search.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <sstream>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

#ifndef _WIN32

// Runs vendu with args; returns its exit status and standard output.
int RunVendu(const std::vector<std::string>& args, std::string& out) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        // The caption goes to standard error when no terminal reads the output.
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 2);
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(VENDU_PATH));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(VENDU_PATH, argv.data());
        _exit(127);
    }
    close(fds[1]);
    out.clear();
    char buffer[4096];
    ssize_t got;
    while ((got = read(fds[0], buffer, sizeof buffer)) > 0)
        out.append(buffer, static_cast<std::size_t>(got));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::uint32_t> ListedEntries(const std::string& out) {
    std::vector<std::uint32_t> listed;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos || line.find_first_not_of("0123456789") != colon)
            continue; // the caption
        listed.push_back(static_cast<std::uint32_t>(std::stoul(line.substr(0, colon)) - 1));
    }
    return listed;
}

TEST(SearchAgreement, ListsWhatTheProgramsMatcherFinds) {
    // Double-byte characters whose second byte is a letter, markers and their pieces, so
    // that both the reader and the character-boundary rule are exercised.
    const std::vector<std::string> pieces = {
        "(%Q%)",    "(%A%)", "\r\n", "A", "a",  "\xb0\x41", "\xb0", "\x41\xb0",
        "\xd6\xd0", "(%",    "Q%)",  " ", "AB", "\x81\x40", "\\",   "\xff"};
    const std::string path = testing::TempDir() + "vendu_search_agreement.vendu";
    std::mt19937 rng(4711);
    const vorna::LeadBytes lead = vorna::LeadBytes::Cp936();
    for (int round = 0; round < VENDU_AGREEMENT_ROUNDS; ++round) {
        std::string content;
        const int count = static_cast<int>(rng() % 60);
        for (int k = 0; k < count; ++k)
            content += pieces[rng() % pieces.size()];
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);

        vorna::CEntryStore store;
        ASSERT_EQ(vorna::LoadEntryFile(path, store).status, vorna::FileStatus::ok);
        for (int k = 0; k < 3; ++k) {
            // A keyword cut out of the file at any byte, so it may start on a second byte.
            std::string keyword;
            if (!content.empty() && k > 0) {
                const std::size_t from = rng() % content.size();
                keyword = content.substr(from, 1 + rng() % 3);
            }
            std::vector<std::uint32_t> want;
            vorna::FindMatches(store, keyword, lead, want);
            std::string out;
            const int status = RunVendu({"search", "-n", "--raw", path, "--", keyword}, out);
            EXPECT_EQ(status, want.empty() ? 1 : 0) << content << " / " << keyword;
            EXPECT_EQ(ListedEntries(out), want) << content << " / " << keyword;
            if (k == 1) {
                ASSERT_EQ(RunVendu({"search", "--count", "--raw", path, "--", keyword}, out),
                          want.empty() ? 1 : 0);
                EXPECT_EQ(out, std::to_string(want.size()) + "\n");
            }
        }
    }
    std::remove(path.c_str());
}

#endif

} // namespace
