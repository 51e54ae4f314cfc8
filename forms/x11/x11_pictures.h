// The program's pictures, decoded from the GIF files built into it.
#pragma once
#include <vector>

// The picture's size and its pixels as colours 0x00BBGGRR, row after row. False
// when the bytes are not a GIF picture that can be read.
bool DecodeGifColours(const unsigned char* data, unsigned long size, int* width, int* height,
                      std::vector<long>* colours);
