#include "mapper/model/ini_profile.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Knows two characters: あ (U+3042, 82 A0) and ソ (U+30BD, 83 5C).
class TwoCharacterCodePage : public AnsiCodePage {
  public:
    int ToAnsi(char16_t unit, char out[2]) override {
        for (const auto& known : kKnown) {
            if (known.unit == unit) {
                out[0] = known.ansi[0];
                out[1] = known.ansi[1];
                return 2;
            }
        }
        return 0;
    }
    char16_t ToWide(const char* bytes, int count) override {
        for (const auto& known : kKnown) {
            if (count == 2 && bytes[0] == known.ansi[0] && bytes[1] == known.ansi[1]) {
                return known.unit;
            }
        }
        return 0;
    }

  private:
    struct Known {
        char16_t unit;
        char ansi[2];
    };
    static constexpr Known kKnown[] = {{u'\u3042', {'\x82', '\xa0'}},
                                       {u'\u30bd', {'\x83', '\x5c'}}};
};

std::unique_ptr<IniProfile> ProfileOf(const std::string& bytes) {
    auto profile = std::make_unique<IniProfile>();
    TwoCharacterCodePage codePage;
    profile->Load(bytes.data(), bytes.size(), codePage);
    return profile;
}

// One write, as one WritePrivateProfileStringA call.
bool WriteOne(IniProfile& profile, const char* section, const char* key, const char* value) {
    const ProfileWrite write{section, key, value};
    return profile.WriteEntries(&write, 1);
}

std::string TextOf(const IniProfile& profile) {
    return std::string(profile.Text(), profile.Length());
}

std::string Read(const IniProfile& profile, const char* section, const char* key,
                 const char* fallback = "DEFAULT", uint32_t size = 256) {
    std::vector<char> out(size + 1, '#');
    const uint32_t count = profile.GetString(section, key, fallback, out.data(), size);
    EXPECT_EQ(count, std::string(out.data()).size()) << section << "/" << key;
    return out.data();
}

// One file with every reading rule in it, checked against a table.
const std::string kReaderInput = std::string() +
                                 "early=before any section\r\n"
                                 "  [ Alpha ]  \r\n"
                                 "plain=value\r\n"
                                 "  spaced  =  padded value  \r\n"
                                 "\tTabbed\v=\t tabbed \v\r\n"
                                 "dq=\"  quoted  \"\r\n"
                                 "sq='single'\r\n"
                                 "mismatched=\"open'\r\n"
                                 "lonequote=\"\r\n"
                                 "semi=;x\r\n"
                                 ";comment=hidden\r\n"
                                 "  ;indented=hidden\r\n"
                                 "#hash=visible\r\n"
                                 "dup=first\r\n"
                                 "DUP=second\r\n"
                                 "empty=\r\n"
                                 "noequals\r\n"
                                 "eq=a=b\r\n"
                                 "\x83\x41x=katakana a\r\n"
                                 "sjis=\x83\x5c\x95\x5c|\x83\x7c\r\n"
                                 "\r\n"
                                 "[alpha]\r\n"
                                 "later=in the second copy\r\n"
                                 "[]\r\n"
                                 "nameless=yes\r\n"
                                 "[Unclosed\r\n"
                                 "u=1\r\n"
                                 "[Trailing] junk\r\n"
                                 "t=2\r\n"
                                 "[\x83\x5d]\r\n"  // ゾ: its second byte is ']'
                                 "zo=3\r\n"
                                 "[LF]\n"
                                 "lf=4\n"
                                 "[CR]\r"
                                 "cr=5\r"
                                 "cr2=6\r"
                                 "[Ints]\r\n"
                                 "one=1\r\n"
                                 "plus=+1\r\n"
                                 "minus=-1\r\n"
                                 "stop=42A94967297\r\n"
                                 "nonnumber=B4294967297\r\n"
                                 "wrap=4294967296\r\n"
                                 "wrap1=4294967297\r\n"
                                 "negwrap=-4294967297\r\n"
                                 "hex=0x10\r\n"
                                 "quoted=\"7\"\r\n"
                                 "empty=\r\n"
                                 "blank=  \r\n"
                                 "[Last]\r\n"
                                 "final=no line end";

TEST(IniProfileReader, FollowsTheWindowsRules) {
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"Alpha", "plain", "value"},
        {"ALPHA", "PLAIN", "value"},
        {"  Alpha ", " plain  ", "value"},
        {"\tAlpha", "plain", "DEFAULT"},  // only spaces of the arguments are ignored
        {"Alpha", "spaced", "padded value"},
        {"Alpha", "Tabbed", "tabbed"},
        {"Alpha", "dq", "  quoted  "},
        {"Alpha", "sq", "single"},
        {"Alpha", "mismatched", "\"open'"},
        {"Alpha", "lonequote", "\""},
        {"Alpha", "semi", ";x"},
        {"Alpha", ";comment", "DEFAULT"},
        {"Alpha", "comment", "DEFAULT"},
        {"Alpha", ";indented", "DEFAULT"},
        {"Alpha", "#hash", "visible"},
        {"Alpha", "dup", "first"},
        {"Alpha", "empty", ""},
        {"Alpha", "noequals", "DEFAULT"},  // a key without a value reads as missing
        {"Alpha", "eq", "a=b"},
        {"Alpha", "\x83\x41x", "katakana a"},
        {"Alpha", "\x83\x61x", "DEFAULT"},  // ヂ: differs from ア only in the ASCII case of byte 2
        {"Alpha", "sjis", "\x83\x5c\x95\x5c|\x83\x7c"},
        {"Alpha", "later", "DEFAULT"},  // only the first copy of a section is searched
        {"Alpha", "early", "DEFAULT"},
        {"", "early", "DEFAULT"},
        {"", "nameless", "yes"},
        {"Unclosed", "u", "1"},
        {"Trailing", "t", "2"},
        {"\x83\x5d", "zo", "3"},
        {"LF", "lf", "4"},
        {"CR", "cr", "5"},
        {"CR", "cr2", "6"},
        {"Last", "final", "no line end"},
        {"Nowhere", "plain", "DEFAULT"},
        {"Alpha", "nothing", "DEFAULT"},
    };
    const auto profile = ProfileOf(kReaderInput);
    for (const Case& c : cases) {
        EXPECT_EQ(Read(*profile, c.section, c.key), c.expected)
            << "[" << c.section << "] " << c.key;
    }
}

TEST(IniProfileReader, IntegersLikeGetPrivateProfileInt) {
    struct Case {
        const char* key;
        int32_t expected;
    };
    const Case cases[] = {
        {"one", 1},
        {"plus", 1},
        {"minus", -1},
        {"stop", 42},
        {"nonnumber", 0},
        {"wrap", 0},
        {"wrap1", 1},
        {"negwrap", -1},
        {"hex", 0},  // decimal only: "0x10" stops
                     // at the x
        {"quoted", 7},
        {"empty", 0},  // present but not a number: 0, not the default
        {"blank", 0},
        {"missing", 99},
    };
    const auto profile = ProfileOf(kReaderInput);
    for (const Case& c : cases) {
        EXPECT_EQ(profile->GetInt("Ints", c.key, 99), c.expected) << c.key;
    }
    EXPECT_EQ(profile->GetInt("NoSuchSection", "one", -7), -7);
}

TEST(IniProfileReader, CutsToTheBufferWithoutSplittingACharacter) {
    const std::string ascii(300, 'a');
    const std::string straddling = std::string(254, 'b') + "\x82\xa0" + "tail";
    const auto profile = ProfileOf("[S]\r\nascii=" + ascii + "\r\nsjis=" + straddling + "\r\n");
    EXPECT_EQ(Read(*profile, "S", "ascii"), ascii.substr(0, 255));
    EXPECT_EQ(Read(*profile, "S", "ascii", "", 4), "aaa");
    EXPECT_EQ(Read(*profile, "S", "sjis"), straddling.substr(0, 254));
    EXPECT_EQ(Read(*profile, "S", "sjis", "", 257), straddling.substr(0, 256));
    EXPECT_EQ(Read(*profile, "S", "missing", "fallback   "), "fallback");
    EXPECT_EQ(Read(*profile, "S", "missing", "  fallback", 5), "  fa");
    EXPECT_EQ(Read(*profile, "S", "missing", nullptr), "");
    char untouched = 'x';
    EXPECT_EQ(profile->GetString("S", "ascii", "", &untouched, 0), 0u);
    EXPECT_EQ(untouched, 'x');
}

TEST(IniProfileReader, Utf8MarkSticksToTheFirstLine) {
    const auto profile = ProfileOf("\xEF\xBB\xBF[S]\r\nk=1\r\n[T]\r\nk=2\r\n");
    EXPECT_EQ(profile->GetInt("S", "k", -1), -1);
    EXPECT_EQ(profile->GetInt("T", "k", -1), 2);
}

struct Write {
    const char* section;
    const char* key;
    const char* value;
};

struct WriterCase {
    const char* name;
    std::string before;
    std::vector<Write> writes;
    std::string after;
};

TEST(IniProfileWriter, LeavesWhatWritePrivateProfileStringWould) {
    const WriterCase cases[] = {
        {"new file", "", {{"S", "k", "v"}}, "[S]\r\nk=v\r\n"},
        {"new section after a final line without break",
         "[A]\r\na=1",
         {{"B", "b", "2"}},
         "[A]\r\na=1\r\n[B]\r\nb=2\r\n"},
        {"new key above trailing comments and blank lines",
         "[A]\r\na=1\r\n;note\r\n\r\n[B]\r\n",
         {{"A", "b", "2"}},
         "[A]\r\na=1\r\nb=2\r\n;note\r\n\r\n[B]\r\n"},
        {"new key in a section of comments only goes under the header",
         "[A]\r\n;note\r\n",
         {{"A", "b", "2"}},
         "[A]\r\nb=2\r\n;note\r\n"},
        {"existing key keeps its spelling, its line becomes CRLF",
         "[A]\n  Key = old \nz=1\n",
         {{"a", "KEY", "new"}},
         "[A]\nKey=new\r\nz=1\n"},
        {"long indentation before a rewritten key",
         "[A]\r\n                          k=a long old value\r\n",
         {{"A", "k", "n"}},
         "[A]\r\nk=n\r\n"},
        {"header without line end", "[A]", {{"A", "k", "v"}}, "[A]\r\nk=v\r\n"},
        {"last key without line end", "[A]\r\na=1", {{"A", "b", "2"}}, "[A]\r\na=1\r\nb=2\r\n"},
        {"rewritten last key without line end", "[A]\r\na=1", {{"A", "a", "2"}}, "[A]\r\na=2\r\n"},
        {"first of duplicate keys",
         "[A]\r\nk=1\r\nk=2\r\n",
         {{"A", "k", "3"}},
         "[A]\r\nk=3\r\nk=2\r\n"},
        {"first copy of a section",
         "[A]\r\nx=1\r\n[B]\r\n[A]\r\ny=1\r\n",
         {{"A", "y", "2"}},
         "[A]\r\nx=1\r\ny=2\r\n[B]\r\n[A]\r\ny=1\r\n"},
        {"bytes before the first section stay; names lose their spaces",
         "junk\r\nk=1\r\n",
         {{" S ", " k ", " v "}},
         "junk\r\nk=1\r\n[S]\r\nk= v \r\n"},
        {"existing section keeps its case, a new key takes the given one",
         "[sect]\r\n",
         {{"SECT", "Key", "v"}},
         "[sect]\r\nKey=v\r\n"},
        {"CR-only lines stay CR",
         "[A]\ra=1\r[B]\rb=1\r",
         {{"A", "c", "3"}, {"B", "b", "2"}},
         "[A]\ra=1\rc=3\r\n[B]\rb=2\r\n"},
        {"key line without '=' is a key",
         "[A]\r\nflag\r\n",
         {{"A", "flag", "1"}, {"A", "other", "2"}},
         "[A]\r\nflag=1\r\nother=2\r\n"},
        {"Shift-JIS names with 5C and 7C bytes",
         "",
         {{"N", "n1", "\x83\x5c"},
          {"N", "n2", "\x95\x5c\x83\x7c"},
          {"N", "n1", "\x83\x5c\x83\x5c"}},
         "[N]\r\nn1=\x83\x5c\x83\x5c\r\nn2=\x95\x5c\x83\x7c\r\n"},
        {"section whose name holds ]",
         "[\x83\x5d]\r\nzo=1\r\n",
         {{"\x83\x5d", "zo", "2"}},
         "[\x83\x5d]\r\nzo=2\r\n"},
        // Later writes see what earlier ones did.
        {"the same key twice, in another case: first spelling, last value",
         "[A]\r\n",
         {{"A", "new", "1"}, {"a", "NEW", "2"}, {"A", "k", "3"}},
         "[A]\r\nnew=2\r\nk=3\r\n"},
        {"keys of a new section written between others",
         "[A]\r\na=1",
         {{"N", "x", "1"}, {"A", "b", "2"}, {"n", "y", "3"}, {"M", "z", "4"}, {"A", "a", "5"}},
         "[A]\r\na=5\r\nb=2\r\n[N]\r\nx=1\r\ny=3\r\n[M]\r\nz=4\r\n"},
        {"a key of a later copy of a section is not the section's",
         "[A]\r\nx=1\r\n[B]\r\n[A]\r\nk=old\r\n",
         {{"A", "k", "new"}, {"A", "x", "2"}},
         "[A]\r\nx=2\r\nk=new\r\n[B]\r\n[A]\r\nk=old\r\n"},
        {"a duplicate key still moves where new keys go",
         "[A]\r\nk=1\r\n;c\r\nk=2\r\n;d\r\n",
         {{"A", "n", "3"}, {"A", "k", "4"}},
         "[A]\r\nk=4\r\n;c\r\nk=2\r\nn=3\r\n;d\r\n"},
        {"new keys in several sections, written out of file order",
         "[A]\r\na=1\r\n[B]\r\nb=1\r\n",
         {{"B", "b2", "2"}, {"A", "a2", "2"}, {"B", "b", "3"}, {"A", "a3", "3"}},
         "[A]\r\na=1\r\na2=2\r\na3=3\r\n[B]\r\nb=3\r\nb2=2\r\n"},
    };
    for (const WriterCase& c : cases) {
        auto profile = ProfileOf(c.before);
        for (const Write& w : c.writes) {
            ASSERT_TRUE(WriteOne(*profile, w.section, w.key, w.value)) << c.name;
        }
        EXPECT_EQ(TextOf(*profile), c.after) << c.name;

        // The same writes as one batch leave the same text.
        auto batched = ProfileOf(c.before);
        std::vector<ProfileWrite> writes;
        for (const Write& w : c.writes) {
            writes.push_back({w.section, w.key, w.value});
        }
        ASSERT_TRUE(batched->WriteEntries(writes.data(), writes.size())) << c.name;
        EXPECT_EQ(TextOf(*batched), c.after) << c.name << " (one batch)";
    }
}

TEST(IniProfileWriter, AFullProfileRefusesTheWriteAndKeepsItsText) {
    auto profile = ProfileOf("[S]\r\nk=old\r\n");
    const std::string huge(kProfileTextCapacity, 'x');
    EXPECT_FALSE(WriteOne(*profile, "S", "k", huge.c_str()));
    EXPECT_FALSE(WriteOne(*profile, "S", "new", huge.c_str()));
    EXPECT_FALSE(WriteOne(*profile, "T", "new", huge.c_str()));
    EXPECT_EQ(TextOf(*profile), "[S]\r\nk=old\r\n");
}

TEST(IniProfileWriter, ABatchHoldsUpToItsLimitOfWrites) {
    std::vector<std::string> sections;
    for (size_t i = 0; i <= kMaxProfileWrites; ++i) {
        sections.push_back("S" + std::to_string(i));
    }
    std::vector<ProfileWrite> writes;
    for (const std::string& section : sections) {
        writes.push_back({section.c_str(), "k", "v"});
    }
    auto profile = ProfileOf("[S0]\r\nk=old\r\n");
    EXPECT_FALSE(profile->WriteEntries(writes.data(), writes.size()));
    EXPECT_EQ(TextOf(*profile), "[S0]\r\nk=old\r\n");
    ASSERT_TRUE(profile->WriteEntries(writes.data(), kMaxProfileWrites));
    EXPECT_EQ(Read(*profile, "S0", "k"), "v");
    EXPECT_EQ(Read(*profile, sections[kMaxProfileWrites - 1].c_str(), "k"), "v");
    EXPECT_EQ(Read(*profile, sections[kMaxProfileWrites].c_str(), "k"), "DEFAULT");
}

std::string Utf16(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::string Encoded(const IniProfile& profile) {
    TwoCharacterCodePage codePage;
    std::vector<char> out(kProfileFileCapacity);
    size_t size = 0;
    EXPECT_EQ(profile.Encode(out.data(), out.size(), codePage, &size), EncodeResult::Encoded);
    return std::string(out.data(), size);
}

TEST(IniProfileUtf16, ReadsAsShiftJisAndWritesBackAsUtf16) {
    auto profile = ProfileOf(Utf16(u";\u3042\r\n[S]\r\nk=\u30bd\u3042\r\n"));
    EXPECT_TRUE(profile->Lossless());
    EXPECT_EQ(Read(*profile, "S", "k"), "\x83\x5c\x82\xa0");
    ASSERT_TRUE(WriteOne(*profile, "S", "n", "\x82\xa0!"));
    EXPECT_EQ(Encoded(*profile), Utf16(u";\u3042\r\n[S]\r\nk=\u30bd\u3042\r\nn=\u3042!\r\n"));
}

TEST(IniProfileUtf16, CharactersWithoutShiftJisFormMakeItLossy) {
    const struct {
        const char* name;
        std::string bytes;
        bool lossless;
    } cases[] = {
        {"known characters", Utf16(u"[S]\r\nk=\u3042\r\n"), true},
        {"mark only", Utf16(u""), true},
        {"unknown character", Utf16(u"[S]\r\nk=\u4e00\r\n"), false},
        {"odd final byte", Utf16(u"[S]\r\n") + "x", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProfileOf(c.bytes)->Lossless(), c.lossless) << c.name;
    }
    EXPECT_EQ(Read(*ProfileOf(Utf16(u"[S]\r\nk=a\u4e00b\r\n")), "S", "k"), "a?b");
}

TEST(IniProfileUtf16, EncodeTellsWhyItFails) {
    const struct {
        const char* name;
        std::string file;
        const char* value;
        size_t capacity;
        EncodeResult expected;
        size_t size;
    } cases[] = {
        {"no UTF-16 form", Utf16(u"[S]\r\n"), "\x88\xea", 100, EncodeResult::Unconvertible, 0},
        {"UTF-16 just fits", Utf16(u"[S]\r\n"), "\x82\xa0", 22, EncodeResult::Encoded, 22},
        {"UTF-16 one unit too long", Utf16(u"[S]\r\n"), "\x82\xa0", 21, EncodeResult::TooLarge, 0},
        {"ANSI just fits", "[S]\r\n", "v", 10, EncodeResult::Encoded, 10},
        {"ANSI one byte too long", "[S]\r\n", "v", 9, EncodeResult::TooLarge, 0},
    };
    for (const auto& c : cases) {
        auto profile = ProfileOf(c.file);
        ASSERT_TRUE(WriteOne(*profile, "S", "k", c.value));  // 一 is unknown to the fake
        TwoCharacterCodePage codePage;
        std::vector<char> out(c.capacity);
        size_t size = 0;
        EXPECT_EQ(profile->Encode(out.data(), out.size(), codePage, &size), c.expected) << c.name;
        if (c.expected == EncodeResult::Encoded) {
            EXPECT_EQ(size, c.size) << c.name;
        }
    }
}

// The index stays right for a file full of sections, and for the first copy
// of each of them only.
TEST(IniProfileIndex, AFileFullOfSections) {
    std::string file;
    for (int i = 0; i < 30000; ++i) {
        file += "[S" + std::to_string(i) + "]\nk=" + std::to_string(i) + "\n";
    }
    file += "[S7]\nk=later copy\nonly=later copy\n[]\n";
    auto profile = ProfileOf(file);
    for (int i : {0, 1, 7, 12345, 29999}) {
        EXPECT_EQ(profile->GetInt(("S" + std::to_string(i)).c_str(), "k", -1), i);
    }
    EXPECT_EQ(profile->GetInt("S7", "only", -1), -1);
    EXPECT_EQ(profile->GetInt("S30000", "k", -1), -1);
    ASSERT_TRUE(WriteOne(*profile, "s29999", "K", "x"));
    ASSERT_TRUE(WriteOne(*profile, "S7", "only", "y"));
    EXPECT_EQ(TextOf(*profile).substr(0, 16), "[S0]\nk=0\n[S1]\nk=");
    EXPECT_NE(TextOf(*profile).find("[S7]\nk=7\nonly=y\r\n[S8]"), std::string::npos);
    EXPECT_NE(TextOf(*profile).find("[S29999]\nk=x\r\n[S7]\nk=later"), std::string::npos);
    EXPECT_EQ(Read(*profile, "S29999", "k"), "x");
}

}  // namespace
