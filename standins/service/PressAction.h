// What pressing an extra key does, decided from the key's record alone: the
// factory function and a special function show their names (texts of the
// string library by the key's or the function's identifier, the numbers the
// settings program shows them by); a custom key opens its target and shows
// the name it was given.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "KeyFileReport.h"

namespace service {

struct TPressAction {
    TKeyMode Mode = TKeyMode::Factory;
    int32_t TextId = 0; // string-library text to show; 0 when Text is given
    std::string Text;   // the custom key's own name
    std::string Open;   // the custom key's target; empty for the other modes
};

// A key without a record keeps its factory function. A custom key without a
// name shows the key's name; one without a path has nothing to open.
TPressAction ResolvePress(const std::vector<TKeyAssignment>& keys, int32_t keyId);

// "Caps Lock on", "Num Lock off": what the display says when a lock key changes.
std::string LockStateText(const char* lockName, bool on);

} // namespace service
