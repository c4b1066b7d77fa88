#include "hotparse.h"

#include <cstring>
#include <utility>

namespace components {

namespace {

constexpr char kCtrlZ = 0x1A;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool EndsWord(char c) { return IsBlank(c) || c == ',' || c == '=' || c == '>'; }
bool IsRunChar(char c) { return c == '-' || (c >= '0' && c <= '9'); }

bool SameText(std::string_view a, const char* b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = a[i];
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        if (c != b[i]) return false;
    }
    return true;
}

// Lines as the map file defines them: a carriage return ends a line and
// takes a directly following line feed with it; any other line feed belongs
// to the line; Ctrl-Z ends the file.
class TLineReader {
public:
    explicit TLineReader(forms::TStream& stream) : stream_(stream) {}

    bool Eof() {
        if (ended_) return true;
        if (pos_ == len_ && !Fill()) return true;
        if (buffer_[pos_] == kCtrlZ) ended_ = true;
        return ended_;
    }

    // The next line without its end; empty at the end of the file.
    void ReadLine(std::string& line) {
        line.clear();
        while (!ended_) {
            if (pos_ == len_ && !Fill()) return;
            size_t start = pos_;
            while (pos_ < len_ && buffer_[pos_] != '\r' && buffer_[pos_] != kCtrlZ) ++pos_;
            line.append(buffer_ + start, pos_ - start);
            if (pos_ == len_) continue;
            if (buffer_[pos_] == kCtrlZ) {
                ended_ = true;
                return;
            }
            ++pos_; // the carriage return
            if ((pos_ < len_ || Fill()) && buffer_[pos_] == '\n') ++pos_;
            return;
        }
    }

private:
    bool Fill() {
        int32_t n = stream_.Read(buffer_, int32_t(sizeof buffer_));
        pos_ = 0;
        len_ = n > 0 ? size_t(n) : 0;
        if (len_ == 0) ended_ = true;
        return len_ > 0;
    }

    forms::TStream& stream_;
    char buffer_[16384];
    size_t pos_ = 0, len_ = 0;
    bool ended_ = false;
};

enum class TKeyword { None, Id, Hint, Shape, Disabled, Coords, MouseOver, MouseDown };

TKeyword KeywordOf(std::string_view word) {
    static const std::pair<const char*, TKeyword> keywords[] = {
        {"ID", TKeyword::Id},         {"HINT", TKeyword::Hint},           {"SHAPE", TKeyword::Shape},
        {"DISABLED", TKeyword::Disabled}, {"COORDS", TKeyword::Coords},   {"MOUSEOVER", TKeyword::MouseOver},
        {"MOUSEDOWN", TKeyword::MouseDown}};
    for (auto& [name, keyword] : keywords)
        if (SameText(word, name)) return keyword;
    return TKeyword::None;
}

class TMapParser {
public:
    explicit TMapParser(forms::TStream& stream) : reader_(stream) {}

    void ReadFirstLine() { reader_.ReadLine(text_); }

    // Moves past the next "<"; false when no entry is left.
    bool FindEntry() {
        for (;;) {
            size_t at = text_.find('<', pos_);
            if (at != std::string::npos) {
                pos_ = at + 1;
                return true;
            }
            if (!NextLine()) return false;
        }
    }

    void ReadEntry(TSpotData& spot) {
        for (;;) {
            if (!Skip(" \t\r\n,=")) return;
            if (Take('>')) return;
            std::string word = Word();
            TKeyword keyword = KeywordOf(word);
            if (keyword == TKeyword::None) continue; // its value, if any, follows as more words
            if (keyword == TKeyword::Disabled) {
                spot.Enabled = false;
                continue;
            }
            if (!Skip(" \t\r\n") || Take('>')) return;
            std::string value;
            if (Take('=')) {
                if (!Skip(" \t\r\n") || Take('>')) return;
                value = text_[pos_] == '"' ? Quoted() : Word();
            } else {
                value = word; // no "=": the keyword stands for its own value
            }
            Apply(spot, keyword, value);
        }
    }

private:
    bool NextLine() {
        if (reader_.Eof()) return false;
        reader_.ReadLine(text_);
        pos_ = 0;
        return true;
    }

    // Skips characters of `set`, over line ends; false when the file ends first.
    bool Skip(const char* set) {
        for (;;) {
            while (pos_ < text_.size() && std::strchr(set, text_[pos_])) ++pos_;
            if (pos_ < text_.size()) return true;
            if (!NextLine()) return false;
        }
    }

    bool Take(char c) {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    std::string Word() {
        size_t start = pos_;
        while (pos_ < text_.size() && !EndsWord(text_[pos_])) ++pos_;
        return text_.substr(start, pos_ - start);
    }

    // From the opening quote to the next quote that is not doubled; line
    // breaks inside become CR LF; the end of the file ends an open value.
    std::string Quoted() {
        std::string value;
        ++pos_;
        for (;;) {
            size_t quote = text_.find('"', pos_);
            if (quote == std::string::npos) {
                value.append(text_, pos_, std::string::npos);
                pos_ = text_.size();
                if (!NextLine()) return value;
                value += "\r\n";
                continue;
            }
            value.append(text_, pos_, quote - pos_);
            pos_ = quote + 1;
            if (!Take('"')) return value;
            value += '"';
        }
    }

    static void Apply(TSpotData& spot, TKeyword keyword, const std::string& value) {
        switch (keyword) {
        case TKeyword::Id: spot.Id = MapTextToInt(value); break;
        case TKeyword::Hint: spot.Hint = value; break;
        case TKeyword::Shape:
            spot.SetShape(SameText(value, "RECTANGLE") ? ssRectangle : SameText(value, "ELLIPSE") ? ssEllipse : ssPolyline);
            break;
        case TKeyword::Coords: {
            std::vector<TSpotPoint> points = MapPoints(value);
            if (spot.Shape == ssPolyline) {
                if (points.empty()) break; // no comma: the spot stays as it is
                spot.ClearPoints();
                for (const TSpotPoint& p : points) spot.AddPoint(p);
            } else {
                TSpotPoint a = points.size() > 0 ? points[0] : TSpotPoint{};
                TSpotPoint b = points.size() > 1 ? points[1] : TSpotPoint{};
                if (a.X > b.X) std::swap(a.X, b.X);
                if (a.Y > b.Y) std::swap(a.Y, b.Y);
                spot.SetCorners({a.X, a.Y, b.X, b.Y});
            }
            break;
        }
        case TKeyword::MouseOver:
        case TKeyword::MouseDown: {
            THighlightState state = keyword == TKeyword::MouseOver ? hsMouseOver : hsMouseDown;
            TSpotMaskItem item = spot.GetMaskItem();
            // Without a comma the offset keeps its value; the state is added all the same.
            std::vector<TSpotPoint> points = MapPoints(value);
            if (!points.empty()) item.Offsets[state] = points[0];
            item.States.Include(state);
            spot.SetMaskItem(item);
            break;
        }
        default: break;
        }
    }

    TLineReader reader_;
    std::string text_;
    size_t pos_ = 0;
};

} // namespace

int32_t MapTextToInt(std::string_view s) {
    size_t i = 0, n = s.size();
    while (i < n && s[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    bool hex = false;
    if (i < n && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == n) return 0;
    const uint64_t limit = hex ? 0xFFFFFFFFull : negative ? 0x80000000ull : 0x7FFFFFFFull;
    uint64_t value = 0;
    for (; i < n; ++i) {
        char c = s[i];
        unsigned digit;
        if (c >= '0' && c <= '9') digit = unsigned(c - '0');
        else if (hex && c >= 'a' && c <= 'f') digit = unsigned(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F') digit = unsigned(c - 'A' + 10);
        else return 0;
        value = value * (hex ? 16 : 10) + digit;
        if (value > limit) return 0;
    }
    uint32_t bits = uint32_t(value);
    return int32_t(negative ? 0u - bits : bits);
}

std::vector<TSpotPoint> MapPoints(const std::string& value) {
    std::vector<TSpotPoint> points;
    std::string_view v(value);
    for (size_t comma = v.find(','); comma != std::string_view::npos; comma = v.find(',', comma + 1)) {
        size_t begin = comma;
        while (begin > 0 && IsRunChar(v[begin - 1])) --begin;
        size_t end = comma + 1;
        while (end < v.size() && IsRunChar(v[end])) ++end;
        points.push_back({MapTextToInt(v.substr(begin, comma - begin)), MapTextToInt(v.substr(comma + 1, end - comma - 1))});
    }
    return points;
}

void ReadHotSpotMap(forms::TStream& stream, const std::function<void()>& begin,
                    const std::function<void(TSpotData&& spot)>& add) {
    TMapParser parser(stream);
    parser.ReadFirstLine();
    if (begin) begin();
    while (parser.FindEntry()) {
        TSpotData spot;
        parser.ReadEntry(spot);
        if (add) add(std::move(spot));
    }
}

} // namespace components
