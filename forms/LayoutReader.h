// Reader of layout text: the nested "object Name: TClass ... end" blocks that
// windows are built from. Portable. The text may come from a language module,
// so anything malformed ends in ELayoutError, never in a crash, deep recursion
// or an allocation out of proportion to the text.
//
//   object MainForm: TMainForm          objects nest up to 64 deep
//     Left = -12                        decimal, int32 range
//     Color = $8000000F                 hex: a 32-bit pattern, up to 8 digits
//     Caption = 'it''s'#13#10'here' +   quoted runs and #0..#255 codes, joined
//       ' and more'                     directly or by '+' (also across lines)
//     Visible = False                   identifier
//     Font.Style = [fsBold, fsItalic]   set of identifiers, may be empty
//     Items.Strings = ( 'a' 'b' 3 )     list of strings, integers, identifiers
//     Picture.Data = { 0A54 4269 }      hex bytes, even digit count, <= 16 MiB
//     object Panel1: TPanel
//     end
//   end
//
// Tokens may be separated by any blanks and line breaks (\n or \r\n); only a
// quoted run must stay on one line. The keywords "object" and "end" are matched
// without regard to case; names are kept as written. A leading UTF-8 byte order
// mark is skipped; nothing but blanks may follow the final "end".
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "SysUtils.h"

namespace forms {

enum class TLayoutValueKind { Integer, String, Identifier, Set, List, Binary };

// One property value; Kind says which member holds it:
//   Integer     Integer, always within the 32-bit signed range
//   String      Text, with quotes doubled and #nnn codes resolved to bytes
//   Identifier  Text
//   Set         Items: the members in order
//   List        Items: strings resolved, integers and identifiers as written
//   Binary      Bytes
struct TLayoutValue {
    TLayoutValueKind Kind = TLayoutValueKind::Integer;
    int64_t Integer = 0;
    std::string Text;
    std::vector<std::string> Items;
    std::vector<uint8_t> Bytes;
    bool operator==(const TLayoutValue&) const = default;
};

struct TLayoutProperty {
    std::string Name; // dotted path as written: "Font.Name"
    int Line = 0;     // 1-based line of the name
    TLayoutValue Value;
    bool operator==(const TLayoutProperty&) const = default;
};

struct TLayoutObject {
    std::string Name;
    std::string ClassName;
    int Line = 0; // 1-based line of "object"
    std::vector<TLayoutProperty> Properties; // in text order
    std::vector<TLayoutObject> Children;     // in text order
    bool operator==(const TLayoutObject&) const = default;
};

constexpr int MaxLayoutDepth = 64;                   // objects, the outermost counts
constexpr size_t MaxLayoutBinary = 16 * 1024 * 1024; // bytes in one { } value

// Malformed layout text. Message is "Layout error in line <Line>: <Detail>",
// both taken from the library's (translatable) texts.
class ELayoutError : public Exception {
public:
    ELayoutError(int line, std::string detail);
    int Line;
    std::string Detail;
};

// Reads one layout: a single outermost object.
TLayoutObject ReadLayout(std::string_view text);

} // namespace forms
