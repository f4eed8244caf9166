// The file-open dialog run as a child program, with stand-in dialog programs, and the
// interface font's checks.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/FileDialog.h"
#include "platform/InterfaceFont.h"
#include "support/ScratchDirectory.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ScratchDirectory;

// Stand-in dialog programs in two folders of the search path, which has an empty entry.
TEST(FileDialog, ZenityBeforeKdialogThePrintedPathWithoutItsLineEndAndCancelAsNothing)
{
    ScratchDirectory dir;
    auto program = [&](const std::string& name, const std::string& body) {
        chmod(dir.Write(name, "#!/bin/sh\n" + body + "\n").c_str(), 0755);
    };
    const std::string searchPath =
        (dir.path / "first").string() + "::" + (dir.path / "second").string();
    EXPECT_EQ(platform::OpenFileDialog(searchPath).path, "");
    EXPECT_TRUE(platform::OpenFileDialog(searchPath).noDialogProgram);
    program("first/kdialog", "echo \"$1 $2 $3\"");
    EXPECT_EQ(platform::OpenFileDialog(searchPath).path, "--getopenfilename . *|All Files (*.*)");
    // A name may hold blanks, quotes and backslashes; no shell ever sees it.
    program("second/zenity", "printf '/m/a b\\\\c \"d\".fbx\\n'");
    const platform::FileDialogResult chosen = platform::OpenFileDialog(searchPath);
    EXPECT_EQ(chosen.path, "/m/a b\\c \"d\".fbx");
    EXPECT_FALSE(chosen.noDialogProgram);
    program("second/zenity", "echo /m/chosen.dds; exit 1");
    EXPECT_EQ(platform::OpenFileDialog(searchPath).path, "") << "cancelled";
}

TEST(InterfaceFont, OnlyAFaceThatOpensIsUsed)
{
    ScratchDirectory dir;
    for (const std::string& bad : {dir.Write("junk.ttf", std::string(4096, 'x')).string(),
                                   dir.Write("short.ttf", std::string("\0\1\0\0", 4)).string(),
                                   (dir.path / "missing.ttf").string()})
        EXPECT_FALSE(platform::ReadFontFile(bad, 0, 1 << 20)) << bad;

    const std::string dejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (!fs::exists(dejaVu))
        GTEST_SKIP() << "fonts-dejavu-core is not installed";
    EXPECT_TRUE(platform::ReadFontFile(dejaVu, 0, 64 << 20));
    EXPECT_FALSE(platform::ReadFontFile(dejaVu, 1, 64 << 20)) << "a single font has one face";
    EXPECT_FALSE(platform::ReadFontFile(dejaVu, 0, 1000)) << "larger than allowed";
    const std::optional<platform::InterfaceFont> font = platform::LoadInterfaceFont();
    ASSERT_TRUE(font);
    EXPECT_FALSE(font->data.empty());
}

}  // namespace
