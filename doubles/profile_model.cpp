// The profile (INI) functions of Windows 95 on the text of one file, shared by the
// saver's headless platform and the installer's system double.
#include "profile_model.h"

#include <string.h>
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
    std::vector<std::string> lines = Lines(text);
    size_t first, last;
    if (FindSection(lines, section, &first, &last)) {
        for (size_t i = first; i < last; ++i) {
            std::string t = Trim(lines[i]);
            size_t eq = t.find('=');
            if (IsComment(t) || eq == std::string::npos || Lower(Trim(t.substr(0, eq))) != Lower(Trim(key))) continue;
            std::string value = Trim(t.substr(eq + 1));
            if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
                value = value.substr(1, value.size() - 2);
            return value;
        }
    }
    return def ? def : "";
}

uint32_t CopyString(const std::string& value, char* buffer, uint32_t capacity) {
    if (capacity == 0) return 0;
    size_t n = value.size() < capacity - 1 ? value.size() : capacity - 1;
    memcpy(buffer, value.data(), n);
    buffer[n] = 0;
    return (uint32_t)n;
}

std::string ReadSection(const std::string& text, const char* section) {
    std::vector<std::string> lines = Lines(text);
    std::string strings;
    size_t first, last;
    if (!FindSection(lines, section, &first, &last)) return strings;
    for (size_t i = first; i < last; ++i) {
        std::string t = Trim(lines[i]);
        if (IsComment(t)) continue;
        size_t eq = t.find('=');
        strings += eq == std::string::npos ? t : Trim(t.substr(0, eq)) + "=" + Trim(t.substr(eq + 1));
        strings += '\0';
    }
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
