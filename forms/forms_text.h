// Text: a counted 8-bit string that may hold NUL characters, the string type of
// the saver's forms and handlers. Copies are deep; there is no sharing.
#pragma once
#include <stddef.h>

class Text {
public:
    Text();
    Text(const char* s);
    Text(const char* s, size_t n);
    Text(const Text& o);
    ~Text();
    Text& operator=(const Text& o);

    size_t Len() const { return len_; }
    const char* Chars() const { return buf_; }     // always followed by a NUL
    char operator[](size_t i) const { return buf_[i]; }

    Text& operator+=(const Text& o);
    friend Text operator+(const Text& a, const Text& b);
    bool operator==(const Text& o) const;
    bool operator!=(const Text& o) const { return !(*this == o); }

    Text BeforeNul() const;                        // the characters before the first NUL
    Text Trim() const;                             // spaces removed at both ends (only spaces)
    Text UCase() const;                            // ASCII letters in upper case

private:
    void Assign(const char* s, size_t n);
    char* buf_;
    size_t len_;
};

Text Chr(int code);
