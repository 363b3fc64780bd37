// The start-up shortcut's file and fields from the paths of a run.
#include "mapper/ui/core/startup_shortcut.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StartupShortcutTest, FieldsComeFromThePathsOfThisRun) {
    const std::u16string program = u"D:\\Games\\Pamuro\\mapper.exe";
    const std::u16string work = u"D:\\Games\\Pamuro 設定";
    struct Case {
        std::u16string folder, program, work;
        bool made;
        std::u16string file;
    };
    const std::u16string longPath(kShortcutPathSize, u'x');
    const Case cases[] = {
        {u"C:\\Startup", program, work, true, u"C:\\Startup\\Pamuro.lnk"},
        {u"C:\\", program, work, true, u"C:\\Pamuro.lnk"},
        {u"", program, work, false, u""},
        {u"C:\\Startup", u"", work, false, u""},
        {u"C:\\Startup", program, u"", false, u""},
        {u"C:\\Startup", longPath, work, false, u""},
        {longPath.substr(0, kShortcutPathSize - 11), program, work, false, u""},
    };
    for (const Case& c : cases) {
        StartupShortcut shortcut;
        ASSERT_EQ(
            MakeStartupShortcut(c.folder.c_str(), c.program.c_str(), c.work.c_str(), shortcut),
            c.made)
            << c.folder.size() << " units of folder, " << c.program.size() << " of program";
        if (c.made) {
            EXPECT_EQ(std::u16string(shortcut.file), c.file);
            EXPECT_EQ(std::u16string(shortcut.target), c.program);
            EXPECT_EQ(std::u16string(shortcut.arguments), u"/T");
            EXPECT_EQ(std::u16string(shortcut.workingFolder), c.work);
        }
    }
}

}  // namespace
