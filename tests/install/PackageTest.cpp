// The Debian package, as dpkg-deb shows it.
#include <gtest/gtest.h>

#include "InstallTestSupport.h"

namespace install_test {
namespace {

TEST(Package, IsNamedForDebianAndHoldsTheWholeTreeUnderUsr)
{
    ASSERT_FALSE(Package().empty()) << "no package was built";
    EXPECT_EQ(Package().filename(), std::string("vornis_") + VORNIS_VERSION + "_amd64.deb");
    const CommandResult contents = RunShell("dpkg-deb --contents " + Quote(Package()));
    ASSERT_EQ(contents.exitCode, 0) << contents.output;
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(Tree())) {
        if (!entry.is_regular_file())
            continue;
        ++files;
        const std::string listed = " ./usr/" + entry.path().lexically_relative(Tree()).string();
        EXPECT_NE(contents.output.find(listed + "\n"), std::string::npos) << listed;
    }
    EXPECT_GT(files, 30);
}

TEST(Package, DependsOnTheLibrariesItsProgramsLink)
{
    const CommandResult fields =
        RunShell("dpkg-deb --field " + Quote(Package()) + " Package Version Architecture Depends");
    ASSERT_EQ(fields.exitCode, 0) << fields.output;
    for (const std::string& expected : std::vector<std::string>{
             "Package: vornis\n", std::string("Version: ") + VORNIS_VERSION + "\n",
             "Architecture: amd64\n"})
        EXPECT_NE(fields.output.find(expected), std::string::npos) << fields.output;
    // Computed from the linked libraries, plus the OpenGL libraries opened at run time.
    for (const char* dependency :
         {"libc6", "libstdc++6", "libsdl2-2.0-0", "libassimp5", "libepoxy0", "libgl1"})
        EXPECT_NE(fields.output.find(dependency), std::string::npos) << fields.output;
}

}  // namespace
}  // namespace install_test
