// Text, the counted string of the forms and their handlers: deep copies, joining,
// comparison, and the cuts and case changes that the handlers use.
#include "forms_text.h"
#include <string.h>

static char g_empty[1] = {0};

Text::Text() : buf_(g_empty), len_(0) {}
Text::Text(const char* s) : buf_(g_empty), len_(0) { Assign(s, s ? strlen(s) : 0); }
Text::Text(const char* s, size_t n) : buf_(g_empty), len_(0) { Assign(s, n); }
Text::Text(const Text& o) : buf_(g_empty), len_(0) { Assign(o.buf_, o.len_); }
Text::~Text() { if (buf_ != g_empty) delete[] buf_; }

Text& Text::operator=(const Text& o) {
    if (this != &o) Assign(o.buf_, o.len_);
    return *this;
}

void Text::Assign(const char* s, size_t n) {
    char* nb = g_empty;
    if (n) {
        nb = new char[n + 1];
        memcpy(nb, s, n);
        nb[n] = 0;
    }
    if (buf_ != g_empty) delete[] buf_;
    buf_ = nb;
    len_ = n;
}

Text& Text::operator+=(const Text& o) {
    if (!o.len_) return *this;
    size_t n = len_ + o.len_;
    char* nb = new char[n + 1];
    memcpy(nb, buf_, len_);
    memcpy(nb + len_, o.buf_, o.len_);
    nb[n] = 0;
    if (buf_ != g_empty) delete[] buf_;
    buf_ = nb;
    len_ = n;
    return *this;
}

Text operator+(const Text& a, const Text& b) {
    Text r(a);
    r += b;
    return r;
}

bool Text::operator==(const Text& o) const {
    return len_ == o.len_ && memcmp(buf_, o.buf_, len_) == 0;
}

Text Text::BeforeNul() const { return Text(buf_, strlen(buf_)); }

Text Text::Trim() const {
    size_t a = 0, b = len_;
    while (a < b && buf_[a] == ' ') ++a;
    while (b > a && buf_[b - 1] == ' ') --b;
    return Text(buf_ + a, b - a);
}

Text Text::UCase() const {
    Text r(*this);
    for (size_t i = 0; i < r.len_; ++i)
        if (r.buf_[i] >= 'a' && r.buf_[i] <= 'z') r.buf_[i] = (char)(r.buf_[i] - 'a' + 'A');
    return r;
}

Text Chr(int code) {
    char c = (char)code;
    return Text(&c, 1);
}
