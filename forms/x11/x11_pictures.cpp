// Decodes the program's GIF pictures with stb_image (GIF only) into colours.
#include "x11_pictures.h"

#define STBI_ONLY_GIF
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_FAILURE_STRINGS
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

bool DecodeGifColours(const unsigned char* data, unsigned long size, int* width, int* height,
                      std::vector<long>* colours) {
    int comp = 0;
    unsigned char* rgba = stbi_load_from_memory(data, (int)size, width, height, &comp, 4);
    if (!rgba) return false;
    colours->resize((size_t)*width * (size_t)*height);
    for (size_t i = 0; i < colours->size(); ++i)
        (*colours)[i] = rgba[4 * i] | (rgba[4 * i + 1] << 8) | ((long)rgba[4 * i + 2] << 16);
    stbi_image_free(rgba);
    return true;
}
