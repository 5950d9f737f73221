// A surface's pixels as a vector, for expectations that compare images.
#pragma once

#include <vector>

#include "platform/surface.h"

inline std::vector<syl::Color> pixelsOf(const syl::Surface& s)
{
    const auto p = s.pixels();
    return {p.begin(), p.end()};
}
