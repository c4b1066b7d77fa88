// Feeds arbitrary bytes to the layout reader. Whatever it accepts must keep the
// tree's promises (depth, integer range, binary size, identifier names) and
// must read back to the same tree once written out again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "forms/LayoutReader.h"

namespace {

using forms::TLayoutObject;
using forms::TLayoutValue;
using forms::TLayoutValueKind;

void Check(bool condition) {
    if (!condition) std::abort();
}

bool IsIdentifier(std::string_view s, bool dotted) {
    if (s.empty()) return false;
    bool start = true;
    for (char c : s) {
        bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        bool digit = c >= '0' && c <= '9';
        if (c == '.' && dotted && !start) {
            start = true;
            continue;
        }
        if (!(letter || (digit && !start))) return false;
        start = false;
    }
    return !start;
}

void Walk(const TLayoutObject& object, int depth, int minLine) {
    Check(depth <= forms::MaxLayoutDepth);
    Check(object.Line >= minLine);
    Check(IsIdentifier(object.Name, false) && IsIdentifier(object.ClassName, false));
    int line = object.Line;
    for (const auto& p : object.Properties) {
        Check(p.Line >= line);
        line = p.Line;
        Check(IsIdentifier(p.Name, true));
        const TLayoutValue& v = p.Value;
        switch (v.Kind) {
        case TLayoutValueKind::Integer: Check(v.Integer >= INT32_MIN && v.Integer <= INT32_MAX); break;
        case TLayoutValueKind::Identifier: Check(IsIdentifier(v.Text, false)); break;
        case TLayoutValueKind::Set:
            for (const auto& m : v.Items) Check(IsIdentifier(m, false));
            break;
        case TLayoutValueKind::Binary: Check(v.Bytes.size() <= forms::MaxLayoutBinary); break;
        case TLayoutValueKind::String:
        case TLayoutValueKind::List: break;
        }
    }
    for (const auto& child : object.Children) Walk(child, depth + 1, object.Line);
}

// Runs of printable bytes go between quotes, other bytes become #nnn codes; pieces
// are joined alternately side by side and by '+' across a line break.
void WriteString(std::string& out, const std::string& s) {
    if (s.empty()) out += "''";
    size_t pieces = 0;
    bool quoted = false;
    for (unsigned char c : s) {
        bool printable = c >= 32;
        if (quoted && printable) {
            if (c == '\'') out += '\'';
            out += char(c);
            continue;
        }
        if (quoted) out += '\'';
        if (pieces++ % 2 == 1) out += " +\n";
        if (printable) {
            out += '\'';
            if (c == '\'') out += '\'';
            out += char(c);
        } else {
            out += "#" + std::to_string(c);
        }
        quoted = printable;
    }
    if (quoted) out += '\'';
}

// Writes the tree back in an awkward but legal form: tokens spread over lines,
// mixed line endings, hex pairs split by blanks.
void Write(std::string& out, const TLayoutObject& object) {
    out += "object " + object.Name + "\r\n:" + object.ClassName + "\n";
    for (const auto& p : object.Properties) {
        out += p.Name + " =\n";
        const TLayoutValue& v = p.Value;
        switch (v.Kind) {
        case TLayoutValueKind::Integer: out += std::to_string(v.Integer); break;
        case TLayoutValueKind::String: WriteString(out, v.Text); break;
        case TLayoutValueKind::Identifier: out += v.Text; break;
        case TLayoutValueKind::Set:
            out += "[";
            for (size_t i = 0; i < v.Items.size(); ++i) out += (i ? ",\n" : "") + v.Items[i];
            out += "]";
            break;
        case TLayoutValueKind::List:
            out += "(";
            for (const auto& item : v.Items) WriteString(out, item), out += "\n";
            out += ")";
            break;
        case TLayoutValueKind::Binary:
            out += "{";
            for (uint8_t b : v.Bytes) out += "0123456789ABCDEF"[b >> 4], out += " \n"[b & 1], out += "0123456789abcdef"[b & 15];
            out += "}";
            break;
        }
        out += "\n";
    }
    for (const auto& child : object.Children) Write(out, child);
    out += "End\n";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TLayoutObject tree;
    try {
        tree = forms::ReadLayout(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const forms::ELayoutError& e) {
        size_t lines = 1;
        for (size_t i = 0; i + 1 < size; ++i) lines += data[i] == '\n';
        Check(e.Line >= 1 && size_t(e.Line) <= lines && !e.Message.empty());
        return 0;
    }
    Walk(tree, 1, 1);
    std::string first;
    Write(first, tree);
    std::string second;
    Write(second, forms::ReadLayout(first));
    Check(first == second);
    return 0;
}
