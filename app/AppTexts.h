// The program's own texts: those it shows by itself rather than through a
// layout. They are looked up by number in the resource module's string table
// (AppTexts.rc), so a language module carries translated copies under the
// same numbers, as it does for the form library's texts.
#pragma once
#include "forms/Resources.h"

#include <string>

enum TAppTextId : UINT {
    atOnlyOneFile = 1000, // a drop of more than one item on the wizard
    atErrorCaption = 1001,
    atTargetMissingAsk = 1002, // follows the path of a target that is not there, at Finish
};

inline std::string AppText(TAppTextId id) { return forms::LoadResString(id); }
