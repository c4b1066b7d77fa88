#include "Colors.h"

#include <cctype>

#include "Components.h"
#include "GraphicTexts.h"

namespace forms {

namespace {

struct TColorIdent {
    TColor color;
    const char* name;
};

const TColorIdent colorIdents[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"}, {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"}, {clWindow, "clWindow"}, {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"}, {clWindowText, "clWindowText"}, {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"}, {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"}, {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"}, {clBtnFace, "clBtnFace"}, {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"}, {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"}, {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"}, {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"}, {clNone, "clNone"}, {clDefault, "clDefault"},
};

// Parses a whole 32-bit integer: optional sign, then decimal digits or hex
// digits after "$" or "0x". Values above the signed range wrap, as colours
// are unsigned.
bool ParseInteger(const std::string& text, uint32_t& value) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size()) return false;
    uint64_t v = 0;
    for (; i < text.size(); ++i) {
        int c = std::tolower((unsigned char)text[i]);
        int digit = c >= '0' && c <= '9' ? c - '0' : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        v = v * unsigned(base) + unsigned(digit);
        if (v > 0xFFFFFFFFull) return false;
    }
    if (negative && v > 0x80000000ull) return false;
    value = negative ? uint32_t(0u - uint32_t(v)) : uint32_t(v);
    return true;
}

} // namespace


TColor ColorToRGB(TColor color) {
    if ((color & 0xFF000000) == clSystemColor) return GetSysColor(int(color & 0xFF));
    return color;
}

bool IdentToColor(const std::string& ident, TColor& color) {
    for (const TColorIdent& c : colorIdents)
        if (SameText(ident, c.name)) {
            color = c.color;
            return true;
        }
    return false;
}

bool ColorToIdent(TColor color, std::string& ident) {
    for (const TColorIdent& c : colorIdents)
        if (c.color == color) {
            ident = c.name;
            return true;
        }
    return false;
}

TColor StringToColor(const std::string& text) {
    TColor color;
    if (IdentToColor(text, color)) return color;
    uint32_t value;
    if (ParseInteger(text, value)) return value;
    throw EConvertError(GraphicTextFmt(stInvalidInteger, text));
}

std::string ColorToString(TColor color) {
    std::string ident;
    if (ColorToIdent(color, ident)) return ident;
    char buffer[16];
    wsprintfA(buffer, "$%08X", unsigned(color));
    return buffer;
}

} // namespace forms
