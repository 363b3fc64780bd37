#include "mapper/model/settings_storage.h"

namespace {

// Appends text[0..] to out at *length; false when it does not fit with a zero.
bool Append(const char16_t* text, char16_t* out, size_t capacity, size_t* length) {
    for (; *text != u'\0'; ++text) {
        if (*length + 1 >= capacity) {
            return false;
        }
        out[(*length)++] = *text;
    }
    out[*length] = u'\0';
    return true;
}

bool IsDriveLetter(char16_t unit) {
    return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z');
}

}  // namespace

bool TemporaryPathFor(const char16_t* path, int n, char16_t* out, size_t capacity) {
    size_t nameStart = 0;
    size_t dot = 0;
    size_t length = 0;
    for (; path[length] != u'\0'; ++length) {
        if (path[length] == u'\\') {
            nameStart = length + 1;
        } else if (path[length] == u'.') {
            dot = length;
        }
    }
    const size_t stem = dot > nameStart ? dot : length;  // up to the extension's dot
    if (stem + 4 > capacity) {
        return false;
    }
    for (size_t i = 0; i < stem; ++i) {
        out[i] = path[i];
    }
    out[stem] = u'.';
    out[stem + 1] = u'~';
    out[stem + 2] = static_cast<char16_t>(u'0' + n % kTemporaryNames);
    out[stem + 3] = u'\0';
    return true;
}

bool VirtualStorePath(const char16_t* localAppData, const char16_t* folder,
                      const char16_t* fileName, char16_t* out, size_t capacity) {
    if (!IsDriveLetter(folder[0]) || folder[1] != u':') {
        return false;
    }
    const char16_t* rest = folder + 2;  // "\Games\Pamuro", or "" for a drive's root
    size_t length = 0;
    if (capacity == 0 || !Append(localAppData, out, capacity, &length) ||
        !Append(u"\\VirtualStore", out, capacity, &length) ||
        (rest[0] != u'\\' && !Append(u"\\", out, capacity, &length)) ||
        !Append(rest, out, capacity, &length)) {
        return false;
    }
    if (length > 0 && out[length - 1] != u'\\' && !Append(u"\\", out, capacity, &length)) {
        return false;
    }
    return Append(fileName, out, capacity, &length);
}
