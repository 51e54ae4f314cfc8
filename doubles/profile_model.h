// The profile (INI) functions as Windows 95 has them, on the text of one file: what
// GetPrivateProfileStringA and GetPrivateProfileSectionA read from it and what
// WritePrivateProfileStringA makes of it. The headless platform of the saver's tests
// and the installer's system double both keep their files through this model; where
// a file lies and whether it may be written is each one's own. The platform table
// (tests/platform) checks these behaviours against Windows under Wine.
#pragma once
#include <stdint.h>
#include <string>

namespace profile {

// The value of key in the first section named section, or def (null: "") when the
// file, the section or the key is missing. Section and key names compare without
// regard to case; blanks around names and values are dropped, and so are matching
// quotes around a value. Comment lines (";") hold no keys.
std::string ReadString(const std::string& text, const char* section, const char* key, const char* def);
// Copies value out as GetPrivateProfileStringA does: at most capacity - 1 characters
// and a zero. Returns the number of characters copied.
uint32_t CopyString(const std::string& value, char* buffer, uint32_t capacity);

// The lines of the first section named section, each as "key=value" (blanks around
// both dropped) or as the line itself when it has no "=", each ended by a zero.
// Blank and comment lines are left out.
std::string ReadSection(const std::string& text, const char* section);
// Copies a section out as GetPrivateProfileSectionA does: the strings and one more
// zero, and their length. Without room for the strings and two zeros, the strings are
// cut to capacity - 2 characters, ended with two zeros, and capacity - 2 is returned.
uint32_t CopySection(const std::string& strings, char* buffer, uint32_t capacity);

// The text after WritePrivateProfileStringA(section, key, value): the first key of
// the name in the first section of the name is replaced, or removed when value is
// null; a new key goes after the section's last line that is not blank, a new section
// (with its key) at the end of the file; a null key removes the first section of the
// name, header and all. Lines end in CR LF.
std::string Write(const std::string& text, const char* section, const char* key, const char* value);

}  // namespace profile
