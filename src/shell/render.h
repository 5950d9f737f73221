// Headless rendering: what the full-screen mode shows at a given screen
// size, after the first new landscape and optionally a number of ticks on a
// simulated clock, written as a PNG without any display. It runs as the
// saver does, with the same settings, folders, protocol and system
// information; only its clock is simulated (from now, or a fixed moment).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/host.h"
#include "platform/picture.h"

namespace syl {

class FrmMain;

struct RenderOptions {
    std::string outPng;
    int width = 1920;
    int height = 1080;
    std::optional<uint64_t> seed; // default: from the time of day
    long ticks = 0;
    std::string sceneInfoJson;          // empty: none
    std::optional<LocalDateTime> clock; // the date and time shown at the start; default: now
};

// Renders and writes the files; returns 0, or 1 with a message on stderr.
int renderHeadless(const RenderOptions& options);

// A new landscape of width x height pixels, composed as the full-screen
// mode composes one (with the stored settings that LoadConfig read, and the
// default generator as it stands), after the given number of animation
// ticks on a simulated clock: the scene's background, that is the landscape
// with its grass and the flowers planted so far, without the date line, the
// address or a flying object. Throws what the scene throws (ProgramEnd,
// std::bad_alloc).
Picture composeLandscape(int width, int height, long ticks);
// The same landscape lit for each phase of the day, by phase number (day,
// dawn, dusk, night): composed once, then lit for the others.
std::array<Picture, 4> composeLandscapePhases(int width, int height, long ticks);

// Runs a scene as --render does, on the simulated clock from `clock`, with
// the settings as they are and the default generator as it stands: the
// first new landscape, then `ticks` ticks. `atEnd` sees the scene then.
// Throws what the scene throws.
void renderScene(int width, int height, long ticks, const LocalDateTime& clock, bool recordDrawings,
                 const std::function<void(FrmMain&)>& atEnd);

// The scene state and the drawings of the last composition as JSON.
std::string sceneInfoJson(const FrmMain& scene, uint64_t seed, long ticks);

} // namespace syl
