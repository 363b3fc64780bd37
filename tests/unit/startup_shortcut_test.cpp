// The start-up shortcut's file and fields from the paths of a run.
#include "mapper/ui/core/startup_shortcut.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StartupShortcutTest, FieldsComeFromThePathsOfThisRun) {
    const std::u16string program = u"D:\\Games\\mapper.exe", work = u"D:\\Pamuro 設定";
    const std::u16string tooLong(kShortcutPathSize, u'x');
    const struct {
        std::u16string folder, program, work, file;  // file empty: no shortcut
    } cases[] = {
        {u"C:\\Startup", program, work, u"C:\\Startup\\Pamuro.lnk"},
        {u"C:\\", program, work, u"C:\\Pamuro.lnk"},
        {u"", program, work, u""},
        {u"C:\\Startup", u"", work, u""},
        {u"C:\\Startup", program, u"", u""},
        {u"C:\\Startup", tooLong, work, u""},
        {tooLong.substr(0, kShortcutPathSize - 11), program, work, u""},
    };
    for (const auto& c : cases) {
        StartupShortcut made;
        ASSERT_EQ(MakeStartupShortcut(c.folder.c_str(), c.program.c_str(), c.work.c_str(), made),
                  !c.file.empty())
            << c.folder.size() << " units of folder, " << c.program.size() << " of program";
        if (!c.file.empty()) {
            EXPECT_EQ(made.file + (u"|" + std::u16string(made.target)) + u"|" + made.arguments +
                          u"|" + made.workingFolder,
                      c.file + u"|" + program + u"|/T|" + work);
        }
    }
}

// A Pamuro.lnk that starts another copy, from another folder or without "/T"
// is not this run's; case alone makes no difference, as in file names.
TEST(StartupShortcutTest, OnlyTheSameTargetArgumentsAndFolderMatch) {
    StartupShortcut wanted;
    ASSERT_TRUE(
        MakeStartupShortcut(u"C:\\Startup", u"D:\\Games\\mapper.exe", u"D:\\Pamuro 設定", wanted));
    const struct {
        const char16_t *target, *arguments, *folder;
        bool matches;
    } cases[] = {
        {u"D:\\Games\\mapper.exe", u"/T", u"D:\\Pamuro 設定", true},
        {u"d:\\games\\MAPPER.EXE", u"/t", u"d:\\pamuro 設定", true},
        {u"D:\\Old\\mapper.exe", u"/T", u"D:\\Pamuro 設定", false},
        {u"D:\\Games\\mapper.exe", u"", u"D:\\Pamuro 設定", false},
        {u"D:\\Games\\mapper.exe", u"/T", u"D:\\Pamuro", false},
        {u"D:\\Games\\mapper.exe", u"/T", u"D:\\Pamuro 設定\\Sub", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShortcutMatches(wanted, c.target, c.arguments, c.folder), c.matches)
            << "row " << (&c - cases);
    }
}

}  // namespace
