// The program's own texts: those it shows by itself rather than through a
// layout. They are looked up by number in the resource module's string table
// (AppTexts.rc), so a language module carries translated copies under the
// same numbers, as it does for the form library's texts. The numbers stay
// clear of those the program asks the string library for (key ids, 1001-1008,
// 4001-4004): without that library those come from the resource module and
// must come out empty, not as one of these.
#pragma once
#include "forms/Resources.h"

#include <string>

enum TAppTextId : UINT {
    atOnlyOneFile = 64000, // a drop of more than one item on the wizard
    atErrorCaption = 64001,
    atTargetMissingAsk = 64002, // follows the path of a target that is not there, at Finish
    atKeysUnreadable = 64003,   // on the Keys page when def.kfd could not be read
    atNameOutsideCodePage = 64004, // a chosen path for %s that the code page cannot hold
};

inline std::string AppText(TAppTextId id) { return forms::LoadResString(id); }
