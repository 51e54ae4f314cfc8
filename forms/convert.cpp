#include "convert.h"

static bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool ParseNumber(const Text& t, double* out) {
    size_t i = 0, n = t.Len();
    while (i < n && IsBlank(t[i])) ++i;
    bool neg = false;
    if (i < n && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
    double v = 0;
    int digits = 0;
    while (i < n && t[i] >= '0' && t[i] <= '9') {
        if (v < 1e18) v = v * 10 + (t[i] - '0');
        else v = 1e19;                       // far beyond any range asked for
        ++i, ++digits;
    }
    if (i < n && t[i] == '.') {
        ++i;
        double scale = 0.1;
        while (i < n && t[i] >= '0' && t[i] <= '9') {
            v += (t[i] - '0') * scale;
            scale *= 0.1;
            ++i, ++digits;
        }
    }
    while (i < n && IsBlank(t[i])) ++i;
    if (!digits || i != n) return false;
    *out = neg ? -v : v;
    return true;
}

double RoundHalfEven(double v) {
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
