// The forms platform's conversions of text to numbers (decimal, "&H" and "&O"), its
// rounding to whole numbers (a half to the even neighbour) and the text of a number.
#include "convert.h"

static bool IsBlank(char c) { return c == ' ' || c == '\t'; }

static int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 99;
}

// "&H" hexadecimal or "&O" octal digits (i at the first digit). As the language's
// literals, a value of at most 16 bits is a 16-bit integer and one of at most 32 bits
// a 32-bit one, read as two's complement: "&HFFFF" is -1, "&H10000" is 65536.
static bool ParseRadix(const Text& t, size_t i, size_t end, int radix, double* out) {
    unsigned long v = 0;
    size_t digits = 0;
    for (; i < end && DigitValue(t[i]) < radix; ++i, ++digits) {
        if (v > 0xFFFFFFFFul / (unsigned long)radix) return false;   // more than 32 bits
        v = v * (unsigned long)radix + (unsigned long)DigitValue(t[i]);
    }
    if (!digits || i != end) return false;
    if (v <= 0xFFFFul) *out = v >= 0x8000ul ? (double)v - 65536.0 : (double)v;
    else *out = v >= 0x80000000ul ? (double)v - 4294967296.0 : (double)v;
    return true;
}

bool ParseNumber(const Text& t, double* out) {
    size_t i = 0, end = t.Len();
    while (i < end && IsBlank(t[i])) ++i;
    while (end > i && IsBlank(t[end - 1])) --end;
    if (end - i >= 2 && t[i] == '&') {
        char kind = t[i + 1];
        if (kind == 'H' || kind == 'h') return ParseRadix(t, i + 2, end, 16, out);
        if (kind == 'O' || kind == 'o') return ParseRadix(t, i + 2, end, 8, out);
        return false;
    }
    bool neg = false;
    if (i < end && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
    // The digits make a whole number m (its first 18 significant digits, the rest
    // only counted) and the number is m * 10^scale.
    double m = 0;
    int significant = 0, digits = 0;
    long scale = 0;
    bool fraction = false;
    for (; i < end; ++i) {
        char c = t[i];
        if (c == '.' && !fraction) {
            fraction = true;
            continue;
        }
        if (c < '0' || c > '9') break;
        ++digits;
        if (significant < 18) {
            m = m * 10 + (c - '0');
            if (m > 0) ++significant;
            if (fraction) --scale;
        } else if (!fraction) {
            ++scale;
        }
    }
    if (!digits) return false;
    if (i < end && (t[i] == 'E' || t[i] == 'e' || t[i] == 'D' || t[i] == 'd')) {
        ++i;
        bool negExp = false;
        if (i < end && (t[i] == '+' || t[i] == '-')) negExp = t[i++] == '-';
        long e = 0;
        size_t expDigits = 0;
        for (; i < end && t[i] >= '0' && t[i] <= '9'; ++i, ++expDigits)
            if (e < 100000) e = e * 10 + (t[i] - '0');
        if (!expDigits) return false;
        scale += negExp ? -e : e;
    }
    if (i != end) return false;
    // Powers of ten up to 10^22 are exact, so a number written with up to 22 decimals
    // is divided exactly and rounds as written ("2.5" is 2.5).
    double v = m;
    for (; scale > 0 && v != 0 && v < 1e300; --scale) v *= 10;
    if (scale > 0 && v != 0) v = v * 1e300 * 1e300;        // overflow: out of every range
    while (scale < 0 && v != 0) {
        long k = scale < -22 ? 22 : -scale;
        double p = 1;
        for (long j = 0; j < k; ++j) p *= 10;
        v /= p;
        scale += k;
    }
    *out = neg ? -v : v;
    return true;
}

double RoundHalfEven(double v) {
    // From 2^52 on every double is whole (and the cast below would overflow).
    if (!(v < 4503599627370496.0 && v > -4503599627370496.0)) return v;
    double f = (double)(long long)v;         // truncated towards zero
    if (f > v) f -= 1;                       // now the floor
    double frac = v - f;
    if (frac > 0.5) return f + 1;
    if (frac < 0.5) return f;
    long long whole = (long long)f;
    return (whole % 2 == 0) ? f : f + 1;
}

static bool ToRange(const Text& t, double lo, double hi, double* out) {
    double v;
    if (!ParseNumber(t, &v)) return false;
    v = RoundHalfEven(v);
    if (v < lo || v > hi) return false;
    *out = v;
    return true;
}

bool TextToLong(const Text& t, long* out) {
    double v;
    if (!ToRange(t, -2147483648.0, 2147483647.0, &v)) return false;
    *out = (long)(long long)v;
    return true;
}

bool TextToInteger(const Text& t, short* out) {
    double v;
    if (!ToRange(t, -32768.0, 32767.0, &v)) return false;
    *out = (short)(long long)v;
    return true;
}

Text NumberText(long v) {
    char buf[16];
    int i = 15;
    buf[i] = 0;
    unsigned long u = v < 0 ? 0ul - (unsigned long)v : (unsigned long)v;
    do {
        buf[--i] = (char)('0' + u % 10);
        u /= 10;
    } while (u);
    if (v < 0) buf[--i] = '-';
    return Text(buf + i);
}

float FloorSingle(float v) {
    if (v >= 8388608.0f || v <= -8388608.0f) return v;   // already whole
    float f = (float)(long)v;
    if (f > v) f -= 1.0f;
    return f;
}
