// Checks the committed picture files against the make-up the programs rely on:
// the sprite frames are drawn as whole black squares straight from their GIF
// data, the icons and the pointer go into the resource section as they are,
// and the setup dialog draws the header bitmap at its own size.
//
// Each checker returns the list of faults it finds, so the same code is run on
// the committed files (no faults) and on damaged copies (the expected fault).

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_GIF
#define STBI_NO_STDIO
#include <stb_image.h>

namespace {

using Bytes = std::vector<uint8_t>;
using Faults = std::vector<std::string>;

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string SaverAsset(const std::string& name) { return std::string(SAVER_ASSET_DIR) + "/" + name; }

uint32_t Le(const Bytes& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + i];
    return v;
}

bool HasFault(const Faults& faults, const std::string& what) {
    return std::any_of(faults.begin(), faults.end(),
                       [&](const std::string& f) { return f.find(what) != std::string::npos; });
}

std::string Join(const Faults& faults) {
    std::string all;
    for (const auto& f : faults) all += f + "\n";
    return all;
}

// ---------------------------------------------------------------------------
// GIF

constexpr int FRAME_SIZE = 100;
constexpr int BOX_LEFT = 24, BOX_RIGHT = 75, BOX_TOP = 25, BOX_BOTTOM = 74;

struct Gif {
    int width = 0, height = 0, background = -1, globalEntries = 0;
    Bytes globalTable;  // RGB triples
    int images = 0, extensions = 0;
    int left = -1, top = -1, imageWidth = 0, imageHeight = 0;
    bool interlaced = false, localTable = false;
    Bytes indices;  // the first image's pixels, row by row
};

// Decodes GIF LZW data into exactly `count` indices; empty on malformed data.
Bytes LzwDecode(const Bytes& data, int minSize, size_t count) {
    if (minSize < 2 || minSize > 11) return {};
    const int clear = 1 << minSize, end = clear + 1;
    std::vector<Bytes> table;
    int size = minSize + 1;
    auto reset = [&] {
        table.assign(end + 1, Bytes());
        for (int i = 0; i < clear; ++i) table[i] = Bytes{static_cast<uint8_t>(i)};
        size = minSize + 1;
    };
    reset();
    size_t bit = 0;
    auto read = [&](int n, int& code) {
        if (bit + n > data.size() * 8) return false;
        code = 0;
        for (int i = 0; i < n; ++i, ++bit) code |= ((data[bit >> 3] >> (bit & 7)) & 1) << i;
        return true;
    };
    Bytes out;
    int prev = -1, code = 0;
    while (read(size, code)) {
        if (code == clear) { reset(); prev = -1; continue; }
        if (code == end) return out.size() == count ? out : Bytes();
        Bytes entry;
        if (code < static_cast<int>(table.size()) && code != clear && code != end) entry = table[code];
        else if (code == static_cast<int>(table.size()) && prev >= 0) {
            entry = table[prev];
            entry.push_back(table[prev][0]);
        } else return {};
        if (prev >= 0 && table.size() < 4096) {
            Bytes added = table[prev];
            added.push_back(entry[0]);
            table.push_back(added);
            if (table.size() == (1u << size) && size < 12) ++size;
        }
        out.insert(out.end(), entry.begin(), entry.end());
        if (out.size() > count) return {};
        prev = code;
    }
    return {};  // no end code
}

// Walks the whole file block by block; structural faults go into `faults`.
Gif ParseGif(const Bytes& f, Faults& faults) {
    Gif g;
    if (f.size() < 13 || std::string(f.begin(), f.begin() + 6) != "GIF89a") {
        faults.push_back("header is not GIF89a");
        return g;
    }
    g.width = Le(f, 6, 2);
    g.height = Le(f, 8, 2);
    const uint8_t packed = f[10];
    g.background = f[11];
    size_t at = 13;
    if (packed & 0x80) {
        g.globalEntries = 2 << (packed & 7);
        if (at + g.globalEntries * 3 > f.size()) { faults.push_back("global colour table cut short"); return g; }
        g.globalTable.assign(f.begin() + at, f.begin() + at + g.globalEntries * 3);
        at += g.globalEntries * 3;
    }
    auto skipBlocks = [&](Bytes* into) {
        while (at < f.size()) {
            const size_t n = f[at++];
            if (n == 0) return true;
            if (at + n > f.size()) break;
            if (into) into->insert(into->end(), f.begin() + at, f.begin() + at + n);
            at += n;
        }
        faults.push_back("data sub-blocks run past the end of the file");
        return false;
    };
    while (true) {
        if (at >= f.size()) { faults.push_back("no trailer"); return g; }
        const uint8_t kind = f[at++];
        if (kind == 0x3B) break;
        if (kind == 0x21) {
            ++g.extensions;
            if (++at > f.size() || !skipBlocks(nullptr)) return g;  // label, then its sub-blocks
            continue;
        }
        if (kind != 0x2C || at + 9 > f.size()) { faults.push_back("unknown block or cut-short image descriptor"); return g; }
        const bool first = g.images++ == 0;
        const uint8_t ipacked = f[at + 8];
        if (first) {
            g.left = Le(f, at, 2);
            g.top = Le(f, at + 2, 2);
            g.imageWidth = Le(f, at + 4, 2);
            g.imageHeight = Le(f, at + 6, 2);
            g.interlaced = ipacked & 0x40;
            g.localTable = ipacked & 0x80;
        }
        at += 9;
        if (ipacked & 0x80) at += (2 << (ipacked & 7)) * 3;
        if (at >= f.size()) { faults.push_back("image data missing"); return g; }
        const int minSize = f[at++];
        Bytes lzw;
        if (!skipBlocks(&lzw)) return g;
        if (first) {
            g.indices = LzwDecode(lzw, minSize, size_t(g.imageWidth) * g.imageHeight);
            if (g.indices.empty()) faults.push_back("image data does not decode to width x height pixels");
        }
    }
    if (at != f.size()) faults.push_back("bytes after the trailer");
    return g;
}

Faults CheckFrameStructure(const Gif& g) {
    Faults faults;
    if (g.width != FRAME_SIZE || g.height != FRAME_SIZE) faults.push_back("logical screen is not 100x100");
    if (g.globalEntries != 256) faults.push_back("global colour table does not have 256 entries");
    if (g.background != 0) faults.push_back("background colour index is not 0");
    if (g.globalTable.size() >= 3 && (g.globalTable[0] || g.globalTable[1] || g.globalTable[2]))
        faults.push_back("colour 0 is not black");
    if (g.images != 1) faults.push_back("not exactly one image descriptor");
    if (g.left != 0 || g.top != 0) faults.push_back("image is not at (0,0)");
    if (g.imageWidth != FRAME_SIZE || g.imageHeight != FRAME_SIZE) faults.push_back("image is not 100x100");
    if (g.interlaced) faults.push_back("image is interlaced");
    if (g.localTable) faults.push_back("image has a local colour table");
    if (g.extensions != 0) faults.push_back("file has extension blocks");
    if (g.globalTable.size() == 256 * 3) {
        std::set<std::array<uint8_t, 3>> colours;
        for (int i = 0; i < 16; ++i)
            colours.insert({g.globalTable[i * 3], g.globalTable[i * 3 + 1], g.globalTable[i * 3 + 2]});
        if (colours.size() != 16) faults.push_back("colours 0..15 are not sixteen distinct colours");
    }
    return faults;
}

Faults CheckFramePixels(const Bytes& indices) {
    Faults faults;
    if (indices.size() != size_t(FRAME_SIZE) * FRAME_SIZE) return {"pixel count is not 100x100"};
    std::set<int> used;
    bool outside = false;
    for (int y = 0; y < FRAME_SIZE; ++y)
        for (int x = 0; x < FRAME_SIZE; ++x) {
            const int v = indices[y * FRAME_SIZE + x];
            used.insert(v);
            if (v != 0 && (x < BOX_LEFT || x > BOX_RIGHT || y < BOX_TOP || y > BOX_BOTTOM)) outside = true;
        }
    if (*used.rbegin() > 15) faults.push_back("pixels use indices above 15");
    if (used.size() != 12) faults.push_back("frame uses " + std::to_string(used.size()) + " indices, not 12");
    if (!used.count(0)) faults.push_back("frame does not use index 0");
    if (outside) faults.push_back("non-black pixel outside the figure box");
    return faults;
}

// Every fault of a sprite frame file: its GIF structure, then its pixels.
Faults CheckFrame(const Bytes& file) {
    Faults faults;
    const Gif g = ParseGif(file, faults);
    const Faults structure = CheckFrameStructure(g);
    const Faults pixels = CheckFramePixels(g.indices);
    faults.insert(faults.end(), structure.begin(), structure.end());
    faults.insert(faults.end(), pixels.begin(), pixels.end());
    return faults;
}

class SpriteFrame : public testing::TestWithParam<const char*> {};

TEST_P(SpriteFrame, HasTheFrameMakeUp) {
    const Bytes file = ReadFile(SaverAsset(GetParam()));
    ASSERT_FALSE(file.empty()) << GetParam() << " is missing";
    const Faults faults = CheckFrame(file);
    EXPECT_TRUE(faults.empty()) << Join(faults);
}

// An independent decoder must see the same picture: each pixel is the global
// table's colour for the index decoded here.
TEST_P(SpriteFrame, DecodesToTheSameColoursWithAnotherDecoder) {
    const Bytes file = ReadFile(SaverAsset(GetParam()));
    Faults faults;
    const Gif g = ParseGif(file, faults);
    ASSERT_TRUE(faults.empty()) << Join(faults);
    int w = 0, h = 0, n = 0;
    stbi_uc* rgb = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 3);
    ASSERT_NE(rgb, nullptr) << stbi_failure_reason();
    ASSERT_EQ(w, FRAME_SIZE);
    ASSERT_EQ(h, FRAME_SIZE);
    int mismatches = 0;
    for (int i = 0; i < w * h; ++i)
        for (int c = 0; c < 3; ++c)
            mismatches += rgb[i * 3 + c] != g.globalTable[g.indices[i] * 3 + c];
    stbi_image_free(rgb);
    EXPECT_EQ(mismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(Frames, SpriteFrame,
                         testing::Values("frame1.gif", "frame2.gif", "frame3.gif", "frame4.gif", "frame5.gif"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string("frame") + std::to_string(info.index + 1);
                         });

TEST(SpriteFrames, ShareOneColourTableAndShowFiveDifferentPoses) {
    std::vector<Gif> frames;
    for (int k = 1; k <= 5; ++k) {
        Faults faults;
        frames.push_back(ParseGif(ReadFile(SaverAsset("frame" + std::to_string(k) + ".gif")), faults));
        ASSERT_TRUE(faults.empty()) << "frame" << k << ": " << Join(faults);
    }
    for (size_t a = 0; a < frames.size(); ++a)
        for (size_t b = a + 1; b < frames.size(); ++b) {
            EXPECT_EQ(frames[a].globalTable, frames[b].globalTable) << "frames " << a + 1 << " and " << b + 1;
            EXPECT_NE(frames[a].indices, frames[b].indices) << "frames " << a + 1 << " and " << b + 1;
        }
}

// The checkers themselves: a damaged copy of frame 1 must be caught.
struct GifDamage {
    const char* name;
    void (*damage)(Bytes&);
    const char* fault;
};

const GifDamage GIF_DAMAGES[] = {
    {"OlderVersion", [](Bytes& f) { f[4] = '7'; }, "GIF89a"},
    {"NarrowScreen", [](Bytes& f) { f[6] = 99; }, "logical screen"},
    {"SmallerTable", [](Bytes& f) { f[10] = (f[10] & ~7) | 3; }, "256 entries"},
    {"NoGlobalTable", [](Bytes& f) { f[10] &= 0x7F; }, "256 entries"},
    {"BackgroundIndex", [](Bytes& f) { f[11] = 1; }, "background colour index"},
    {"GreyBackground", [](Bytes& f) { f[13] = f[14] = f[15] = 40; }, "colour 0 is not black"},
    {"RepeatedColour", [](Bytes& f) { std::copy(f.begin() + 13 + 3, f.begin() + 13 + 6, f.begin() + 13 + 6); },
     "sixteen distinct"},
    {"Interlaced", [](Bytes& f) { f[13 + 768 + 9] |= 0x40; }, "interlaced"},
    {"ShiftedImage", [](Bytes& f) { f[13 + 768 + 1] = 1; }, "(0,0)"},
    {"ControlExtension",
     [](Bytes& f) {
         const uint8_t gce[] = {0x21, 0xF9, 4, 1, 0, 0, 0, 0};
         f.insert(f.begin() + 13 + 768, std::begin(gce), std::end(gce));
     },
     "extension"},
    {"SecondImage",
     [](Bytes& f) {
         const size_t image = 13 + 768;
         Bytes copy(f.begin() + image, f.end() - 1);
         f.insert(f.end() - 1, copy.begin(), copy.end());
     },
     "one image descriptor"},
    {"CutShort", [](Bytes& f) { f.resize(f.size() / 2); }, ""},
};

class DamagedFrame : public testing::TestWithParam<GifDamage> {};

TEST_P(DamagedFrame, IsRejected) {
    Bytes file = ReadFile(SaverAsset("frame1.gif"));
    ASSERT_FALSE(file.empty());
    GetParam().damage(file);
    const Faults faults = CheckFrame(file);
    EXPECT_TRUE(HasFault(faults, GetParam().fault) && !faults.empty()) << Join(faults);
}

INSTANTIATE_TEST_SUITE_P(Frame1, DamagedFrame, testing::ValuesIn(GIF_DAMAGES),
                         [](const testing::TestParamInfo<GifDamage>& info) { return info.param.name; });

struct PixelDamage {
    const char* name;
    int x, y, index;
    const char* fault;
};

const PixelDamage PIXEL_DAMAGES[] = {
    {"LeftOfBox", BOX_LEFT - 1, 50, 1, "outside the figure box"},
    {"RightOfBox", BOX_RIGHT + 1, 50, 1, "outside the figure box"},
    {"AboveBox", 50, BOX_TOP - 1, 1, "outside the figure box"},
    {"BelowBox", 50, BOX_BOTTOM + 1, 1, "outside the figure box"},
    {"IndexAbove15", 50, 50, 16, "above 15"},
};

class RepaintedFrame : public testing::TestWithParam<PixelDamage> {};

TEST_P(RepaintedFrame, IsRejected) {
    Faults faults;
    Gif g = ParseGif(ReadFile(SaverAsset("frame1.gif")), faults);
    ASSERT_TRUE(faults.empty()) << Join(faults);
    g.indices[GetParam().y * FRAME_SIZE + GetParam().x] = uint8_t(GetParam().index);
    EXPECT_TRUE(HasFault(CheckFramePixels(g.indices), GetParam().fault));
}

INSTANTIATE_TEST_SUITE_P(Frame1, RepaintedFrame, testing::ValuesIn(PIXEL_DAMAGES),
                         [](const testing::TestParamInfo<PixelDamage>& info) { return info.param.name; });

TEST(RepaintedFrame, WithAThirteenthOrOnlyElevenColoursIsRejected) {
    Faults faults;
    const Gif g = ParseGif(ReadFile(SaverAsset("frame1.gif")), faults);
    ASSERT_TRUE(faults.empty()) << Join(faults);
    std::set<int> used(g.indices.begin(), g.indices.end());
    int unused = 0;
    while (used.count(unused)) ++unused;
    Bytes more = g.indices;
    more[50 * FRAME_SIZE + 50] = uint8_t(unused);
    EXPECT_TRUE(HasFault(CheckFramePixels(more), "13 indices"));
    Bytes fewer = g.indices;
    const int dropped = *used.rbegin();
    std::replace(fewer.begin(), fewer.end(), uint8_t(dropped), uint8_t(1));
    EXPECT_TRUE(HasFault(CheckFramePixels(fewer), "11 indices"));
}

// ---------------------------------------------------------------------------
// Icons and the pointer: one 32x32 image each, BMP-format with an AND mask.

struct IconSpec {
    const char* name;
    std::string path;
    int type;         // 1 icon, 2 cursor
    int bitsPerPixel;
    int colours;      // the directory entry's colour count
};

Faults CheckIconFile(const Bytes& f, const IconSpec& want) {
    Faults faults;
    if (f.size() < 6 + 16 + 40) return {"file too short for a directory and an image header"};
    if (Le(f, 0, 2) != 0 || int(Le(f, 2, 2)) != want.type) faults.push_back("wrong resource type in the directory");
    if (Le(f, 4, 2) != 1) faults.push_back("directory does not hold exactly one image");
    if (f[6] != 32 || f[7] != 32) faults.push_back("directory entry is not 32x32");
    if (f[8] != want.colours) faults.push_back("directory entry's colour count is wrong");
    if (want.type == 1 && (Le(f, 10, 2) != 1 || int(Le(f, 12, 2)) != want.bitsPerPixel))
        faults.push_back("icon entry's planes or bit count is wrong");
    if (want.type == 2 && (Le(f, 10, 2) != 0 || Le(f, 12, 2) != 0)) faults.push_back("hot spot is not (0,0)");
    const uint32_t size = Le(f, 14, 4), offset = Le(f, 18, 4);
    if (offset != 22 || size_t(offset) + size != f.size()) {
        faults.push_back("image does not fill the file after the directory");
        return faults;
    }
    const uint32_t paletteBytes = 4u << want.bitsPerPixel;
    const uint32_t xorBytes = 32 * ((32 * want.bitsPerPixel + 31) / 32 * 4), andBytes = 32 * 4;
    if (Le(f, 22, 4) != 40 || Le(f, 26, 4) != 32 || Le(f, 30, 4) != 64) faults.push_back("image header is not 32x(2*32)");
    if (Le(f, 34, 2) != 1 || int(Le(f, 36, 2)) != want.bitsPerPixel) faults.push_back("image is not of the expected bit depth");
    if (Le(f, 38, 4) != 0) faults.push_back("image is compressed");
    if (size != 40 + paletteBytes + xorBytes + andBytes) {
        faults.push_back("image size does not match header, palette, colour and AND mask");
        return faults;
    }
    const size_t xorAt = offset + 40 + paletteBytes, andAt = xorAt + xorBytes;
    const Bytes xorMask(f.begin() + xorAt, f.begin() + andAt), andMask(f.begin() + andAt, f.end());
    if (want.type == 2) {
        if (std::any_of(andMask.begin(), andMask.end(), [](uint8_t b) { return b != 0xFF; }))
            faults.push_back("AND mask is not all ones");
        if (std::any_of(xorMask.begin(), xorMask.end(), [](uint8_t b) { return b != 0; }))
            faults.push_back("XOR mask is not all zeros");
    } else {
        // A real picture: some opaque pixels, in more than one colour.
        std::set<int> opaque;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (!((andMask[y * 4 + x / 8] >> (7 - x % 8)) & 1))
                    opaque.insert((xorMask[y * 16 + x / 2] >> (x % 2 ? 0 : 4)) & 15);
        if (opaque.size() < 3) faults.push_back("icon shows no picture");
    }
    return faults;
}

const IconSpec ICONS[] = {
    {"SaverIcon", SaverAsset("zelvosav.ico"), 1, 4, 16},
    {"InstallerIcon", std::string(INSTALLER_RESOURCE_DIR) + "/decorama.ico", 1, 4, 16},
    {"BlankPointer", SaverAsset("blank.cur"), 2, 1, 2},
};

class IconFile : public testing::TestWithParam<IconSpec> {};

TEST_P(IconFile, HasOne32x32ImageOfTheRightKind) {
    const Bytes file = ReadFile(GetParam().path);
    ASSERT_FALSE(file.empty()) << GetParam().path << " is missing";
    const Faults faults = CheckIconFile(file, GetParam());
    EXPECT_TRUE(faults.empty()) << Join(faults);
}

INSTANTIATE_TEST_SUITE_P(Files, IconFile, testing::ValuesIn(ICONS),
                         [](const testing::TestParamInfo<IconSpec>& info) { return info.param.name; });

struct IconDamage {
    const char* name;
    int file;  // index into ICONS
    void (*damage)(Bytes&);
    const char* fault;
};

const IconDamage ICON_DAMAGES[] = {
    {"TwoImages", 0, [](Bytes& f) { f[4] = 2; }, "exactly one image"},
    {"Icon48", 0, [](Bytes& f) { f[6] = 48; }, "not 32x32"},
    {"EightBitIcon", 1, [](Bytes& f) { f[22 + 14] = 8; }, "bit depth"},
    {"IconAsCursor", 1, [](Bytes& f) { f[2] = 2; }, "resource type"},
    {"EmptyIcon", 0, [](Bytes& f) { std::fill(f.end() - 128, f.end(), 0xFF); }, "no picture"},
    {"MovedHotSpot", 2, [](Bytes& f) { f[10] = 16; }, "hot spot"},
    {"VisiblePointerPixel", 2, [](Bytes& f) { f.back() = 0x7F; }, "AND mask"},
    {"InvertingPointerPixel", 2, [](Bytes& f) { f[f.size() - 129] = 1; }, "XOR mask"},
    {"TruncatedPointer", 2, [](Bytes& f) { f.pop_back(); }, "fill the file"},
};

class DamagedIcon : public testing::TestWithParam<IconDamage> {};

TEST_P(DamagedIcon, IsRejected) {
    const IconSpec& want = ICONS[GetParam().file];
    Bytes file = ReadFile(want.path);
    ASSERT_FALSE(file.empty());
    GetParam().damage(file);
    const Faults faults = CheckIconFile(file, want);
    EXPECT_TRUE(HasFault(faults, GetParam().fault)) << Join(faults);
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedIcon, testing::ValuesIn(ICON_DAMAGES),
                         [](const testing::TestParamInfo<IconDamage>& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// The setup dialog's header picture.

constexpr size_t HEADER_FILE_SIZE = 72758;

struct HeaderField {
    const char* name;
    size_t offset;
    int bytes;
    uint32_t expected;
};

const HeaderField HEADER_FIELDS[] = {
    {"bfType", 0, 2, 0x4D42},       {"bfSize", 2, 4, HEADER_FILE_SIZE}, {"bfReserved", 6, 4, 0},
    {"bfOffBits", 10, 4, 1078},     {"biSize", 14, 4, 40},             {"biWidth", 18, 4, 320},
    {"biHeight", 22, 4, 224},       {"biPlanes", 26, 2, 1},            {"biBitCount", 28, 2, 8},
    {"biCompression", 30, 4, 0},    {"biClrUsed", 46, 4, 256},         {"biClrImportant", 50, 4, 256},
};

Faults CheckHeaderBitmap(const Bytes& f) {
    if (f.size() != HEADER_FILE_SIZE) return {"file is " + std::to_string(f.size()) + " bytes, not 72758"};
    Faults faults;
    for (const HeaderField& field : HEADER_FIELDS)
        if (Le(f, field.offset, field.bytes) != field.expected)
            faults.push_back(std::string(field.name) + " is " + std::to_string(Le(f, field.offset, field.bytes)));
    const uint32_t imageSize = Le(f, 34, 4);
    if (imageSize != 0 && imageSize != 320 * 224) faults.push_back("biSizeImage is " + std::to_string(imageSize));
    // A picture, not a blank: the pixels use a fair number of colours.
    std::set<uint8_t> used(f.begin() + 1078, f.end());
    if (used.size() < 8) faults.push_back("picture is nearly blank");
    return faults;
}

TEST(HeaderPicture, Is320x224At8BitsBottomUpUncompressed) {
    const Bytes file = ReadFile(SaverAsset("header.bmp"));
    const Faults faults = CheckHeaderBitmap(file);
    EXPECT_TRUE(faults.empty()) << Join(faults);
}

class DamagedHeader : public testing::TestWithParam<HeaderField> {};

TEST_P(DamagedHeader, IsRejected) {
    Bytes file = ReadFile(SaverAsset("header.bmp"));
    ASSERT_EQ(file.size(), HEADER_FILE_SIZE);
    file[GetParam().offset] ^= 0x01;
    EXPECT_TRUE(HasFault(CheckHeaderBitmap(file), GetParam().name));
}

INSTANTIATE_TEST_SUITE_P(Fields, DamagedHeader, testing::ValuesIn(HEADER_FIELDS),
                         [](const testing::TestParamInfo<HeaderField>& info) { return info.param.name; });

TEST(DamagedHeader, OfAnotherLengthOrBlankIsRejected) {
    Bytes file = ReadFile(SaverAsset("header.bmp"));
    ASSERT_EQ(file.size(), HEADER_FILE_SIZE);
    Bytes longer = file;
    longer.push_back(0);
    EXPECT_TRUE(HasFault(CheckHeaderBitmap(longer), "not 72758"));
    Bytes blank = file;
    std::fill(blank.begin() + 1078, blank.end(), 0);
    EXPECT_TRUE(HasFault(CheckHeaderBitmap(blank), "blank"));
}

// Test names in failure messages rather than byte dumps.
void PrintTo(const GifDamage& d, std::ostream* os) { *os << d.name; }
void PrintTo(const PixelDamage& d, std::ostream* os) { *os << d.name; }
void PrintTo(const IconSpec& s, std::ostream* os) { *os << s.name; }
void PrintTo(const IconDamage& d, std::ostream* os) { *os << d.name; }
void PrintTo(const HeaderField& f, std::ostream* os) { *os << f.name; }

}  // namespace
