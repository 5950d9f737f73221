// Headless rendering: what the full-screen mode shows at a given screen
// size, after the first new landscape and optionally a number of ticks on a
// simulated clock, written as a PNG without any display.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace syl {

class FrmMain;

struct RenderOptions {
    std::string outPng;
    int width = 1920;
    int height = 1080;
    std::optional<uint64_t> seed; // default: from the time of day
    long ticks = 0;
    std::string sceneInfoJson; // empty: none
};

// Renders and writes the files; returns 0, or 1 with a message on stderr.
int renderHeadless(const RenderOptions& options);

// The scene state and the drawings of the last composition as JSON.
std::string sceneInfoJson(const FrmMain& scene, uint64_t seed, long ticks);

} // namespace syl
