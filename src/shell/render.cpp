#include "shell/render.h"

#include <cstdio>
#include <ctime>
#include <new>
#include <sstream>

#include "errors/handler.h"
#include "platform/codecs.h"
#include "platform/files.h"
#include "platform/host.h"
#include "platform/random.h"
#include "platform/system_host.h"
#include "scene/frmmain.h"
#include "settings/config.h"
#include "shell/options.h"
#include "shell/scene_runner.h"

namespace syl {

namespace {

// The saver's own host with a simulated clock: the tick count starts an hour
// after "boot", as a real one would be well past zero when a screen saver
// starts, and the date and time run on with it from their start.
class RenderHost : public SystemHost {
public:
    uint32_t tickCount() override { return tick; }
    LocalDateTime now() override { return clock; }

    void advance(int32_t ms)
    {
        tick += static_cast<uint32_t>(ms);
        clock.millisecond += ms;
        while (clock.millisecond >= 1000) {
            clock.millisecond -= 1000;
            if (++clock.second == 60) {
                clock.second = 0;
                if (++clock.minute == 60) {
                    clock.minute = 0;
                    if (++clock.hour == 24) clock.hour = 0;
                }
            }
        }
    }

    uint32_t tick = 3600u * 1000u;
    LocalDateTime clock;
};

// The scene as the full-screen mode runs it: the first new landscape, then
// the ticks on the host's simulated clock. Everything the stored settings
// choose about the composition comes with them (LoadConfig before): the
// rendered pictures and the wallpapers of --set-wallpaper both come here.
// One picture is made, so the sharp pictures are painted at once where they
// are not at hand.
void runScene(SceneRunner& r, RenderHost& h, long ticks)
{
    r.load();
    r.compose();
    for (long t = 0; t < ticks; ++t) {
        h.advance(r.form().tmrAnimation.interval);
        r.tick(h.tick);
    }
}

// A render has no screen with a resolution of its own: its date line
// follows the picture's size.
constexpr SceneOptions kRenderScene{0, nullptr, true};

// The render host in place of the program's host while it lives.
class HostSwap {
public:
    explicit HostSwap(Host* h) : previous_(&host()) { setHost(h); }
    ~HostSwap() { setHost(previous_); }
    HostSwap(const HostSwap&) = delete;
    HostSwap& operator=(const HostSwap&) = delete;

private:
    Host* previous_;
};

std::string esc(const std::string& s)
{
    std::string o;
    for (char c : s) {
        if (c == '"' || c == '\\') o += '\\';
        o += c;
    }
    return o;
}

} // namespace

std::string sceneInfoJson(const FrmMain& m, uint64_t seed, long ticks)
{
    std::ostringstream j;
    j << "{\n";
    j << "  \"seed\": " << seed << ",\n";
    j << "  \"width\": " << m.form.width() << ", \"height\": " << m.form.height() << ",\n";
    j << "  \"ticks\": " << ticks << ",\n";
    j << "  \"skyType\": " << m.skyType << ",\n";
    j << "  \"horizon\": " << m.horizon << ",\n";
    j << "  \"sea\": " << (m.seaDrawn ? "true" : "false") << ",\n";
    j << "  \"riverTop\": " << m.riverTop << ", \"riverBottom\": " << m.riverBottom << ",\n";
    j << "  \"flowerTop\": " << m.flowerTop << ", \"grassTop\": " << m.grassTop << ",\n";
    j << "  \"bandTop\": " << m.bandTop << ", \"bandHeight\": " << m.bandHeight << ", \"bandWidth\": " << m.bandWidth
      << ",\n";
    j << "  \"flowerCount\": " << m.flowerCount << ",\n";
    j << "  \"layers\": [\n";
    for (size_t i = 0; i < m.drawings.size(); ++i) {
        const LayerDrawing& d = m.drawings[i];
        j << "    {\"painter\": \"" << esc(d.painter) << "\", \"id\": " << d.id << ", \"variant\": " << d.variant
          << ", \"x\": " << d.x << ", \"y\": " << d.y << ", \"w\": " << d.w << ", \"h\": " << d.h
          << ", \"mirrored\": " << (d.mirrored ? "true" : "false");
        if (d.lineWidth)
            j << ", \"lineWidth\": " << d.lineWidth << ", \"rows\": [" << d.rowTop << ", " << d.rowBottom << "]";
        j << "}" << (i + 1 < m.drawings.size() ? "," : "") << "\n";
    }
    j << "  ],\n";
    const FlightRecord& r = m.flights[static_cast<size_t>(m.flightKind >= 0 && m.flightKind <= 50 ? m.flightKind : 0)];
    j << "  \"flightKind\": " << m.flightKind << ",\n";
    j << "  \"flight\": {\"x\": " << r.x << ", \"y\": " << r.y << ", \"started\": " << r.started
      << ", \"frame\": " << r.frame << ", \"dy\": " << r.dy << "},\n";
    j << "  \"flowers\": [\n";
    bool first = true;
    for (int i = 0; i <= m.flowerCount && i <= 100; ++i) {
        const FlowerSlot& f = m.flowers[static_cast<size_t>(i)];
        if (f.state != -1) continue;
        j << (first ? "" : ",\n") << "    {\"slot\": " << i << ", \"icon\": " << f.icon << ", \"x\": " << f.x
          << ", \"y\": " << f.y << ", \"size\": " << f.size << ", \"planted\": " << (f.planted ? "true" : "false")
          << "}";
        first = false;
    }
    j << (first ? "" : "\n") << "  ]\n}\n";
    return j.str();
}

void renderScene(int width, int height, long ticks, const LocalDateTime& clock, bool recordDrawings,
                 const std::function<void(FrmMain&)>& atEnd)
{
    RenderHost h;
    h.clock = clock;
    HostSwap swap(&h);
    SceneRunner r(width, height, kRenderScene);
    r.form().recordDrawings = recordDrawings;
    runScene(r, h, ticks);
    atEnd(r.form());
}

Picture composeLandscape(int width, int height, long ticks)
{
    Picture p;
    renderScene(width, height, ticks, SystemHost().now(), false, [&](const FrmMain& m) { p = m.picBG.image(); });
    return p;
}

std::array<Picture, 4> composeLandscapePhases(int width, int height, long ticks)
{
    std::array<Picture, 4> phases;
    renderScene(width, height, ticks, SystemHost().now(), false, [&](FrmMain& m) {
        const int first = m.phaseShown();
        phases[static_cast<size_t>(first)] = m.picBG.image();
        for (int p = 0; p < 4; ++p) {
            if (p == first) continue;
            m.changePhase(p, 0);
            phases[static_cast<size_t>(p)] = m.picBG.image();
        }
    });
    return phases;
}

int renderHeadless(const RenderOptions& o)
{
    if (!o.sceneInfoJson.empty() && sameFile(o.sceneInfoJson, o.outPng)) {
        std::fprintf(stderr, "sylvadra: --scene-info names the picture's own file %s\n", o.outPng.c_str());
        return 1;
    }
    // The saver's own host while the settings are read (a protocol goes
    // where the saver's would); the scene runs on the simulated clock.
    SystemHost system;
    HostSwap swap(&system);
    int status = 0;
    auto failed = [&](const std::string& what, const std::string& why) {
        std::fprintf(stderr, "sylvadra: cannot write %s: %s\n", what.c_str(), why.c_str());
        status = 1;
    };
    try {
        // What the full-screen mode shows depends on the stored settings (the
        // animation rate, the restart period, the date and time line), and
        // on the options of the command line that go with a render.
        LoadConfig();
        applyPendingOverrides();
        const uint64_t seed = o.seed ? *o.seed : static_cast<uint64_t>(std::time(nullptr));
        defaultRnd().seed64(seed);
        std::string why;
        renderScene(o.width, o.height, o.ticks, o.clock ? *o.clock : SystemHost().now(), true, [&](const FrmMain& m) {
            if (!savePng(o.outPng, m.form.pixels().data(), m.form.width(), m.form.height(), &why))
                failed(o.outPng, why);
            if (status == 0 && !o.sceneInfoJson.empty() &&
                !writeNamedOutput(o.sceneInfoJson, sceneInfoJson(m, seed, o.ticks), &why))
                failed(o.sceneInfoJson, why);
        });
    } catch (const ProgramEnd&) {
        std::fprintf(stderr, "sylvadra: the scene failed; see the error protocol\n");
        status = 1;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "sylvadra: not enough memory for a %dx%d picture\n", o.width, o.height);
        status = 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sylvadra: %s\n", e.what());
        status = 1;
    }
    return status;
}

} // namespace syl
