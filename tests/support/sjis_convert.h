#pragma once
// Shift-JIS test texts written readably: the native tests convert them with
// the stand-alone backends' iconv wrapper.
#include <gtest/gtest.h>

#include <string>

#include "common/standalone/posix_calls.h"

// The Shift-JIS bytes of UTF-8 text.
inline std::string Sjis(const std::string& utf8) {
    TextConverter converter("CP932", "UTF-8");
    std::string out(utf8.size() * 2 + 1, '\0');
    const size_t length = converter.Convert(utf8.data(), utf8.size(), out.data(), out.size());
    EXPECT_TRUE(length > 0 || utf8.empty()) << "no Shift-JIS form: " << utf8;
    out.resize(length);
    return out;
}

// The UTF-8 text of Shift-JIS bytes.
inline std::string SjisToUtf8(const std::string& sjis) {
    TextConverter converter("UTF-8", "CP932");
    std::string out(sjis.size() * 3 + 1, '\0');
    const size_t length = converter.Convert(sjis.data(), sjis.size(), out.data(), out.size());
    EXPECT_TRUE(length > 0 || sjis.empty()) << "not Shift-JIS";
    out.resize(length);
    return out;
}

// `text` `times` times over: a long name made of one character.
inline std::string Repeat(const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) {
        repeated += text;
    }
    return repeated;
}
