#include "PressAction.h"

namespace service {

TPressAction ResolvePress(const std::vector<TKeyAssignment>& keys, int32_t keyId) {
    TPressAction action;
    action.TextId = keyId;
    for (const TKeyAssignment& key : keys) {
        if (key.KeyId != keyId) continue;
        action.Mode = key.Mode;
        if (key.Mode == TKeyMode::Special) action.TextId = key.Special;
        if (key.Mode == TKeyMode::Custom) {
            action.Open = key.Path;
            if (!key.Name.empty()) action.TextId = 0, action.Text = key.Name;
        }
        break; // the first record of a key is the one that counts, as in the program
    }
    return action;
}

std::string LockStateText(const char* lockName, bool on) { return std::string(lockName) + (on ? " on" : " off"); }

} // namespace service
