// The wallpapers of `sylvadra --set-wallpaper`: a new landscape for each
// monitor at that monitor's size, written as a set of PNG files into the
// per-user folder, of which the newest few sets are kept. The desktop is
// told by the platform (backends/linux).
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace syl {

// A monitor in the desktop's pixels.
struct MonitorArea {
    std::string name; // the output's name (RandR, sway); empty when not known
    int x = 0, y = 0, width = 0, height = 0;
    bool primary = false;
};

// The files of one set.
struct WallpaperSet {
    std::vector<std::string> pictures; // one for each monitor, in the monitors' order
    std::string spanned;               // every monitor's picture at its place in one, when asked for
    // With the DayNight setting the set holds the landscape lit for each
    // phase of the day (by phase number: day, dawn, dusk, night; the day's
    // are pictures and spanned), and the timed wallpaper that shows them
    // through the day (the spanned pictures or the primary monitor's).
    std::array<std::vector<std::string>, 4> phasePictures;
    std::array<std::string, 4> phaseSpanned;
    std::string slideshow;
};

// How many sets stay in the folder (the newest, this one included): the one
// shown, and the ones a desktop may still be fading out of.
inline constexpr std::size_t kWallpaperSetsKept = 3;
// How far the meadow has grown in the pictures: ticks of the animation
// (about half a minute of the saver), so that some flowers are planted.
inline constexpr long kWallpaperTicks = 750;

// The folder of the sets: "wallpaper" in the per-user data folder; empty
// when there is no per-user folder.
std::string wallpaperFolder();

// Composes a landscape for each monitor (composeLandscape, with the stored
// settings, after LoadConfig) and writes the set into folder, made when
// missing. With the DayNight setting each landscape in the four phases of
// the day and the day's timed wallpaper, unless the newest set is one of
// those, made today for monitors of these sizes: that set is taken again
// (a timer sets the picture of the phase of the hour through the day); with spanned, also one picture of the monitors'
// bounding box with each monitor's landscape at its place. Then removes the sets beyond the newest kWallpaperSetsKept.
// False, with the reason in why and no part of the set left behind, when a file cannot be written.
bool writeWallpaperSet(const std::vector<MonitorArea>& monitors, bool spanned, const std::string& folder,
                       WallpaperSet& set, std::string* why);

// Removes every set in folder but the newest `keep` and the one named by
// keepName (a file of it): only regular files of the user's own that are
// named as the sets' pictures are, never through a link.
void pruneWallpaperSets(const std::string& folder, std::size_t keep, const std::string& keepName);

} // namespace syl
