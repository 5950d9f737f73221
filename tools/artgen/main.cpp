// artgen: paints every picture resource of Sylvadra and writes it into
// resources/ (or any folder), and lays out the contact sheet.
//
//   artgen --out DIR          write bitmap-N.bmp, icon-N.ico, data-N.bmp
//   artgen --sheet FILE.png   write the contact sheet, its night page as
//                             FILE-night.png, and its sharp page as
//                             FILE-sharp.png
//   artgen --png DIR          write every picture as a PNG at 2:1 (review)
//   artgen --sharp DIR        write every picture at densities 2 and 4 in
//                             full colour as a PNG with alpha (review)
//   --font FILE               the font for lettering (default: the project's)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

#include "artgen.h"

#ifndef ARTGEN_FONT
#define ARTGEN_FONT "resources/font-1.otf"
#endif

namespace art {

bool loadFont(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::vector<uint8_t> data;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
    bool read = !std::ferror(f);
    std::fclose(f);
    return read && useFont(data.data(), data.size());
}

const Picture* Catalogue::find(const std::string& kind, int id) const
{
    for (auto& p : pictures)
        if (p.kind == kind && p.id == id) return &p;
    return nullptr;
}

Image storedImage(const Picture& p)
{
    Image im;
    const Indexed& x = p.indexed;
    im.w = x.w;
    im.h = x.h;
    im.c.resize(size_t(x.w) * x.h);
    im.a.resize(size_t(x.w) * x.h);
    for (size_t i = 0; i < im.c.size(); ++i) {
        im.c[i] = hex(x.pal[x.idx[i]]);
        im.a[i] = x.opaque[i] ? 1.f : 0.f;
    }
    return im;
}

namespace {

void add(Catalogue& cat, const std::string& kind, int id, int maskId, int frames, Image im, QuantOptions q)
{
    Picture p;
    p.kind = kind;
    p.id = id;
    p.maskId = maskId;
    p.frames = frames;
    p.sprite = q.masked;
    p.indexed = quantize(im, q);
    p.image = std::move(im);
    cat.pictures.push_back(std::move(p));
}

Catalogue build()
{
    Catalogue cat;
    QuantOptions rows;
    rows.dither = Dither::Rows;
    QuantOptions flat;
    QuantOptions sprite;
    sprite.masked = true;
    for (const Resource& r : catalogue()) {
        const QuantOptions& q = r.style == Style::Rows ? rows : (r.style == Style::Flat ? flat : sprite);
        Image im = paint(r, 1);
        if (im.w != r.w || im.h != r.h)
            throw std::runtime_error("the catalogue's size of picture " + std::to_string(r.id) + " is wrong");
        add(cat, r.kind == Kind::Icon ? "icon" : "bitmap", r.id, r.maskId, r.frames, std::move(im), q);
    }
    // The about picture: 256 colours.
    QuantOptions about;
    about.colours = 256;
    add(cat, "data", 2, 0, 1, paintAbout(), about);
    // The preview is composed of the finished pictures above.
    Image preview = paintPreview(cat);
    Picture p;
    p.kind = "data";
    p.id = 1;
    QuantOptions none;
    none.colours = 256;
    none.dither = Dither::None;
    p.image = preview;
    p.indexed = quantize(preview, none); // only for the sheet; stored as 24-bit
    cat.pictures.push_back(std::move(p));
    return cat;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool writeResources(const Catalogue& cat, const std::string& dir)
{
    bool ok = true;
    for (auto& p : cat.pictures) {
        std::string base = dir + "/" + p.kind + "-" + std::to_string(p.id);
        if (p.kind == "icon") {
            ok &= writeFile(base + ".ico", ico8(p.indexed));
        } else if (p.kind == "data") {
            ok &= writeFile(base + ".bmp", p.id == 1 ? bmp24(p.image) : bmp8(p.indexed));
        } else {
            ok &= writeFile(base + ".bmp", bmpRle4(p.indexed));
            if (p.maskId) ok &= writeFile(dir + "/bitmap-" + std::to_string(p.maskId) + ".bmp", bmpMask(p.indexed));
        }
    }
    return ok;
}

// ---------------------------------------------------------------- sheet
struct Sheet {
    int w, h;
    std::vector<uint8_t> px; // RGB
    Sheet(int w_, int h_, uint32_t bg) : w(w_), h(h_), px(size_t(w_) * h_ * 3)
    {
        for (size_t i = 0; i < size_t(w) * h; ++i) {
            px[i * 3] = uint8_t(bg >> 16);
            px[i * 3 + 1] = uint8_t(bg >> 8);
            px[i * 3 + 2] = uint8_t(bg);
        }
    }
    void set(int x, int y, uint32_t c)
    {
        if (x < 0 || y < 0 || x >= w || y >= h) return;
        uint8_t* p = &px[(size_t(y) * w + x) * 3];
        p[0] = uint8_t(c >> 16);
        p[1] = uint8_t(c >> 8);
        p[2] = uint8_t(c);
    }
    void blend(int x, int y, uint32_t c, int a)
    {
        if (x < 0 || y < 0 || x >= w || y >= h) return;
        uint8_t* p = &px[(size_t(y) * w + x) * 3];
        for (int k = 0; k < 3; ++k) {
            int s = (c >> (16 - 8 * k)) & 255;
            p[k] = uint8_t((p[k] * (255 - a) + s * a + 127) / 255);
        }
    }
    void label(const std::string& s, int x, int baseline, float px_, uint32_t c)
    {
        TextMask m = textMask(s, float(x), float(baseline), px_, 1);
        for (int j = 0; j < m.h; ++j)
            for (int i = 0; i < m.w; ++i) {
                int a = m.cov[size_t(j) * m.w + i];
                if (a) blend(int(m.x0) + i, int(m.y0) + j, c, a);
            }
    }
};

// One picture drawn at "scale" with its frames side by side, wrapped into
// several rows when they do not fit across the sheet.
struct Tile {
    const Picture* p;
    int frameW, frameH, frames, scale;
    int perRow = 1;
    void fit(int maxWidth) { perRow = std::max(1, std::min(frames, (maxWidth + 6) / (frameW * scale + 6))); }
    int rows() const { return (frames + perRow - 1) / perRow; }
    int width() const { return frameW * perRow * scale + (perRow - 1) * 6; }
    int height() const { return frameH * scale * rows() + (rows() - 1) * 6; }
};

void drawTile(Sheet& s, const Tile& t, int x0, int y0)
{
    const Indexed& ix = t.p->indexed;
    for (int f = 0; f < t.frames; ++f) {
        int ox = x0 + (f % t.perRow) * (t.frameW * t.scale + 6);
        int oy = y0 + (f / t.perRow) * (t.frameH * t.scale + 6);
        for (int y = 0; y < t.frameH * t.scale; ++y)
            for (int x = 0; x < t.frameW * t.scale; ++x) {
                int sx = x / t.scale, sy = f * t.frameH + y / t.scale;
                size_t i = size_t(sy) * ix.w + sx;
                uint32_t c;
                if (ix.masked && !ix.opaque[i]) c = ((x / 8 + y / 8) & 1) ? 0xC8CCD4 : 0xE4E8EE; // checkerboard
                else c = ix.pal[ix.idx[i]];
                s.set(ox + x, oy + y, c);
            }
    }
}

std::string tileName(const Picture& p)
{
    std::string n = p.kind == "icon" ? "icon " : (p.kind == "data" ? "data " : "");
    n += std::to_string(p.id);
    if (p.maskId) n += " / mask " + std::to_string(p.maskId);
    return n;
}

bool writeSheet(const Catalogue& cat, const std::string& path)
{
    const int W = 2060, margin = 20, gap = 18, labelH = 22;
    std::vector<Tile> tiles;
    for (auto& p : cat.pictures) {
        int fh = p.indexed.h / p.frames;
        Tile t{&p, p.indexed.w, fh, p.frames, 2};
        t.fit(W - 2 * margin);
        tiles.push_back(t);
    }
    // Shelf layout, in catalogue order.
    struct Placed {
        Tile t;
        int x, y;
    };
    std::vector<Placed> placed;
    int x = margin, y = margin + 40, shelf = 0;
    std::string lastKind;
    for (auto& t : tiles) {
        bool newSection = t.p->kind != lastKind;
        int w = std::max(t.width(), 90);
        if (x + w > W - margin || (newSection && x > margin)) {
            x = margin;
            y += shelf + labelH + gap;
            shelf = 0;
        }
        lastKind = t.p->kind;
        placed.push_back({t, x, y + labelH});
        x += w + gap;
        shelf = std::max(shelf, t.height());
    }
    int H = y + shelf + labelH + margin;
    Sheet s(W, H, 0x30343C);
    s.label("Sylvadra picture resources, 2:1", margin, margin + 22, 26, 0xFFFFFF);
    for (auto& pl : placed) {
        drawTile(s, pl.t, pl.x, pl.y);
        s.label(tileName(*pl.t.p), pl.x, pl.y - 6, 15, 0xE8E8E8);
    }
    // The application icon as it reads at 16 x 16, beside it.
    for (auto& pl : placed)
        if (pl.t.p->kind == "icon" && pl.t.p->id == 1) {
            const Indexed& ix = pl.t.p->indexed;
            int ox = pl.x + 70, oy = pl.y;
            for (int yy = 0; yy < 16; ++yy)
                for (int xx = 0; xx < 16; ++xx) {
                    float r = 0, g = 0, b = 0, a = 0;
                    for (int j = 0; j < 2; ++j)
                        for (int i = 0; i < 2; ++i) {
                            size_t k = size_t(yy * 2 + j) * 32 + xx * 2 + i;
                            if (!ix.opaque[k]) continue;
                            uint32_t c = ix.pal[ix.idx[k]];
                            r += (c >> 16) & 255;
                            g += (c >> 8) & 255;
                            b += c & 255;
                            a += 1;
                        }
                    uint32_t bg = ((xx / 4 + yy / 4) & 1) ? 0xC8CCD4 : 0xE4E8EE;
                    uint32_t c = bg;
                    if (a >= 2) c = uint32_t(r / a) << 16 | uint32_t(g / a) << 8 | uint32_t(b / a);
                    s.set(ox + xx, oy + yy, c);
                }
            s.label("16 px", ox, oy + 32, 13, 0xE8E8E8);
        }
    return stbi_write_png(path.c_str(), s.w, s.h, 3, s.px.data(), s.w * 3) != 0;
}

bool writePngs(const Catalogue& cat, const std::string& dir)
{
    bool ok = true;
    for (auto& p : cat.pictures) {
        Tile t{&p, p.indexed.w, p.indexed.h / p.frames, p.frames, 2};
        t.perRow = p.frames;
        Sheet s(t.width(), t.height(), 0);
        drawTile(s, t, 0, 0);
        std::string name = dir + "/" + p.kind + "-" + std::to_string(p.id) + ".png";
        ok &= stbi_write_png(name.c_str(), s.w, s.h, 3, s.px.data(), s.w * 3) != 0;
    }
    return ok;
}

// ---------------------------------------------------------------- sharp
// The sharp page: pieces of pictures as the resource files hold them
// (4:1, 16 colours and a 1-bit mask) beside the same pieces painted at
// density 4 in full colour, sprites over a sky-blue backdrop, so that halos,
// blocky textures and strokes of the wrong width show.
struct Piece {
    Kind kind;
    int id, frame;
    int x0, y0, x1, y1; // in classic pixels of the frame
};

void drawSharpPair(Sheet& s, const Catalogue& cat, const Piece& pc, int x, int y, int D)
{
    const Resource* r = lookup(pc.kind, pc.id);
    const Picture* stored = cat.find(pc.kind == Kind::Icon ? "icon" : "bitmap", pc.id);
    FullColour fc = fullColour(paint(*r, D), r->style == Style::Sprite, r->style != Style::Sprite);
    const int fh = r->h / r->frames;
    const int w = (pc.x1 - pc.x0) * D, h = (pc.y1 - pc.y0) * D;
    auto backdrop = [](int yy) {
        int t = 180 + yy / 16 % 8;
        return uint32_t(120) << 16 | uint32_t(160) << 8 | uint32_t(std::min(255, t + 40));
    };
    const Indexed& ix = stored->indexed;
    for (int yy = 0; yy < h; ++yy)
        for (int xx = 0; xx < w; ++xx) {
            // The classic picture, each pixel D x D.
            int sx = pc.x0 + xx / D, sy = pc.frame * fh + pc.y0 + yy / D;
            size_t i = size_t(sy) * ix.w + sx;
            s.set(x + xx, y + yy, ix.masked && !ix.opaque[i] ? backdrop(yy) : ix.pal[ix.idx[i]]);
            // The sharp one.
            size_t k = size_t(pc.frame * fh * D + pc.y0 * D + yy) * fc.w + pc.x0 * D + xx;
            s.set(x + w + 12 + xx, y + yy, backdrop(yy));
            s.blend(x + w + 12 + xx, y + yy, fc.rgb[k], fc.alpha.empty() ? 255 : fc.alpha[k]);
        }
}

// The pieces of the sharp page.
const std::vector<Piece>& sharpPieces()
{
    static const std::vector<Piece> pieces = {
        {Kind::Bitmap, 131, 0, 200, 0, 400, 100}, {Kind::Bitmap, 141, 0, 0, 0, 200, 50},
        {Kind::Bitmap, 143, 0, 0, 0, 100, 100},   {Kind::Bitmap, 145, 0, 0, 0, 100, 100},
        {Kind::Bitmap, 145, 2, 0, 0, 100, 100},   {Kind::Bitmap, 151, 0, 0, 0, 245, 100},
        {Kind::Bitmap, 153, 3, 0, 0, 245, 100},   {Kind::Bitmap, 161, 0, 0, 0, 153, 115},
        {Kind::Bitmap, 163, 0, 0, 0, 153, 115},   {Kind::Bitmap, 165, 0, 0, 0, 200, 28},
        {Kind::Bitmap, 201, 0, 0, 0, 80, 65},     {Kind::Bitmap, 223, 0, 0, 0, 77, 77},
        {Kind::Bitmap, 221, 0, 0, 20, 200, 75},   {Kind::Bitmap, 229, 0, 0, 0, 200, 100},
        {Kind::Bitmap, 231, 0, 0, 0, 150, 200},   {Kind::Bitmap, 121, 0, 0, 0, 200, 119},
        {Kind::Bitmap, 101, 0, 0, 0, 20, 305},    {Kind::Bitmap, 106, 0, 0, 0, 20, 174},
        {Kind::Icon, 101, 0, 0, 0, 32, 32},       {Kind::Icon, 109, 0, 0, 0, 32, 32},
        {Kind::Icon, 121, 0, 0, 0, 32, 32},       {Kind::Icon, 137, 0, 0, 0, 32, 32},
        {Kind::Icon, 157, 0, 0, 0, 32, 32},       {Kind::Icon, 183, 0, 0, 0, 32, 32},
        {Kind::Icon, 1, 0, 0, 0, 32, 32},
    };
    return pieces;
}

// Pieces laid out on shelves across a page of width W, each as `copies`
// pictures at `scale` side by side with `spacing` after each, its label
// above it; height: the page's.
struct Placed {
    const Piece* p;
    int x, y;
};
std::vector<Placed> shelve(const std::vector<Piece>& pieces, int scale, int copies, int spacing, int W, int& height)
{
    const int margin = 20, gap = 24, labelH = 22;
    std::vector<Placed> placed;
    int x = margin, y = margin + 40, shelf = 0;
    for (auto& pc : pieces) {
        int w = copies * ((pc.x1 - pc.x0) * scale + spacing), h = (pc.y1 - pc.y0) * scale;
        if (x + w > W - margin) {
            x = margin;
            y += shelf + labelH + gap;
            shelf = 0;
        }
        placed.push_back({&pc, x, y + labelH});
        x += w + gap;
        shelf = std::max(shelf, h);
    }
    height = y + shelf + labelH + margin;
    return placed;
}

std::string pieceName(const Piece& pc)
{
    std::string name = (pc.kind == Kind::Icon ? "icon " : "") + std::to_string(pc.id);
    if (pc.frame) name += " frame " + std::to_string(pc.frame);
    return name;
}

bool writeSharpSheet(const Catalogue& cat, const std::string& path)
{
    const int D = 4, W = 2060, margin = 20;
    int height = 0;
    const std::vector<Placed> placed = shelve(sharpPieces(), D, 2, 6, W, height);
    Sheet s(W, height, 0x30343C);
    s.label("Sylvadra pictures: the resource file (4:1) and density 4", margin, margin + 22, 26, 0xFFFFFF);
    for (auto& pl : placed) {
        drawSharpPair(s, cat, *pl.p, pl.x, pl.y, D);
        s.label(pieceName(*pl.p), pl.x, pl.y - 6, 15, 0xE8E8E8);
    }
    return stbi_write_png(path.c_str(), s.w, s.h, 3, s.px.data(), s.w * 3) != 0;
}

// The night page: the same pieces at density 2 by day, at dawn, at dusk and
// by night, sprites over the sky of each hour.
bool writeNightSheet(const std::string& path)
{
    const int D = 2, W = 2060, margin = 20;
    std::vector<Piece> pieces = sharpPieces();
    std::erase_if(pieces, [](const Piece& pc) { return pc.kind == Kind::Icon && pc.id == 1; }); // no hour of its own
    int height = 0;
    const std::vector<Placed> placed = shelve(pieces, D, kHours, 8, W, height);
    Sheet s(W, height, 0x30343C);
    s.label("Sylvadra pictures at four times of day: by day, at dawn, at dusk, by night (2:1)", margin, margin + 22, 26,
            0xFFFFFF);
    for (auto& pl : placed) {
        const Piece& pc = *pl.p;
        const Resource* r = lookup(pc.kind, pc.id);
        const int fh = r->h / r->frames, w = (pc.x1 - pc.x0) * D, h = (pc.y1 - pc.y0) * D;
        for (int k = 0; k < kHours; ++k) {
            const Hour hour = static_cast<Hour>(k);
            FullColour fc = fullColour(paint(*r, D, hour), r->style == Style::Sprite, r->style != Style::Sprite);
            RGB sky;
            {
                HourScope at(hour);
                sky = skyColor(1, 0.7f);
            }
            const uint32_t backdrop = uint32_t(std::lround(sky.r * 255)) << 16 |
                                      uint32_t(std::lround(sky.g * 255)) << 8 | uint32_t(std::lround(sky.b * 255));
            const int ox = pl.x + k * (w + 8);
            for (int yy = 0; yy < h; ++yy)
                for (int xx = 0; xx < w; ++xx) {
                    size_t i = size_t(pc.frame * fh * D + pc.y0 * D + yy) * fc.w + pc.x0 * D + xx;
                    s.set(ox + xx, pl.y + yy, backdrop);
                    s.blend(ox + xx, pl.y + yy, fc.rgb[i], fc.alpha.empty() ? 255 : fc.alpha[i]);
                }
        }
        s.label(pieceName(pc), pl.x, pl.y - 6, 15, 0xE8E8E8);
    }
    return stbi_write_png(path.c_str(), s.w, s.h, 3, s.px.data(), s.w * 3) != 0;
}

// Every picture at densities 2 and 4 in full colour, as PNGs with alpha.
bool writeSharpPngs(const std::string& dir)
{
    bool ok = true;
    for (const Resource& r : catalogue())
        for (int d : {2, 4}) {
            FullColour fc = fullColour(paint(r, d), r.style == Style::Sprite, r.style != Style::Sprite);
            std::vector<uint8_t> px(size_t(fc.w) * fc.h * 4);
            for (size_t i = 0; i < fc.rgb.size(); ++i) {
                px[i * 4] = uint8_t(fc.rgb[i] >> 16);
                px[i * 4 + 1] = uint8_t(fc.rgb[i] >> 8);
                px[i * 4 + 2] = uint8_t(fc.rgb[i]);
                px[i * 4 + 3] = fc.alpha.empty() ? 255 : fc.alpha[i];
            }
            std::string name = dir + "/" + (r.kind == Kind::Icon ? "icon-" : "bitmap-") + std::to_string(r.id) + "-x" +
                               std::to_string(d) + ".png";
            ok &= stbi_write_png(name.c_str(), fc.w, fc.h, 4, px.data(), fc.w * 4) != 0;
        }
    return ok;
}

} // namespace
} // namespace art

int main(int argc, char** argv)
{
    std::string out, sheet, pngs, sharp, font = ARTGEN_FONT;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "artgen: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--out") out = next();
        else if (a == "--sheet") sheet = next();
        else if (a == "--png") pngs = next();
        else if (a == "--sharp") sharp = next();
        else if (a == "--font") font = next();
        else {
            std::fprintf(stderr,
                         "usage: artgen [--out DIR] [--sheet FILE.png] [--png DIR] [--sharp DIR] [--font FILE]\n");
            return 2;
        }
    }
    if (out.empty() && sheet.empty() && pngs.empty() && sharp.empty()) {
        std::fprintf(stderr, "usage: artgen [--out DIR] [--sheet FILE.png] [--png DIR] [--sharp DIR] [--font FILE]\n");
        return 2;
    }
    if (!art::loadFont(font)) {
        std::fprintf(stderr, "artgen: cannot read the font %s\n", font.c_str());
        return 1;
    }
    stbi_write_png_compression_level = 9;
    art::Catalogue cat = art::build();
    if (!out.empty() && !art::writeResources(cat, out)) {
        std::fprintf(stderr, "artgen: cannot write into %s\n", out.c_str());
        return 1;
    }
    if (!sheet.empty() && !art::writeSheet(cat, sheet)) {
        std::fprintf(stderr, "artgen: cannot write %s\n", sheet.c_str());
        return 1;
    }
    if (!sheet.empty()) {
        std::string sharpSheet = sheet;
        if (sharpSheet.size() > 4 && sharpSheet.compare(sharpSheet.size() - 4, 4, ".png") == 0)
            sharpSheet.resize(sharpSheet.size() - 4);
        sharpSheet += "-sharp.png";
        if (!art::writeSharpSheet(cat, sharpSheet)) {
            std::fprintf(stderr, "artgen: cannot write %s\n", sharpSheet.c_str());
            return 1;
        }
        const std::string nightSheet = sharpSheet.substr(0, sharpSheet.size() - 10) + "-night.png";
        if (!art::writeNightSheet(nightSheet)) {
            std::fprintf(stderr, "artgen: cannot write %s\n", nightSheet.c_str());
            return 1;
        }
    }
    if (!sharp.empty() && !art::writeSharpPngs(sharp)) {
        std::fprintf(stderr, "artgen: cannot write into %s\n", sharp.c_str());
        return 1;
    }
    if (!pngs.empty() && !art::writePngs(cat, pngs)) {
        std::fprintf(stderr, "artgen: cannot write into %s\n", pngs.c_str());
        return 1;
    }
    return 0;
}
