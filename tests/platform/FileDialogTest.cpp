// The file-open dialog run as a child program, with stand-in dialog programs, and the
// interface font's checks.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/FileDialog.h"
#include "platform/InterfaceFont.h"

namespace {

namespace fs = std::filesystem;

class FileDialog : public ::testing::Test {
   protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("vornis_dialog_" + std::to_string(getpid()));
        fs::create_directories(folder / "first");
        fs::create_directories(folder / "second");
    }
    void TearDown() override { fs::remove_all(folder); }

    void Program(const std::string& directory, const std::string& name, const std::string& body)
    {
        const fs::path path = folder / directory / name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        chmod(path.c_str(), 0755);
    }
    std::string SearchPath() const
    {
        return (folder / "first").string() + "::" + (folder / "second").string();
    }

    fs::path folder;
};

TEST_F(FileDialog, ReturnsThePrintedPathWithoutItsLineEnd)
{
    // A name may hold blanks, quotes and backslashes; no shell ever sees it.
    Program("second", "zenity", "printf '/m/a b\\\\c \"d\".fbx\\n'");
    const platform::FileDialogResult result = platform::OpenFileDialog(SearchPath());
    EXPECT_EQ(result.path, "/m/a b\\c \"d\".fbx");
    EXPECT_FALSE(result.noDialogProgram);
}

TEST_F(FileDialog, CancelGivesAnEmptyPathAndKdialogStandsInForZenity)
{
    Program("first", "kdialog", "echo \"$1 $2 $3\"");
    EXPECT_EQ(platform::OpenFileDialog(SearchPath()).path, "--getopenfilename . *|All Files (*.*)");
    Program("second", "zenity", "echo /m/chosen.dds; exit 1");
    EXPECT_EQ(platform::OpenFileDialog(SearchPath()).path, "") << "zenity first, cancelled";
}

TEST_F(FileDialog, WithoutEitherProgramNothingIsChosenAndThatIsSaid)
{
    const platform::FileDialogResult result = platform::OpenFileDialog(SearchPath());
    EXPECT_EQ(result.path, "");
    EXPECT_TRUE(result.noDialogProgram);
}

TEST(InterfaceFont, OnlyAFaceThatOpensIsUsed)
{
    const fs::path folder = fs::temp_directory_path() / ("vornis_font_" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::ofstream(folder / "junk.ttf") << std::string(4096, 'x');
    std::ofstream(folder / "short.ttf") << "\x00\x01\x00\x00";
    EXPECT_FALSE(platform::ReadFontFile((folder / "junk.ttf").string(), 0, 1 << 20));
    EXPECT_FALSE(platform::ReadFontFile((folder / "short.ttf").string(), 0, 1 << 20));
    EXPECT_FALSE(platform::ReadFontFile((folder / "missing.ttf").string(), 0, 1 << 20));
    fs::remove_all(folder);

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
