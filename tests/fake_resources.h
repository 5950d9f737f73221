// Stand-in pictures for scene tests: every bitmap and icon of the catalogue
// at its real size, in plain colours, so the painters can be tested without
// the painted pictures. Sprites are opaque (mask all black) so that where a
// painter drew can be seen in the canvas.
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "platform/codecs.h"
#include "platform/resources.h"

namespace testres {

inline std::pair<int, int> bitmapSize(int id)
{
    static const std::map<int, std::pair<int, int>> sizes = {
        {101, {20, 305}},  {102, {20, 307}},  {103, {20, 303}},  {104, {20, 311}},  {105, {20, 291}},
        {106, {20, 174}},  {107, {20, 172}},  {108, {20, 174}},  {109, {20, 168}},  {110, {20, 188}},
        {141, {200, 250}}, {143, {100, 500}}, {145, {100, 500}}, {151, {245, 500}}, {153, {245, 500}},
        {161, {153, 115}}, {163, {153, 115}}, {165, {400, 28}},  {221, {330, 200}}, {227, {400, 200}},
        {229, {200, 100}}, {231, {150, 200}}, {233, {150, 200}}};
    if (id >= 121 && id <= 128) return {738, (id == 123 || id == 124) ? 118 : 119};
    if (id >= 131 && id <= 139 && id % 2 == 1) return {640, 100};
    if (id >= 201 && id <= 205) return {80, 390};
    if (id == 223 || id == 225) return {77, 462};
    if (auto it = sizes.find(id); it != sizes.end()) return it->second;
    // Masks: the size of their sprite.
    if (id >= 211 && id <= 215) return bitmapSize(id - 10);
    if (auto it = sizes.find(id - 1); it != sizes.end()) return it->second;
    if (id >= 132 && id <= 140) return {640, 100};
    if (id == 224 || id == 226) return {77, 462};
    return {0, 0};
}

inline bool isMask(int id)
{
    if (id >= 211 && id <= 215) return true;
    if (id >= 132 && id <= 140) return id % 2 == 0;
    return id == 142 || id == 144 || id == 146 || id == 152 || id == 154 || id == 162 || id == 164 || id == 166 ||
           id == 222 || id == 224 || id == 226 || id == 228 || id == 230 || id == 232 || id == 234;
}

// A 32 x 32 icon file, 32 bits with alpha, in one colour, opaque.
inline std::vector<uint8_t> iconFile(syl::Color c)
{
    std::vector<uint8_t> f;
    auto u16 = [&](unsigned v) {
        f.push_back(v & 0xFF);
        f.push_back((v >> 8) & 0xFF);
    };
    auto u32 = [&](unsigned v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    u16(0);
    u16(1);
    u16(1);
    const unsigned size = 40 + 32 * 32 * 4 + 32 * 4;
    f.push_back(32);
    f.push_back(32);
    f.push_back(0);
    f.push_back(0);
    u16(1);
    u16(32);
    u32(size);
    u32(22);
    u32(40);
    u32(32);
    u32(64);
    u16(1);
    u16(32);
    u32(0);
    u32(32 * 32 * 4);
    u32(0);
    u32(0);
    u32(0);
    u32(0);
    for (int i = 0; i < 32 * 32; ++i) {
        f.push_back(c & 0xFF);
        f.push_back((c >> 8) & 0xFF);
        f.push_back((c >> 16) & 0xFF);
        f.push_back(0xFF);
    }
    for (int i = 0; i < 32 * 4; ++i) f.push_back(0);
    return f;
}

// Installs the stand-ins; the colour of bitmap n is n in every channel
// except masks (black) and of icon n is (n, 0, 0).
class Installer {
public:
    Installer()
    {
        syl::setResourceProvider([this](syl::ResourceKind k, int id) -> std::span<const uint8_t> {
            auto key = std::make_pair(static_cast<int>(k), id);
            auto it = files_.find(key);
            if (it == files_.end()) {
                std::vector<uint8_t> bytes;
                if (k == syl::ResourceKind::Icon && ((id >= 101 && id <= 200) || id == 1)) {
                    bytes = iconFile(syl::RGB(id, 0, 0));
                } else if (k == syl::ResourceKind::Bitmap) {
                    auto [w, h] = bitmapSize(id);
                    if (w == 0) return {};
                    syl::Picture p;
                    p.width = w;
                    p.height = h;
                    p.pixels.assign(static_cast<size_t>(w) * h, isMask(id) ? 0u : syl::RGB(id, id, id));
                    bytes = syl::encodeBmp24(p);
                } else {
                    return syl::findBuiltInResource(k, id);
                }
                it = files_.emplace(key, std::move(bytes)).first;
            }
            return {it->second.data(), it->second.size()};
        });
    }
    ~Installer() { syl::setResourceProvider({}); }

private:
    std::map<std::pair<int, int>, std::vector<uint8_t>> files_;
};

} // namespace testres
