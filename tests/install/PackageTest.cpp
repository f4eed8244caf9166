// The Debian package, as dpkg-deb shows it.
#include <gtest/gtest.h>

#include "InstallTestSupport.h"

namespace install_test {
namespace {

// Named for Debian, the whole tree under /usr, and the libraries its programs link (plus the
// OpenGL libraries opened at run time) as dependencies.
TEST(Package, HoldsTheWholeTreeUnderUsrAndDependsOnWhatItLinks)
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

    const CommandResult fields =
        RunShell("dpkg-deb --field " + Quote(Package()) + " Package Version Architecture Depends");
    ASSERT_EQ(fields.exitCode, 0) << fields.output;
    for (const std::string& expected :
         {std::string("Package: vornis\n"), std::string("Version: ") + VORNIS_VERSION + "\n",
          std::string("Architecture: amd64\n"), std::string("libc6"), std::string("libstdc++6"),
          std::string("libsdl2-2.0-0"), std::string("libassimp5"), std::string("libepoxy0"),
          std::string("libgl1")})
        EXPECT_NE(fields.output.find(expected), std::string::npos) << fields.output;
}

}  // namespace
}  // namespace install_test
