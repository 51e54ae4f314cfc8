// Decodes the program's pictures from its resources into bitmaps: GIF pictures
// with stb_image (GIF only, on the process heap), BMP files as they are.
#include <windows.h>
#include "win32_platform.h"

static void* HeapRealloc(void* p, size_t n) {
    if (!p) return HeapAlloc(GetProcessHeap(), 0, n);
    return HeapReAlloc(GetProcessHeap(), 0, p, n);
}

#define STBI_ONLY_GIF
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_SIMD
#define STBI_NO_THREAD_LOCALS
#define STBI_NO_FAILURE_STRINGS
#define STBI_ASSERT(x) ((void)0)
#define STBI_MALLOC(n) HeapAlloc(GetProcessHeap(), 0, (n))
#define STBI_REALLOC(p, n) HeapRealloc((p), (n))
#define STBI_FREE(p) ((p) ? (void)HeapFree(GetProcessHeap(), 0, (p)) : (void)0)
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

// A 32-bit top-down DIB section holding the decoded RGBA pixels.
static HBITMAP BitmapFromRgba(const unsigned char* rgba, int w, int h) {
    BITMAPINFO bi;
    ZeroMemory(&bi, sizeof bi);
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp || !bits) return bmp;
    unsigned char* out = (unsigned char*)bits;
    for (int i = 0; i < w * h; ++i) {
        out[4 * i + 0] = rgba[4 * i + 2];
        out[4 * i + 1] = rgba[4 * i + 1];
        out[4 * i + 2] = rgba[4 * i + 0];
        out[4 * i + 3] = 0;
    }
    return bmp;
}

// A bitmap from the bytes of a BMP file.
static HBITMAP BitmapFromBmpFile(const unsigned char* data, DWORD size, int* w, int* h) {
    if (size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return nullptr;
    const BITMAPFILEHEADER* fh = (const BITMAPFILEHEADER*)data;
    const BITMAPINFO* bi = (const BITMAPINFO*)(data + sizeof(BITMAPFILEHEADER));
    if (fh->bfOffBits >= size) return nullptr;
    *w = bi->bmiHeader.biWidth;
    *h = bi->bmiHeader.biHeight < 0 ? -bi->bmiHeader.biHeight : bi->bmiHeader.biHeight;
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateDIBitmap(screen, &bi->bmiHeader, CBM_INIT, data + fh->bfOffBits, bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return bmp;
}

Picture* DecodePictureResource(HINSTANCE inst, int id) {
    HRSRC res = FindResourceA(inst, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (!res) return nullptr;
    HGLOBAL mem = LoadResource(inst, res);
    const unsigned char* data = (const unsigned char*)LockResource(mem);
    DWORD size = SizeofResource(inst, res);
    if (!data || size < 4) return nullptr;
    Picture* p = new Picture{0, 0, nullptr};
    if (data[0] == 'B' && data[1] == 'M') {
        p->native = BitmapFromBmpFile(data, size, &p->widthPx, &p->heightPx);
    } else {
        int comp = 0;
        unsigned char* rgba = stbi_load_from_memory(data, (int)size, &p->widthPx, &p->heightPx, &comp, 4);
        if (rgba) {
            p->native = BitmapFromRgba(rgba, p->widthPx, p->heightPx);
            stbi_image_free(rgba);
        }
    }
    return p;
}
