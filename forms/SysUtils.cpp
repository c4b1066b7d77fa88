#include "SysUtils.h"

#include <algorithm>
#include <cctype>

namespace forms {

namespace {

std::string DefaultFormText(int id) {
    switch (id) {
    case stReadError: return "Stream read error";
    case stTextLimit: return "This is longer than the %s characters that can be stored:\n%s";
    case stWriteError: return "Stream write error";
    case stFOpenError: return "Cannot open file %s";
    case stFCreateError: return "Cannot create file %s";
    case stAssignError: return "Cannot assign a %s to a %s";
    case stRestoredFromBackup:
        return "%s was missing after a save that did not finish; it was restored from the backup that save kept.";
    case stLayoutError: return "Layout error in line %s: %s";
    case stLayoutSyntax: return "%s expected";
    case stLayoutUnknownClass: return "Class %s not found";
    case stLayoutUnknownProperty: return "Property %s does not exist";
    case stLayoutBadValue: return "Invalid value for property %s";
    case stLayoutUnknownHandler: return "Handler %s not found";
    case stLayoutMissing: return "Layout resource %s not found";
    case stLayoutTooLarge: return "%s is too large";
    case stLayoutHandlerType: return "Handler %s does not fit the event";
    case stLayoutMissingField: return "Component %s of %s is missing in its layout";
    case stMessageBoxError: return "Error";
    case stLayoutFieldClass: return "Component %s of %s has another class in its layout";
    case stLayoutResourceError: return "Error in layout %s, line %s: %s";
    case stSelectAction: return "Select";
    }
    return {};
}

TFormTextLookup textLookup = nullptr;

// Days from 0001-01-01 (proleptic Gregorian) to the given date.
long DaysFromCivilOrigin(int year, int month, int day) {
    static const int cumulative[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    long y = year - 1;
    long days = y * 365 + y / 4 - y / 100 + y / 400 + cumulative[month - 1] + (day - 1);
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (leap && month > 2) ++days;
    return days;
}

} // namespace

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower((unsigned char)x) == std::tolower((unsigned char)y);
           });
}

void SetFormTextLookup(TFormTextLookup lookup) { textLookup = lookup; }

std::string FormText(TFormTextId id) {
    if (textLookup) {
        std::string text = textLookup(id);
        if (!text.empty()) return text;
    }
    return DefaultFormText(id);
}

std::string FormTextFmt(TFormTextId id, const std::string& arg) { return FormTextFmt(id, {arg}); }

std::string FormTextFmt(TFormTextId id, std::initializer_list<std::string> args) {
    std::string text = FormText(id);
    size_t from = 0;
    for (const std::string& arg : args) {
        auto pos = text.find("%s", from);
        if (pos == std::string::npos) break;
        text.replace(pos, 2, arg);
        from = pos + arg.size(); // an argument's own "%s" is not replaced again
    }
    return text;
}

double EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec) {
    const long oleOrigin = DaysFromCivilOrigin(1899, 12, 30);
    double days = double(DaysFromCivilOrigin(year, month, day) - oleOrigin);
    double fraction = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / 86400000.0;
    // Before the origin the fraction counts away from zero, as OLE dates do.
    return days >= 0 ? days + fraction : days - fraction;
}

} // namespace forms
