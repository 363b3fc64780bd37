#include "mapper/ui/core/startup_shortcut.h"

#include <initializer_list>
#include <string>

namespace {

using Text = std::char_traits<char16_t>;

// `out` becomes the parts one after the other; false when they do not fit.
template <size_t Size>
bool Join(char16_t (&out)[Size], std::initializer_list<const char16_t*> parts) {
    size_t length = 0;
    for (const char16_t* part : parts) {
        const size_t partLength = Text::length(part);
        if (length + partLength >= Size) {
            return false;
        }
        Text::copy(out + length, part, partLength);
        length += partLength;
    }
    out[length] = u'\0';
    return true;
}

char16_t FoldAscii(char16_t unit) {
    return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

bool SameIgnoringCase(const char16_t* a, const char16_t* b) {
    for (; *a != u'\0' && FoldAscii(*a) == FoldAscii(*b); ++a, ++b) {
    }
    return FoldAscii(*a) == FoldAscii(*b);
}

}  // namespace

bool MakeStartupShortcut(const char16_t* startupFolder, const char16_t* programPath,
                         const char16_t* startupDirectory, StartupShortcut& shortcut) {
    const size_t folderLength = Text::length(startupFolder);
    if (folderLength == 0 || programPath[0] == u'\0' || startupDirectory[0] == u'\0') {
        return false;
    }
    const char16_t* separator = startupFolder[folderLength - 1] == u'\\' ? u"" : u"\\";
    return Join(shortcut.file, {startupFolder, separator, u"Pamuro.lnk"}) &&
           Join(shortcut.target, {programPath}) && Join(shortcut.arguments, {u"/T"}) &&
           Join(shortcut.workingFolder, {startupDirectory});
}

bool ShortcutMatches(const StartupShortcut& wanted, const char16_t* target,
                     const char16_t* arguments, const char16_t* workingFolder) {
    return SameIgnoringCase(wanted.target, target) &&
           SameIgnoringCase(wanted.arguments, arguments) &&
           SameIgnoringCase(wanted.workingFolder, workingFolder);
}
