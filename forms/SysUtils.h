// Exceptions, the library's own message texts and small date/file helpers.
// Portable: no platform header appears here.
#pragma once
#include <exception>
#include <initializer_list>
#include <string>

namespace forms {

// Base of every error the library raises; carries a user-readable message.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }
    std::string Message;
};

class EStreamError : public Exception { using Exception::Exception; };
class EReadError : public EStreamError { using EStreamError::EStreamError; };
class EWriteError : public EStreamError { using EStreamError::EStreamError; };
class EFOpenError : public EStreamError { using EStreamError::EStreamError; };
class EFCreateError : public EStreamError { using EStreamError::EStreamError; };

// Identifiers of the library's own texts. A language module may translate them,
// so they are looked up by number; the English defaults serve until a lookup
// function is installed (the Win32 side installs one reading the resource
// module's string table).
enum TFormTextId : int {
    stReadError = 65000,
    stWriteError = 65001,
    stFOpenError = 65002,   // takes the file name for %s
    stFCreateError = 65003, // takes the file name for %s
    stAssignError = 65004,  // "Cannot assign a %s to a %s"
    stRestoredFromBackup = 65005, // a file name for %s: restored after an interrupted save
    // Layout reading and binding; the first %s is the line number.
    stLayoutError = 65010,        // "Layout error in line %s: %s"
    stLayoutSyntax = 65011,       // "%s expected"
    stLayoutUnknownClass = 65012, // "Class %s not found"
    stLayoutUnknownProperty = 65013, // "Property %s does not exist"
    stLayoutBadValue = 65014,     // "Invalid value for property %s"
    stLayoutUnknownHandler = 65015, // "Handler %s not found"
    stLayoutMissing = 65016,      // "Layout resource %s not found"
    stLayoutTooLarge = 65017,     // "%s is too large"
    stLayoutHandlerType = 65018,  // "Handler %s does not fit the event"
    stLayoutMissingField = 65019, // "Component %s of %s is missing in its layout"
    stMessageBoxError = 65020,    // caption of the error message box
    stLayoutFieldClass = 65021,   // "Component %s of %s has another class in its layout"
    stTextLimit = 65022,          // a limit and a text: the text is longer than can be stored
    stLayoutResourceError = 65023, // "Error in layout %s, line %s: %s": resource name, line, detail
    stSelectAction = 65024,        // the default action of a pickable item, told to screen readers
};

using TFormTextLookup = std::string (*)(int id);
void SetFormTextLookup(TFormTextLookup lookup);
std::string FormText(TFormTextId id);
// FormText with the first "%s" replaced by arg.
std::string FormTextFmt(TFormTextId id, const std::string& arg);
// FormText with each "%s" replaced by the next of args, in order.
std::string FormTextFmt(TFormTextId id, std::initializer_list<std::string> args);

// Current local date and time as an OLE date: days since 1899-12-30 00:00 plus
// the time of day as a fraction, milliseconds included.
double Now();
double EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec);

// Equal apart from the case of ASCII letters.
bool SameText(const std::string& a, const std::string& b);

bool FileExists(const std::string& fileName);
// The folder of the running program's executable, with a trailing separator:
// where the program finds every file it uses.
std::string ExecutableDirectory();
bool DeleteFileNamed(const std::string& fileName);

} // namespace forms
