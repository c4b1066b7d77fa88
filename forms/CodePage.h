// Between the system's Unicode names and the single-byte text of the system
// code page, which the program keeps and shows. The system converts a
// character the code page lacks into a look-alike ("Ω" into "O") or into
// '?', so a converted name may name another file or none: only a name that
// comes back unchanged from the code page may be taken.
#pragma once
#include <string>

namespace forms {

std::wstring AnsiToWide(const std::string& text);
// As the system converts it, look-alikes and '?' included.
std::string WideToAnsi(const std::wstring& text);
// True when text, converted to the code page and back, is text again.
bool FitsCodePage(const std::wstring& text);

} // namespace forms
