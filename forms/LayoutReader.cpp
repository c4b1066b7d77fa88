#include "LayoutReader.h"

#include <climits>

namespace forms {

ELayoutError::ELayoutError(int line, std::string detail)
    : Exception(FormTextFmt(stLayoutError, {std::to_string(line), detail})), Line(line),
      Detail(std::move(detail)) {}

namespace {

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool SameWord(std::string_view word, std::string_view keyword) {
    if (word.size() != keyword.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        char c = word[i];
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c != keyword[i]) return false;
    }
    return true;
}

// A hand-written recursive-descent reader working on characters. Only objects
// recurse, and only MaxLayoutDepth deep; values are flat.
class TLayoutReader {
public:
    explicit TLayoutReader(std::string_view text) : text_(text) {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    }

    TLayoutObject ReadRoot() {
        SkipBlank();
        int line = TokenLine();
        if (!SameWord(ReadIdent(false), "object")) Fail(line, Syntax("'object'"));
        TLayoutObject root = ReadObject(line, 1);
        SkipBlank();
        if (!AtEnd()) Fail(line_, Syntax("End of text"));
        return root;
    }

private:
    std::string_view text_;
    size_t pos_ = 0;
    int line_ = 1;

    [[noreturn]] static void Fail(int line, std::string detail) { throw ELayoutError(line, std::move(detail)); }
    static std::string Syntax(const std::string& what) { return FormTextFmt(stLayoutSyntax, what); }
    static std::string BadValue(const std::string& name) { return FormTextFmt(stLayoutBadValue, name); }

    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }

    void NewLine() {
        if (line_ < INT_MAX) ++line_;
    }

    void SkipBlank() {
        while (!AtEnd()) {
            char c = text_[pos_];
            if (c == '\n') NewLine();
            else if (c != ' ' && c != '\t' && c != '\r') return;
            ++pos_;
        }
    }

    // Line for errors met at the end of the text: a final line break does not
    // open another line.
    int EndLine() const {
        return (!text_.empty() && text_.back() == '\n' && line_ > 1) ? line_ - 1 : line_;
    }

    // Line of the token at the current position, after blanks were skipped.
    int TokenLine() const { return AtEnd() ? EndLine() : line_; }

    // An identifier at the current position, or empty when there is none.
    // With dotted, "Font.Name" is read as one; a dot not followed by an
    // identifier is left unread.
    std::string_view ReadIdent(bool dotted) {
        size_t start = pos_;
        if (!IsIdentStart(Peek())) return {};
        for (;;) {
            while (IsIdentChar(Peek())) ++pos_;
            if (!dotted || Peek() != '.' || pos_ + 1 >= text_.size() || !IsIdentStart(text_[pos_ + 1])) break;
            ++pos_;
        }
        return text_.substr(start, pos_ - start);
    }

    void Expect(char c, const char* quoted) {
        SkipBlank();
        if (Peek() != c) Fail(TokenLine(), Syntax(quoted));
        ++pos_;
    }

    // Reads what follows "object" (read at objectLine) up to its "end".
    TLayoutObject ReadObject(int objectLine, int depth) {
        if (depth > MaxLayoutDepth) Fail(objectLine, FormTextFmt(stLayoutTooLarge, "Nesting depth"));
        TLayoutObject object;
        object.Line = objectLine;
        SkipBlank();
        object.Name = ReadIdent(false);
        if (object.Name.empty()) Fail(TokenLine(), Syntax("Identifier"));
        Expect(':', "':'");
        SkipBlank();
        object.ClassName = ReadIdent(false);
        if (object.ClassName.empty()) Fail(TokenLine(), Syntax("Identifier"));
        for (;;) {
            SkipBlank();
            int line = TokenLine();
            std::string_view word = ReadIdent(true);
            if (word.empty()) Fail(line, Syntax("'end'"));
            if (SameWord(word, "end")) return object;
            if (SameWord(word, "object")) {
                object.Children.push_back(ReadObject(line, depth + 1));
                continue;
            }
            TLayoutProperty property;
            property.Name = word;
            property.Line = line;
            Expect('=', "'='");
            SkipBlank();
            property.Value = ReadValue(property.Name);
            object.Properties.push_back(std::move(property));
        }
    }

    TLayoutValue ReadValue(const std::string& name) {
        TLayoutValue value;
        char c = Peek();
        if (c == '-' || c == '$' || IsDigit(c)) {
            value.Kind = TLayoutValueKind::Integer;
            value.Integer = ReadInteger(name);
        } else if (c == '\'' || c == '#') {
            value.Kind = TLayoutValueKind::String;
            value.Text = ReadString(name);
        } else if (IsIdentStart(c)) {
            value.Kind = TLayoutValueKind::Identifier;
            value.Text = ReadValueIdent(name);
        } else if (c == '[') {
            value.Kind = TLayoutValueKind::Set;
            ReadSet(value.Items);
        } else if (c == '(') {
            value.Kind = TLayoutValueKind::List;
            ReadList(name, value.Items);
        } else if (c == '{') {
            value.Kind = TLayoutValueKind::Binary;
            value.Bytes = ReadBinary(name);
        } else {
            Fail(TokenLine(), BadValue(name));
        }
        return value;
    }

    // Decimal with an optional minus, or "$" and at most 8 significant hex
    // digits taken as a 32-bit pattern ($FFFFFFFF is -1), as colours are written.
    int64_t ReadInteger(const std::string& name) {
        int64_t result = 0;
        if (Peek() == '$') {
            ++pos_;
            uint32_t bits = 0;
            int digits = 0, significant = 0;
            for (int d; (d = HexDigit(Peek())) >= 0; ++pos_, ++digits) {
                if (significant > 0 || d > 0) ++significant;
                if (significant > 8) Fail(line_, BadValue(name));
                bits = (bits << 4) | uint32_t(d);
            }
            if (digits == 0) Fail(line_, BadValue(name));
            result = int32_t(bits);
        } else {
            bool negative = Peek() == '-';
            if (negative) ++pos_;
            if (!IsDigit(Peek())) Fail(line_, BadValue(name));
            const int64_t limit = negative ? -int64_t(INT32_MIN) : INT32_MAX;
            while (IsDigit(Peek())) {
                result = result * 10 + (Peek() - '0');
                if (result > limit) Fail(line_, BadValue(name));
                ++pos_;
            }
            if (negative) result = -result;
        }
        // "1.5" or "12px" is no integer, and must not read as one and something else.
        if (IsIdentChar(Peek()) || Peek() == '.' || Peek() == '$') Fail(line_, BadValue(name));
        return result;
    }

    std::string ReadValueIdent(const std::string& name) {
        std::string_view word = ReadIdent(true);
        if (word.find('.') != std::string_view::npos) Fail(line_, BadValue(name));
        return std::string(word);
    }

    // Quoted runs and #nnn codes written next to each other form one string;
    // a '+' joins it with the next one, across line breaks too.
    std::string ReadString(const std::string& name) {
        std::string text;
        for (;;) {
            while (Peek() == '\'' || Peek() == '#') {
                if (Peek() == '\'') {
                    ++pos_;
                    for (;;) {
                        if (AtEnd() || Peek() == '\n' || Peek() == '\r') Fail(line_, Syntax("\"'\""));
                        char c = text_[pos_++];
                        if (c == '\'') {
                            if (Peek() != '\'') break;
                            ++pos_;
                        }
                        text += c;
                    }
                } else {
                    ++pos_;
                    if (!IsDigit(Peek())) Fail(line_, BadValue(name));
                    int code = 0;
                    while (IsDigit(Peek())) {
                        code = code * 10 + (Peek() - '0');
                        if (code > 255) Fail(line_, BadValue(name));
                        ++pos_;
                    }
                    text += char(uint8_t(code));
                }
            }
            size_t pos = pos_;
            int line = line_;
            SkipBlank();
            if (Peek() != '+') {
                pos_ = pos;
                line_ = line;
                return text;
            }
            ++pos_;
            SkipBlank();
            if (Peek() != '\'' && Peek() != '#') Fail(TokenLine(), Syntax("String"));
        }
    }

    void ReadSet(std::vector<std::string>& members) {
        ++pos_; // '['
        SkipBlank();
        if (Peek() == ']') {
            ++pos_;
            return;
        }
        for (;;) {
            SkipBlank();
            std::string_view member = ReadIdent(false);
            if (member.empty()) Fail(TokenLine(), Syntax("Identifier"));
            members.emplace_back(member);
            SkipBlank();
            if (Peek() == ']') break;
            if (Peek() != ',') Fail(TokenLine(), Syntax("']'"));
            ++pos_;
        }
        ++pos_;
    }

    void ReadList(const std::string& name, std::vector<std::string>& items) {
        ++pos_; // '('
        for (;;) {
            SkipBlank();
            char c = Peek();
            if (c == ')') break;
            if (c == '\'' || c == '#') {
                items.push_back(ReadString(name));
            } else if (c == '-' || c == '$' || IsDigit(c)) {
                size_t start = pos_;
                ReadInteger(name);
                items.emplace_back(text_.substr(start, pos_ - start));
            } else if (IsIdentStart(c)) {
                items.push_back(ReadValueIdent(name));
            } else {
                Fail(TokenLine(), Syntax("')'"));
            }
        }
        ++pos_;
    }

    // Two passes: the first checks the digits and counts them, so the bytes are
    // allocated once, at their final size.
    std::vector<uint8_t> ReadBinary(const std::string& name) {
        ++pos_; // '{'
        const size_t start = pos_;
        size_t digits = 0;
        for (;;) {
            if (AtEnd()) Fail(EndLine(), Syntax("'}'"));
            char c = text_[pos_];
            if (c == '}') break;
            if (HexDigit(c) >= 0) {
                if (++digits > 2 * MaxLayoutBinary) Fail(line_, FormTextFmt(stLayoutTooLarge, name));
            } else if (c == '\n') {
                NewLine();
            } else if (c != ' ' && c != '\t' && c != '\r') {
                Fail(line_, BadValue(name));
            }
            ++pos_;
        }
        if (digits % 2 != 0) Fail(line_, BadValue(name));
        std::vector<uint8_t> bytes(digits / 2);
        size_t n = 0;
        int high = -1;
        for (size_t i = start; i < pos_; ++i) {
            int d = HexDigit(text_[i]);
            if (d < 0) continue;
            if (high < 0) {
                high = d;
            } else {
                bytes[n++] = uint8_t(high << 4 | d);
                high = -1;
            }
        }
        ++pos_; // '}'
        return bytes;
    }
};

} // namespace

TLayoutObject ReadLayout(std::string_view text) { return TLayoutReader(text).ReadRoot(); }

} // namespace forms
