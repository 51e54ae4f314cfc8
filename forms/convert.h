// Text-to-number conversions and rounding of the forms platform.
#pragma once
#include "forms_text.h"

// Reads a number as the platform's conversions do: blanks or tabs around it, then
// either an optional sign, digits with an optional fraction and an optional exponent
// ("10", " 007 ", "-3", "10.5", ".5", "1e2", "2.5D-1"), or "&H" and hexadecimal or
// "&O" and octal digits ("&H20", "&O17"). False when the text is anything else
// (empty, letters, a NUL character, several numbers).
bool ParseNumber(const Text& t, double* out);

// Nearest whole number, a half going to the even neighbour (10.5 -> 10, 11.5 -> 12).
double RoundHalfEven(double v);

// Conversions to a signed 32-bit and a signed 16-bit integer, with the rounding above.
// False when the text is not a number or its rounded value does not fit.
bool TextToLong(const Text& t, long* out);
bool TextToInteger(const Text& t, short* out);

// The decimal text of a whole number, with no leading blank ("10", "-4").
Text NumberText(long v);

// The largest whole number not greater than v (towards minus infinity).
float FloorSingle(float v);
