#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/WorkerProcess.h"

namespace {

std::vector<std::string> EnvironmentOf(std::vector<std::string> variables)
{
    std::vector<char*> entries;
    for (std::string& variable : variables)
        entries.push_back(variable.data());
    entries.push_back(nullptr);
    return platform::HelperEnvironment(entries.data());
}

}  // namespace

TEST(HelperEnvironment, AsksForHugePagesAndLeavesEveryOtherVariableAndTheCallersChoice)
{
    struct Case {
        std::vector<std::string> given;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {{}, {"GLIBC_TUNABLES=glibc.malloc.hugetlb=1"}},
        {{"HOME=/h", "DISPLAY=:1"},
         {"HOME=/h", "DISPLAY=:1", "GLIBC_TUNABLES=glibc.malloc.hugetlb=1"}},
        {{"GLIBC_TUNABLES="}, {"GLIBC_TUNABLES=glibc.malloc.hugetlb=1"}},
        {{"GLIBC_TUNABLES=glibc.malloc.arena_max=1", "A=b"},
         {"GLIBC_TUNABLES=glibc.malloc.arena_max=1:glibc.malloc.hugetlb=1", "A=b"}},
        // The caller's own choice, huge pages off included, is kept as it stands.
        {{"GLIBC_TUNABLES=glibc.malloc.hugetlb=0"}, {"GLIBC_TUNABLES=glibc.malloc.hugetlb=0"}},
        // A name that only begins like the tunables is another variable.
        {{"GLIBC_TUNABLESX=1"}, {"GLIBC_TUNABLESX=1", "GLIBC_TUNABLES=glibc.malloc.hugetlb=1"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EnvironmentOf(c.given), c.expected) << ::testing::PrintToString(c.given);
}
