#include "settings/hive/RegFormat.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

namespace qm {

namespace {

constexpr const char* kHeader = "REGEDIT4";
constexpr std::size_t kHexLineWidth = 77;  // where the editor wraps long hex lists

// ---------------------------------------------------------------------------------------
// Writing

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    return out + '"';
}

// A REG_SZ whose bytes are one line of text and exactly one terminating NUL.
bool IsPlainText(const HiveValue& value) {
    if (value.type != REG_SZ || value.data.empty() || value.data.back() != 0) {
        return false;
    }
    for (std::size_t i = 0; i + 1 < value.data.size(); ++i) {
        if (value.data[i] < 0x20 && value.data[i] != '\t') {
            return false;
        }
    }
    return true;
}

std::string HexList(const std::string& prefix, const std::vector<unsigned char>& data) {
    std::string out = prefix;
    std::size_t column = prefix.size();
    char digits[3];
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::snprintf(digits, sizeof digits, "%02x", data[i]);
        out += digits;
        column += 2;
        if (i + 1 < data.size()) {
            out += ',';
            ++column;
            if (column >= kHexLineWidth) {
                out += "\\\n  ";
                column = 2;
            }
        }
    }
    return out;
}

std::string ValueLine(const HiveValue& value) {
    const std::string head = (value.name.empty() ? std::string("@") : Quote(value.name)) + "=";
    if (IsPlainText(value)) {
        return head + Quote(std::string(value.data.begin(), value.data.end() - 1));
    }
    if (value.type == REG_DWORD && value.data.size() == 4) {
        const DWORD number = value.data[0] | (DWORD{value.data[1]} << 8) | (DWORD{value.data[2]} << 16) |
                             (DWORD{value.data[3]} << 24);
        char text[20];
        std::snprintf(text, sizeof text, "dword:%08x", static_cast<unsigned>(number));
        return head + text;
    }
    if (value.type == REG_BINARY) {
        return HexList(head + "hex:", value.data);
    }
    char type[24];
    std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(value.type));
    return HexList(head + type, value.data);
}

void WriteKey(const HiveKey& key, const std::string& path, bool isRoot, std::string& out) {
    if (!isRoot || !key.Values().empty()) {
        out += RegFormat::Section(path, key.Values());
    }
    for (const HiveKey& sub : key.SubKeys()) {
        WriteKey(sub, path + "\\" + sub.Name(), false, out);
    }
}

// ---------------------------------------------------------------------------------------
// Reading

struct ParseFailure {
    std::string reason;
};

// The tree while it is read. Keys and values are found by their folded names, so that a file
// reads in time proportional to its size however many keys or values it crowds into one key.
// It keeps them the way HiveKey does: a value named again takes the new data in its old place,
// and subkeys stand in name order.
struct ReadKey {
    std::string name;
    std::vector<HiveValue> values;
    std::unordered_map<std::string, std::size_t> valueAt;     // folded name -> position in values
    std::map<std::string, std::unique_ptr<ReadKey>> subKeys;  // folded name -> key

    ReadKey& SubKey(const std::string& subName) {
        std::unique_ptr<ReadKey>& slot = subKeys[FoldedRegistryName(subName)];
        if (!slot) {
            slot = std::make_unique<ReadKey>();
            slot->name = subName;
        }
        return *slot;
    }

    void SetValue(const std::string& valueName, DWORD type, std::vector<unsigned char> data) {
        const auto [at, added] = valueAt.try_emplace(FoldedRegistryName(valueName), values.size());
        if (added) {
            values.push_back(HiveValue{valueName, type, std::move(data)});
        } else {
            values[at->second].type = type;
            values[at->second].data = std::move(data);
        }
    }

    // Depth is bounded by kMaxKeyDepth, so the recursion is too.
    HiveKey Build() {
        std::vector<HiveKey> keys;
        keys.reserve(subKeys.size());
        for (auto& entry : subKeys) {
            keys.push_back(entry.second->Build());
        }
        return HiveKey(std::move(name), std::move(values), std::move(keys));
    }
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string TrimRight(std::string text) {
    while (!text.empty() && IsBlank(text.back())) {
        text.pop_back();
    }
    return text;
}

std::size_t SkipBlanks(const std::string& text, std::size_t pos) {
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    return pos;
}

bool StartsWithNoCase(const std::string& text, std::size_t pos, const std::string& prefix) {
    if (text.size() - pos < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[pos + i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// A hexadecimal number of 1 to maxDigits digits, the whole of text.
DWORD ParseHexNumber(const std::string& text, std::size_t maxDigits, const char* what) {
    if (text.empty() || text.size() > maxDigits) {
        throw ParseFailure{std::string("bad ") + what + " \"" + text + "\""};
    }
    DWORD number = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) {
            throw ParseFailure{std::string("bad ") + what + " \"" + text + "\""};
        }
        number = (number << 4) | static_cast<DWORD>(digit);
    }
    return number;
}

// A quoted text starting at pos (on the opening quote); pos ends after the closing quote.
// \\ and \" are the escapes; a backslash before anything else is kept as written.
std::string ParseQuoted(const std::string& line, std::size_t& pos) {
    std::string text;
    for (++pos; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            return text;
        }
        if (c == '\\' && pos + 1 < line.size() && (line[pos + 1] == '\\' || line[pos + 1] == '"')) {
            ++pos;
        }
        text += line[pos];
    }
    throw ParseFailure{"text without its closing quotation mark"};
}

class Reader {
public:
    explicit Reader(const std::string& rootName) : rootName_(rootName) {}

    HiveKey Read(const std::string& text) {
        // Editors that save as UTF-8 may put a byte-order mark before the header.
        static const std::string kByteOrderMark = "\xEF\xBB\xBF";
        SplitLines(text,
                   text.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0 ? kByteOrderMark.size() : 0);
        if (lines_.empty() || TrimRight(lines_[0]) != kHeader) {
            line_ = 0;
            throw ParseFailure{std::string("the file does not start with the line ") + kHeader};
        }
        for (line_ = 1; line_ < lines_.size(); ++line_) {
            const std::string& line = lines_[line_];
            const std::size_t pos = SkipBlanks(line, 0);
            if (pos == line.size() || line[pos] == ';') {
                continue;
            }
            if (line[pos] == '[') {
                Section(TrimRight(line.substr(pos)));
            } else if (line[pos] == '"' || line[pos] == '@') {
                Value(line, pos);
            } else {
                throw ParseFailure{"a line that is neither a [key] nor a \"value\"="};
            }
        }
        return root_.Build();
    }

    std::size_t Line() const { return line_ + 1; }

private:
    void SplitLines(const std::string& text, std::size_t start) {
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) {
                end = text.size();
            }
            std::string line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            lines_.push_back(std::move(line));
            start = end + 1;
        }
        for (line_ = 0; line_ < lines_.size(); ++line_) {
            for (char c : lines_[line_]) {
                const auto byte = static_cast<unsigned char>(c);
                if (byte < 0x20 && c != '\t') {
                    char reason[64];
                    std::snprintf(reason, sizeof reason, "binary data (control byte 0x%02X)", byte);
                    throw ParseFailure{reason};
                }
            }
        }
    }

    void Section(const std::string& text) {
        if (text.size() < 2 || text.back() != ']') {
            throw ParseFailure{"a [key] line without its closing bracket"};
        }
        if (text[1] == '-') {
            throw ParseFailure{"a [-key] deletion entry, which a settings file cannot hold"};
        }
        const std::string path = text.substr(1, text.size() - 2);
        std::vector<std::string> parts;
        std::size_t start = 0;
        while (true) {
            const std::size_t end = path.find('\\', start);
            parts.push_back(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
            if (end == std::string::npos) {
                break;
            }
            start = end + 1;
        }
        if (!SameRegistryName(parts[0], rootName_)) {
            throw ParseFailure{"the key \"" + path.substr(0, 300) + "\" is not under " + rootName_};
        }
        if (parts.size() - 1 > kMaxKeyDepth) {
            throw ParseFailure{"a key nested deeper than " + std::to_string(kMaxKeyDepth) + " levels"};
        }
        current_ = &root_;
        for (std::size_t i = 1; i < parts.size(); ++i) {
            if (parts[i].empty()) {
                throw ParseFailure{"the key \"" + path.substr(0, 300) + "\" has an empty name in it"};
            }
            current_ = &current_->SubKey(parts[i]);
        }
    }

    void Value(const std::string& line, std::size_t pos) {
        if (current_ == nullptr) {
            throw ParseFailure{"a value before the first [key] line"};
        }
        std::string name;
        if (line[pos] == '@') {
            ++pos;
        } else {
            name = ParseQuoted(line, pos);
        }
        pos = SkipBlanks(line, pos);
        if (pos == line.size() || line[pos] != '=') {
            throw ParseFailure{"a value name without \"=\" after it"};
        }
        pos = SkipBlanks(line, pos + 1);
        if (pos < line.size() && line[pos] == '"') {
            const std::string text = ParseQuoted(line, pos);
            ExpectEnd(line, pos);
            std::vector<unsigned char> data(text.begin(), text.end());
            data.push_back(0);
            current_->SetValue(name, REG_SZ, std::move(data));
        } else if (StartsWithNoCase(line, pos, "dword:")) {
            const DWORD number = ParseHexNumber(TrimRight(line.substr(pos + 6)), 8, "dword");
            current_->SetValue(
                name, REG_DWORD,
                {static_cast<unsigned char>(number), static_cast<unsigned char>(number >> 8),
                 static_cast<unsigned char>(number >> 16), static_cast<unsigned char>(number >> 24)});
        } else if (StartsWithNoCase(line, pos, "hex")) {
            HexValue(name, line, pos + 3);
        } else if (pos < line.size() && line[pos] == '-') {
            throw ParseFailure{"a value deletion entry (=-), which a settings file cannot hold"};
        } else {
            throw ParseFailure{"value data that is neither \"text\", dword: nor hex:"};
        }
    }

    void HexValue(const std::string& name, const std::string& line, std::size_t pos) {
        DWORD type = REG_BINARY;
        if (pos < line.size() && line[pos] == '(') {
            const std::size_t close = line.find(')', pos);
            if (close == std::string::npos) {
                throw ParseFailure{"a hex( type without its closing parenthesis"};
            }
            type = ParseHexNumber(line.substr(pos + 1, close - pos - 1), 8, "value type");
            pos = close + 1;
        }
        if (pos >= line.size() || line[pos] != ':') {
            throw ParseFailure{"hex data without \":\""};
        }
        std::string list = TrimRight(line.substr(pos + 1));
        while (!list.empty() && list.back() == '\\') {
            list.pop_back();
            if (line_ + 1 >= lines_.size()) {
                throw ParseFailure{"hex data that goes on past the end of the file"};
            }
            const std::string& next = lines_[++line_];
            list += TrimRight(next.substr(SkipBlanks(next, 0)));
        }
        std::vector<unsigned char> data;
        if (SkipBlanks(list, 0) < list.size()) {
            std::size_t start = 0;
            while (true) {
                const std::size_t end = std::min(list.find(',', start), list.size());
                const std::string token = TrimRight(list.substr(start, end - start));
                data.push_back(static_cast<unsigned char>(
                    ParseHexNumber(token.substr(SkipBlanks(token, 0)), 2, "hex byte")));
                if (end == list.size()) {
                    break;
                }
                start = end + 1;
            }
        }
        current_->SetValue(name, type, std::move(data));
    }

    static void ExpectEnd(const std::string& line, std::size_t pos) {
        if (SkipBlanks(line, pos) != line.size()) {
            throw ParseFailure{"text after the closing quotation mark"};
        }
    }

    const std::string& rootName_;
    std::vector<std::string> lines_;
    std::size_t line_ = 0;
    ReadKey root_;
    ReadKey* current_ = nullptr;
};

}  // namespace

std::string RegFormat::Write(const HiveKey& root, const std::string& rootName) {
    std::string out = Header();
    WriteKey(root, rootName, true, out);
    return out;
}

std::string RegFormat::Header() {
    return std::string(kHeader) + "\n\n";
}

std::string RegFormat::Section(const std::string& path, const std::vector<HiveValue>& values) {
    std::string out = "[" + path + "]\n";
    for (const HiveValue& value : values) {
        out += ValueLine(value) + "\n";
    }
    return out + "\n";
}

std::optional<HiveKey> RegFormat::Read(const std::string& text, const std::string& rootName,
                                       RegFormatError& error) {
    Reader reader(rootName);
    try {
        return reader.Read(text);
    } catch (const ParseFailure& failure) {
        error.line = reader.Line();
        error.reason = failure.reason;
        return std::nullopt;
    }
}

}  // namespace qm
