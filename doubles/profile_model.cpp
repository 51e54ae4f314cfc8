// The profile (INI) functions of Windows 95 on the text of one file, shared by the
// saver's headless platform and the installer's system double.
#include "profile_model.h"

#include <string.h>
#include <string_view>
#include <vector>

namespace profile {
namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return text;
}

std::string Trim(const std::string& text) {
    size_t a = text.find_first_not_of(" \t\r"), b = text.find_last_not_of(" \t\r");
    return a == std::string::npos ? "" : text.substr(a, b - a + 1);
}

// Lines end at a line feed; a carriage return before it is not part of the line.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// A section header: a line that starts with "[" (after blanks); its name runs to the
// first "]" or the end of the line.
bool IsHeader(const std::string& line, std::string* name) {
    std::string t = Trim(line);
    if (t.empty() || t[0] != '[') return false;
    size_t close = t.find(']');
    *name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return true;
}

// [first, last) lines of the first section named section (its header at first - 1).
bool FindSection(const std::vector<std::string>& lines, const char* section, size_t* first, size_t* last) {
    std::string name, wanted = Lower(Trim(section));
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!IsHeader(lines[i], &name) || Lower(name) != wanted) continue;
        size_t j = i + 1;
        while (j < lines.size() && !IsHeader(lines[j], &name)) ++j;
        *first = i + 1;
        *last = j;
        return true;
    }
    return false;
}

bool IsComment(const std::string& trimmed) { return trimmed.empty() || trimmed[0] == ';'; }

// The reads look at the text in place: the installer reads its record many times a run.
using View = std::string_view;

View TrimView(View text) {
    size_t a = text.find_first_not_of(" \t\r"), b = text.find_last_not_of(" \t\r");
    return a == View::npos ? View() : text.substr(a, b - a + 1);
}

bool SameNoCase(View a, View b) {
    if (a.size() != b.size()) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; };
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

// Calls take with each line (without its line end) of the first section named section,
// as FindSection delimits it, until take returns true.
template <class Take>
void ForEachSectionLine(const std::string& text, const char* section, Take take) {
    View wanted = TrimView(View(section));
    bool inside = false;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        View line(text.data() + start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        start = end + 1;
        View t = TrimView(line);
        if (!t.empty() && t[0] == '[') {
            if (inside) return;
            size_t close = t.find(']');
            inside = SameNoCase(TrimView(t.substr(1, close == View::npos ? View::npos : close - 1)), wanted);
        } else if (inside && take(t)) {
            return;
        }
    }
}

// The line of the first key named key in [first, last), or last.
size_t FindKey(const std::vector<std::string>& lines, size_t first, size_t last, const char* key) {
    std::string wanted = Lower(Trim(key));
    for (size_t i = first; i < last; ++i) {
        std::string t = Trim(lines[i]);
        if (!IsComment(t) && Lower(Trim(t.substr(0, t.find('=')))) == wanted) return i;
    }
    return last;
}

}  // namespace

std::string ReadString(const std::string& text, const char* section, const char* key, const char* def) {
    View wanted = TrimView(View(key));
    std::string value = def ? def : "";
    ForEachSectionLine(text, section, [&](View t) {
        size_t eq = t.find('=');
        if (t.empty() || t[0] == ';' || eq == View::npos || !SameNoCase(TrimView(t.substr(0, eq)), wanted)) return false;
        View found = TrimView(t.substr(eq + 1));
        if (found.size() >= 2 && (found[0] == '"' || found[0] == '\'') && found.back() == found[0])
            found = found.substr(1, found.size() - 2);
        value = std::string(found);
        return true;
    });
    return value;
}

uint32_t CopyString(const std::string& value, char* buffer, uint32_t capacity) {
    if (capacity == 0) return 0;
    size_t n = value.size() < capacity - 1 ? value.size() : capacity - 1;
    memcpy(buffer, value.data(), n);
    buffer[n] = 0;
    return (uint32_t)n;
}

std::string ReadSection(const std::string& text, const char* section) {
    std::string strings;
    ForEachSectionLine(text, section, [&](View t) {
        if (t.empty() || t[0] == ';') return false;
        size_t eq = t.find('=');
        if (eq == View::npos) strings += t;
        else strings.append(TrimView(t.substr(0, eq))).append("=").append(TrimView(t.substr(eq + 1)));
        strings += '\0';
        return false;
    });
    return strings;
}

uint32_t CopySection(const std::string& strings, char* buffer, uint32_t capacity) {
    if (capacity < 2) return 0;
    if (strings.size() + 2 > capacity) {
        // Cut even when the cut takes only the last string's zero, as Wine's read does.
        memcpy(buffer, strings.data(), capacity - 2);
        buffer[capacity - 2] = 0;
        buffer[capacity - 1] = 0;
        return capacity - 2;
    }
    memcpy(buffer, strings.data(), strings.size());
    buffer[strings.size()] = 0;
    if (strings.empty()) buffer[1] = 0;
    return (uint32_t)strings.size();
}

std::string Write(const std::string& text, const char* section, const char* key, const char* value) {
    std::vector<std::string> lines = Lines(text);
    size_t first, last;
    bool found = FindSection(lines, section, &first, &last);
    if (!key) {
        if (found) lines.erase(lines.begin() + (first - 1), lines.begin() + last);
    } else if (!found) {
        if (value) {
            lines.push_back(std::string("[") + section + "]");
            lines.push_back(std::string(key) + "=" + value);
        }
    } else {
        size_t at = FindKey(lines, first, last, key);
        if (at != last) {
            if (value) lines[at] = std::string(key) + "=" + value;
            else lines.erase(lines.begin() + at);
        } else if (value) {
            size_t insert = last;
            while (insert > first && Trim(lines[insert - 1]).empty()) --insert;
            lines.insert(lines.begin() + insert, std::string(key) + "=" + value);
        }
    }
    std::string out;
    for (const std::string& line : lines) out += line + "\r\n";
    return out;
}

}  // namespace profile
