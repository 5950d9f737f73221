#include "shell/render.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>

#include "errors/handler.h"
#include "platform/codecs.h"
#include "platform/host.h"
#include "platform/random.h"
#include "scene/frmmain.h"
#include "settings/config.h"

namespace syl {

namespace {

// The simulated clock starts an hour after "boot", as a real tick count would
// be well past zero when a screen saver starts.
constexpr uint32_t kStartTick = 3600u * 1000u;

void advanceClock(HeadlessHost& h, int32_t ms)
{
    h.tick += static_cast<uint32_t>(ms);
    LocalDateTime& c = h.clock;
    c.millisecond += ms;
    while (c.millisecond >= 1000) {
        c.millisecond -= 1000;
        if (++c.second == 60) {
            c.second = 0;
            if (++c.minute == 60) {
                c.minute = 0;
                if (++c.hour == 24) c.hour = 0;
            }
        }
    }
}

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
        if (d.lineWidth) j << ", \"lineWidth\": " << d.lineWidth << ", \"rows\": [" << d.rowTop << ", " << d.rowBottom << "]";
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

int renderHeadless(const RenderOptions& o)
{
    HeadlessHost h;
    h.tick = kStartTick;
    Host* previous = &host();
    setHost(&h);
    // What the full-screen mode shows depends on the stored settings (the
    // animation rate, the restart period, the date and time line).
    LoadConfig();
    uint64_t seed = o.seed ? *o.seed : static_cast<uint64_t>(std::time(nullptr));
    defaultRnd().seed64(seed);
    int status = 0;
    try {
        FrmMain m(o.width, o.height);
        m.recordDrawings = true;
        m.incremental = true;
        m.Form_Load();
        m.Form_Resize();
        for (long t = 0; t < o.ticks; ++t) {
            advanceClock(h, m.tmrAnimation.interval);
            if (m.tmrAnimation.enabled) m.tmrAnimation_Timer();
        }
        if (!savePng(o.outPng, m.form.image())) {
            std::fprintf(stderr, "sylvadra: cannot write %s\n", o.outPng.c_str());
            status = 1;
        }
        if (status == 0 && !o.sceneInfoJson.empty()) {
            std::ofstream f(o.sceneInfoJson, std::ios::binary);
            f << sceneInfoJson(m, seed, o.ticks);
            if (!f) {
                std::fprintf(stderr, "sylvadra: cannot write %s\n", o.sceneInfoJson.c_str());
                status = 1;
            }
        }
    } catch (const ProgramEnd&) {
        std::fprintf(stderr, "sylvadra: the scene failed; see the error protocol\n");
        status = 1;
    }
    setHost(previous);
    return status;
}

} // namespace syl
