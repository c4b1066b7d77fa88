// The layout text reader: the tree a layout gives, every kind of value, and
// the error (line and message) for each kind of damaged text.
#include <gtest/gtest.h>

#include <string>

#include "forms/LayoutReader.h"

using namespace forms;

namespace {

using Kind = TLayoutValueKind;

TLayoutValue Int(int64_t v) { return {Kind::Integer, v, {}, {}, {}}; }
TLayoutValue Str(std::string s) { return {Kind::String, 0, std::move(s), {}, {}}; }
TLayoutValue Ident(std::string s) { return {Kind::Identifier, 0, std::move(s), {}, {}}; }
TLayoutValue Set(std::vector<std::string> items) { return {Kind::Set, 0, {}, std::move(items), {}}; }
TLayoutValue List(std::vector<std::string> items) { return {Kind::List, 0, {}, std::move(items), {}}; }
TLayoutValue Bin(std::vector<uint8_t> bytes) { return {Kind::Binary, 0, {}, {}, std::move(bytes)}; }

// The value of P in a one-property layout.
TLayoutValue ValueOf(const std::string& value) {
    TLayoutObject form = ReadLayout("object F: TF\n  P = " + value + "\nend\n");
    EXPECT_EQ(form.Properties.size(), 1u);
    return form.Properties.empty() ? TLayoutValue{} : form.Properties[0].Value;
}

struct ErrorCase {
    std::string text;
    int line;
    std::string detail;
};

void ExpectErrors(const std::vector<ErrorCase>& cases) {
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            ReadLayout(c.text);
            ADD_FAILURE() << "no error";
        } catch (const ELayoutError& e) {
            EXPECT_EQ(e.Line, c.line);
            EXPECT_EQ(e.Message, "Layout error in line " + std::to_string(c.line) + ": " + c.detail);
        }
    }
}

const char* const kSample =
    "object QorVarnoqForm: TQorVarnoqForm\n"
    "  Left = 0\n"
    "  Width = -642\n"
    "  Caption = 'Varnoq'#13#10'it''s here'\n"
    "  Font.Name = 'MS Sans Serif'\n"
    "  Font.Style = [fsBold, fsItalic]\n"
    "  Font.Style = []\n"
    "\n"
    "  Visible = False\n"
    "  OnCreate = FormCreate\n"
    "  Items.Strings = (\n"
    "    '1'\n"
    "    '2')\n"
    "  Picture.Data = {\n"
    "    0A544269746D61700000\n"
    "    FFEE}\n"
    "  Caption = 'a long' +\n"
    "    ' text'\n"
    "  object Panel1: TPanel\n"
    "    BevelOuter = bvLowered\n"
    "    object Inner: TBevel\n"
    "    end\n"
    "  end\n"
    "  Tag = $1F\n"
    "end\n";

TLayoutObject SampleTree() {
    TLayoutObject inner{"Inner", "TBevel", 21, {}, {}};
    TLayoutObject panel{"Panel1", "TPanel", 19, {{"BevelOuter", 20, Ident("bvLowered")}}, {inner}};
    return {"QorVarnoqForm",
            "TQorVarnoqForm",
            1,
            {{"Left", 2, Int(0)},
             {"Width", 3, Int(-642)},
             {"Caption", 4, Str("Varnoq\r\nit's here")},
             {"Font.Name", 5, Str("MS Sans Serif")},
             {"Font.Style", 6, Set({"fsBold", "fsItalic"})},
             {"Font.Style", 7, Set({})},
             {"Visible", 9, Ident("False")},
             {"OnCreate", 10, Ident("FormCreate")},
             {"Items.Strings", 11, List({"1", "2"})},
             {"Picture.Data", 14, Bin({0x0A, 0x54, 0x42, 0x69, 0x74, 0x6D, 0x61, 0x70, 0x00, 0x00, 0xFF, 0xEE})},
             {"Caption", 17, Str("a long text")},
             {"Tag", 24, Int(31)}},
            {panel}};
}

std::string Nested(int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "object O" + std::to_string(i) + ": TPanel\n";
    for (int i = 0; i < depth; ++i) text += "end\n";
    return text;
}

} // namespace

TEST(LayoutReader, SampleGivesExactTreeWithAnyLineEnding) {
    EXPECT_EQ(ReadLayout(kSample), SampleTree());

    std::string crlf;
    for (const char* p = kSample; *p; ++p) crlf += *p == '\n' ? std::string("\r\n") : std::string(1, *p);
    EXPECT_EQ(ReadLayout(crlf), SampleTree());

    // Free-form spacing, keywords in any case, a byte order mark.
    TLayoutObject tight = ReadLayout("\xEF\xBB\xBF\tOBJECT A:TA Left=1 Top=2 Object B : TB End END\n\n");
    EXPECT_EQ(tight, (TLayoutObject{"A", "TA", 1, {{"Left", 1, Int(1)}, {"Top", 1, Int(2)}},
                                    {{"B", "TB", 1, {}, {}}}}));
}

TEST(LayoutReaderValues, Integers) {
    EXPECT_EQ(ValueOf("2147483647"), Int(2147483647));
    EXPECT_EQ(ValueOf("-2147483648"), Int(-2147483648LL));
    EXPECT_EQ(ValueOf("007"), Int(7));
    EXPECT_EQ(ValueOf("$7fffffff"), Int(2147483647));
    EXPECT_EQ(ValueOf("$8000000F"), Int(-2147483633)); // a system colour
    EXPECT_EQ(ValueOf("$00000000FFFFFFFF"), Int(-1)); // leading zeros are not significant
}

TEST(LayoutReaderValues, Strings) {
    EXPECT_EQ(ValueOf("''"), Str(""));
    EXPECT_EQ(ValueOf("''''"), Str("'"));
    EXPECT_EQ(ValueOf("#39'a'''#0#255"), Str(std::string("'a'\0\xFF", 5)));
    EXPECT_EQ(ValueOf("'x' + 'y'+#65"), Str("xyA"));
    EXPECT_EQ(ValueOf("'one' +\r\n\r\n   'two' +\n#10"), Str("onetwo\n"));
    EXPECT_EQ(ValueOf("'tab\there \xC3\xA9'"), Str("tab\there \xC3\xA9")); // bytes pass as written
}

TEST(LayoutReaderValues, IdentifiersSetsListsAndBinary) {
    EXPECT_EQ(ValueOf("clBtnFace"), Ident("clBtnFace"));
    EXPECT_EQ(ValueOf("[ ]"), Set({}));
    EXPECT_EQ(ValueOf("[\n  akLeft ,\n  akTop\n]"), Set({"akLeft", "akTop"}));
    EXPECT_EQ(ValueOf("()"), List({}));
    EXPECT_EQ(ValueOf("('a''b' 'long' +\n 'er' -5 $1F True\n #65)"), List({"a'b", "longer", "-5", "$1F", "True", "A"}));
    EXPECT_EQ(ValueOf("{}"), Bin({}));
    EXPECT_EQ(ValueOf("{ a\r\n b 0\t0 }"), Bin({0xAB, 0x00}));
}

TEST(LayoutReaderErrors, Structure) {
    ExpectErrors({
        {"", 1, "'object' expected"},
        {"\n  \r\n\n", 3, "'object' expected"}, // a final line break opens no line
        {"\n\n  Left = 1", 3, "'object' expected"},
        {"object : TA\nend", 1, "Identifier expected"},
        {"object A TA\nend", 1, "':' expected"},
        {"object A:\n\n= 1", 3, "Identifier expected"},
        {"object A: T.A\nend", 1, "'end' expected"},
        {"object A: TA\n  Left = 1\n", 2, "'end' expected"},           // missing end
        {"object A: TA\n  object B: TB\n  end\n", 3, "'end' expected"},
        {"object A: TA\n  Left 1\nend", 2, "'=' expected"},
        {"object A: TA\n  = 1\nend", 2, "'end' expected"},
        {"object A: TA\nend\nend", 3, "End of text expected"},         // trailing garbage
        {"object A: TA\nend\nobject B: TB\nend", 3, "End of text expected"},
        {"object A: TA\n  S = [a,\n b,]\nend", 3, "Identifier expected"},
        {"object A: TA\n  S = [a b]\nend", 2, "']' expected"},
        {"object A: TA\n  S = [a\n", 2, "']' expected"},
        {"object A: TA\n  L = ('a'\n  [b])\nend", 3, "')' expected"},
        {"object A: TA\n  L = ('a'\n", 2, "')' expected"},
        {"object A: TA\n  B = { 00 11\n", 2, "'}' expected"},
        {"object A: TA\n  C = 'a' +\nend", 3, "String expected"},
        {"object A: TA\n  C = 'abc\nend", 2, "\"'\" expected"},        // unterminated string
        {"object A: TA\n  C = 'a'#13'b\rc'\nend", 2, "\"'\" expected"}, // a quote never spans a line break
    });
}

TEST(LayoutReaderErrors, BadValuesNameTheProperty) {
    ExpectErrors({
        {"object A: TA\n  Width = 2147483648\nend", 2, "Invalid value for property Width"},
        {"object A: TA\n  Width = -2147483649\nend", 2, "Invalid value for property Width"},
        {"object A: TA\n  W = 99999999999999999999999999\nend", 2, "Invalid value for property W"},
        {"object A: TA\n  Color = $100000000\nend", 2, "Invalid value for property Color"},
        {"object A: TA\n  W = - 1\nend", 2, "Invalid value for property W"},
        {"object A: TA\n  W = 1.5\nend", 2, "Invalid value for property W"},
        {"object A: TA\n  W = 12px\nend", 2, "Invalid value for property W"},
        {"object A: TA\n  Font.Name = #256\nend", 2, "Invalid value for property Font.Name"},
        {"object A: TA\n  C = 'a'#\nend", 2, "Invalid value for property C"},
        {"object A: TA\n  V = a.b\nend", 2, "Invalid value for property V"},
        {"object A: TA\n  V =\n\n  =\nend", 4, "Invalid value for property V"},
        {"object A: TA\n  L = (1 2147483648)\nend", 2, "Invalid value for property L"},
        {"object A: TA\n  P.Data = {\n 0A 0\n}\nend", 4, "Invalid value for property P.Data"}, // odd digits
        {"object A: TA\n  P.Data = {\n 0A\n 0G }\nend", 4, "Invalid value for property P.Data"},
    });
}

TEST(LayoutReaderLimits, NestingDepth) {
    EXPECT_NO_THROW(ReadLayout(Nested(MaxLayoutDepth)));
    ExpectErrors({{Nested(MaxLayoutDepth + 1), MaxLayoutDepth + 1, "Nesting depth is too large"}});
    // Far deeper than any stack would allow, and never closed.
    std::string deep;
    for (int i = 0; i < 200000; ++i) deep += "object O: T ";
    ExpectErrors({{deep, 1, "Nesting depth is too large"}});
}

TEST(LayoutReaderLimits, BinarySize) {
    std::string digits(2 * MaxLayoutBinary, 'A');
    TLayoutObject ok = ReadLayout("object A: TA\n  P.Data = {" + digits + "}\nend");
    EXPECT_EQ(ok.Properties.at(0).Value.Bytes.size(), MaxLayoutBinary);
    EXPECT_EQ(ok.Properties.at(0).Value.Bytes.back(), 0xAA);
    ExpectErrors({{"object A: TA\n  P.Data = {\n" + digits + "\nBB}\nend", 4, "P.Data is too large"}});
}

TEST(LayoutReaderErrors, MessageUsesInstalledTexts) {
    SetFormTextLookup([](int id) -> std::string {
        if (id == stLayoutError) return "Zeile %s: %s";
        if (id == stLayoutSyntax) return "%s erwartet";
        return {};
    });
    try {
        ReadLayout("object A: TA\n");
        ADD_FAILURE() << "no error";
    } catch (const ELayoutError& e) {
        EXPECT_EQ(e.Message, "Zeile 1: 'end' erwartet");
    }
    SetFormTextLookup(nullptr);
}
