// Live GDI and USER objects of the test executable, for leak tests.
//
// Wine's GetGuiResources always answers 0, so the counts are kept here: the
// first call routes the executable's own imports of the gdi32, user32 and
// shell32 functions that make or free objects through counting wrappers.
// Only objects made by code linked into the executable are counted (the
// library and the tests, not the system DLLs), and an object counts until
// the call that frees it succeeds. Take the baseline after a warm-up round,
// as some objects are made once, on first use, and kept.
#pragma once
#include <ostream>

namespace testing_support {

struct THandleCounts {
    long Gdi = 0;     // pens, brushes, fonts, bitmaps, regions, palettes, memory DCs
    long Dc = 0;      // window DCs from GetDC/GetWindowDC/GetDCEx not yet released
    long Icons = 0;   // icons and cursors not yet destroyed
    long Windows = 0; // live windows of this process (top-level, child, message-only), input-method windows aside
    // GetGuiResources of the whole process where it works (Windows); -1 here.
    long SystemGdi = -1;
    long SystemUser = -1;

    // Compares the counts kept here; the system figures include the
    // runtime's own objects and are for reporting.
    bool operator==(const THandleCounts& other) const {
        return Gdi == other.Gdi && Dc == other.Dc && Icons == other.Icons && Windows == other.Windows;
    }
};

std::ostream& operator<<(std::ostream& out, const THandleCounts& counts);

// Installs the counting on first use.
THandleCounts CurrentHandleCounts();
// False when the imports could not be rerouted, or when the environment
// holds VARNOQ_NO_HANDLE_COUNTS (to see a run as it is where they cannot
// be); the leak tests then skip rather than pass.
bool HandleCountingAvailable();

// Answers the program's look-ups of a system function by name (the way it
// reaches libraries it loads on first use) with a replacement, from now on;
// each look-up stores the real function in original. False when the look-up
// cannot be rerouted.
bool ReplaceLookedUpFunction(const char* name, void* replacement, void** original);

} // namespace testing_support
