// What the desktop reads from the tree: the menu entry, the FBX type, the thumbnailer and
// the manual pages, checked with the desktop's own tools and run as a file manager would.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "CommandLine.h"
#include "InstallTestSupport.h"
#include "SnapOptions.h"

namespace install_test {
namespace {

const fs::path kDesktopEntry = "share/applications/vornis.desktop";
const fs::path kMimeTypes = "share/mime/packages/vornis.xml";
const fs::path kThumbnailer = "share/thumbnailers/vornis.thumbnailer";

// The value of `key=` in a desktop-entry style file's first group.
std::string EntryValue(const fs::path& file, const std::string& key)
{
    std::smatch match;
    const std::string text = ReadText(file);
    if (!std::regex_search(text, match, std::regex("(^|\n)" + key + "=([^\n]*)")))
        return {};
    return match[2];
}

// The menu entry validates and opens the FBX type, which the thumbnailer takes too; the
// type's file is well formed and the database the desktop builds from it knows the type's
// glob and magic.
TEST(DesktopFiles, TheEntryAndTheThumbnailerTakeTheFbxTypeWhichRegistersItsGlobAndMagic)
{
    const CommandResult validate =
        RunShell("desktop-file-validate " + Quote(Tree() / kDesktopEntry));
    EXPECT_EQ(validate.exitCode, 0);
    EXPECT_EQ(validate.output, "");
    EXPECT_EQ(EntryValue(Tree() / kDesktopEntry, "Exec"), "vornis %f");
    EXPECT_EQ(EntryValue(Tree() / kDesktopEntry, "MimeType"), "application/vnd.fbx;");
    EXPECT_EQ(EntryValue(Tree() / kThumbnailer, "MimeType"), "application/vnd.fbx;");

    const CommandResult lint = RunShell("xmllint --noout " + Quote(Tree() / kMimeTypes));
    EXPECT_EQ(lint.exitCode, 0) << lint.output;
    ScratchDirectory data;
    data.Write("mime/packages/vornis.xml", ReadText(Tree() / kMimeTypes));
    const CommandResult update = RunShell("update-mime-database " + Quote(data.path / "mime"));
    ASSERT_EQ(update.exitCode, 0) << update.output;
    EXPECT_NE(ReadText(data.path / "mime/globs2").find("application/vnd.fbx:*.fbx"),
              std::string::npos);
    EXPECT_NE(ReadText(data.path / "mime/magic").find("Kaydara FBX Binary"), std::string::npos);
}

TEST(DesktopFiles, TheThumbnailerWritesAPictureOfTheRequestedSize)
{
    const std::string program = EntryValue(Tree() / kThumbnailer, "TryExec");
    EXPECT_TRUE(fs::is_regular_file(Tree() / "bin" / program)) << program;

    // Substituted as a file manager does: one argument each, whatever the names hold.
    ScratchDirectory work;
    const fs::path output = work.path / "thumb nail.png";
    const std::map<std::string, std::string> values = {
        {"%s", "128"}, {"%i", (Tree() / "share/vornis/demo/spheres.fbx").string()}, {"%o", output}};
    std::string command;
    std::istringstream words(EntryValue(Tree() / kThumbnailer, "Exec"));
    for (std::string word; words >> word;)
        command += Quote(values.count(word) ? values.at(word) : word) + " ";
    for (const auto& [code, value] : values)
        ASSERT_NE(command.find(Quote(value)), std::string::npos) << command << " lacks " << code;
    const CommandResult run = RunInTree(work.path, command);
    ASSERT_EQ(run.exitCode, 0) << command << "\n" << run.output;
    const std::optional<Picture> thumbnail = ReadPicture(output);
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(thumbnail->width, 128);
    EXPECT_EQ(thumbnail->height, 128);
    // The model in the middle, nothing in the corners.
    EXPECT_EQ(thumbnail->At(64, 64)[3], 255);
    EXPECT_EQ(thumbnail->At(0, 0)[3], 0);
    EXPECT_EQ(thumbnail->At(127, 127)[3], 0);
}

// Options (--name) and environment variables (VORNIS_NAME) a usage text mentions.
std::set<std::string> NamesIn(const std::string& usage)
{
    std::set<std::string> names;
    const std::regex name(R"(--[a-z][a-z-]*|VORNIS_[A-Z_]+)");
    for (auto it = std::sregex_iterator(usage.begin(), usage.end(), name);
         it != std::sregex_iterator(); ++it)
        names.insert(it->str());
    return names;
}

TEST(DesktopFiles, TheManualPagesRenderCleanlyAndNameEveryOption)
{
    const std::pair<const char*, std::string> pages[] = {{"vornis", host::UsageText("vornis")},
                                                         {"vornis-snap", kSnapUsage}};
    for (const auto& [page, usage] : pages) {
        const std::string source =
            "gzip -dc " + Quote(Tree() / "share/man/man1" / (std::string(page) + ".1.gz"));
        const CommandResult warnings = RunShell(source + " | groff -man -Tutf8 -ww -z");
        EXPECT_EQ(warnings.exitCode, 0);
        EXPECT_EQ(warnings.output, "") << page;
        const CommandResult text = RunShell(source + " | groff -man -Tascii -P-cbou");
        ASSERT_EQ(text.exitCode, 0) << text.output;
        for (const std::string& name : NamesIn(usage))
            EXPECT_NE(text.output.find(name), std::string::npos) << page << " lacks " << name;
        EXPECT_NE(text.output.find("VORNIS_SHADER_CACHE"), std::string::npos) << page;
    }
}

}  // namespace
}  // namespace install_test
