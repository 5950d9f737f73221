// The scene form frmMain: five hidden surfaces, the animation timer, the
// scene state of the current landscape, the flower slots and the flying
// objects. One FrmMain is one running scene; several can run side by side
// (one per monitor), each with its own state.
#pragma once

#include <array>
#include <functional>
#include <cstdint>
#include <map>
#include <tuple>
#include <string>
#include <utility>
#include <vector>

#include "platform/host.h"
#include "platform/picture.h"
#include "platform/random.h"
#include "platform/resources.h"
#include "platform/surface.h"

namespace syl {

struct FlightRecord {
    int16_t x = 0;
    int16_t y = 0;
    int16_t started = 0; // 0 or -1
    int16_t frame = 1;   // counted from 1
    int16_t dy = 0;
};

struct FlowerSlot {
    float x = 0;
    float y = 0;
    float size = 0;
    int16_t icon = 0;
    int16_t state = 0; // -1 sprouting or growing, anything else dormant
    int16_t planted = 0;
};

struct Timer {
    int32_t interval = 0; // milliseconds
    bool enabled = false;
};

struct Label {
    int left = 0, top = 0, width = 0, height = 0;
    std::string caption;
};

// One drawing of a layer painter, recorded for --scene-info.
struct LayerDrawing {
    std::string painter;
    int id = 0;
    int variant = 0; // sheet variant or frame, counted from 1; 0 for single pictures
    int x = 0, y = 0, w = 0, h = 0;
    bool mirrored = false;
    int lineWidth = 0; // sea and river bands
    int rowTop = 0, rowBottom = 0;
};

// The screen row of a canvas base line on a form of the given height, three
// pixels up: where the landscape's front edge lies on the screen.
int16_t flowerTopFor(int16_t baseY, int scaleHeight);

// Sharp pictures on a screen of the given size: the canvas's density and
// the screen's scale (FrmMain::canvasDensity and screenScale when sharp).
int sharpCanvasDensity(int width, int height);
double sharpScreenScale(int width, int height);

class FrmMain {
public:
    // A scene for a form of the given client size in pixels.
    // With formMemory, the form's image lives in that memory from the start
    // (a window's shared image, black): no frame of its own is made first.
    FrmMain(int scaleWidth, int scaleHeight, Color* formMemory = nullptr);

    // Text at a screen's resolution in dots per inch: the scene's font is
    // 9.75 point (13 pixels at 96 dpi, 26 at 192) and the address label
    // 2055 x 285 twips. A new scene is at 96 dpi.
    void setDpi(int dpi);
    int dpi() const { return dpi_; }

    int ScaleWidth() const { return form.width(); }
    // The size of the frame buffer picBuffer as the landscape left it (the
    // screen's size), also when the incremental composition keeps no such
    // buffer.
    int frameWidth() const { return incremental ? frameWidth_ : picBuffer.scaleWidth(); }
    int frameHeight() const { return incremental ? frameHeight_ : picBuffer.scaleHeight(); }
    int ScaleHeight() const { return form.height(); }

    // Events and procedures of the form.
    void Form_Load();
    void Form_Resize();
    // The form takes a new client size in pixels (at least 1 x 1), as when
    // the screen's mode changes or a monitor is turned or plugged: what it
    // shows stays in the part that remains, and Form_Resize composes a new
    // landscape for the new size. Returns false, doing nothing, when the
    // size is the form's already.
    bool resizeForm(int width, int height);
    void BuildBG();
    void CopyBg();
    void tmrAnimation_Timer();
    void ObjektFlieg();
    void Blumen();

    // Input events: each ends the saver (exitScreensaver), a mouse move only
    // when it is a real movement of 3 pixels or more since the last one.
    void Form_Click();
    void Form_DblClick();
    void Form_KeyDown();
    void Form_KeyPress();
    void Form_MouseDown();
    void Form_MouseMove(float x, float y);
    void Form_Terminate();
    void Form_Unload();

    // Layer painters; base lines by reference or by value.
    void Hintergrund(int16_t y);
    void Himmel();
    // Sharp pictures: the band's sky takes this landscape's sky colours.
    void matchBandSky(int bandMood);
    void Meer(int16_t& y);
    void Boden(int16_t y);
    void Berge(int16_t& y);
    void Fluss(int16_t y);
    void Wald(int16_t& y);
    void Baum(int16_t& y, int16_t& kind);
    void City(int16_t& y);
    void Burg(int16_t& y);
    void Haus(int16_t& y);
    void Zaun(int16_t& y);

    // Pieces of the tick, also used on their own by tests.
    void launch();
    // Decodes every flying object's strips ahead of their first flight, so
    // that no tick waits for a decoder.
    void loadFlightPictures();
    void drawFlight();
    void setStartPositions();
    void resetFlowerSlots();

    // A decoded picture resource (decoded once, then kept). In sharp mode the
    // picture painted at the density it is drawn with, where there is one.
    const Picture& picture(int id, ResourceKind kind = ResourceKind::Bitmap);

    // Sharp pictures. On: the landscape is composed on a canvas of
    // canvasDensity() x 640 x 480 pixels from pictures painted at that
    // density, and what is drawn at the screen's own scale (flying objects,
    // flowers, grass tufts, the sun) keeps the size and speed relative to the
    // screen that it has at 1920 x 1080, painted at that size. Every position
    // and size is still computed in the same units from the same random
    // draws. Off: every picture as stored, pixel for pixel.
    bool sharp = false;
    // Paint sharp pictures when they are drawn (a picture rendered once).
    // Otherwise a landscape is composed of the stored pictures while the
    // sharp ones are painted on a thread of their own; the next landscape
    // (a timed restart, a new size, the next run) is sharp.
    bool paintWhenNeeded = false;
    // Whether the current landscape is made of sharp pictures.
    bool sharpShown() const { return useSharp_; }

    // The phase of the day the next landscape is lit for: 0 day (the
    // pictures as stored), 1 dawn, 2 dusk, 3 night (pictureAtPhase).
    int phase = 0;
    // The phase of the landscape shown (the one it fades into while it fades).
    int phaseShown() const { return phaseShown_; }
    // Lights the landscape shown for another phase: the same landscape,
    // composed again from the draws its composition made (none is drawn
    // now) with the pictures of that phase and the flowers planted since,
    // faded into over `fadeSteps` calls of fadeStep() (at once for 0).
    // False, changing nothing, while the phase's pictures are not at hand
    // (they are then painted on the worker thread) or for the phase shown.
    bool changePhase(int next, int fadeSteps);
    bool fading() const;
    // Whether the pictures of a phase are at hand (the classic ones at
    // their own size, or the sharp ones for this screen); when not, they
    // are painted on the worker thread. Phase 0 is always at hand.
    bool picturesOfPhaseAtHand(int phase, bool sharpPictures) const;
    // One step of the fade: the landscape and the cloud strip a little
    // nearer to the new phase's.
    void fadeStep();
    // Pixels of the canvas per unit: the least that makes one canvas pixel
    // cover at most 1.5 screen pixels, up to 8 (1 when not sharp).
    int canvasDensity() const;
    // The screen's height over 1080, below 1 on screens of fewer rows (1
    // when not sharp): what is drawn at the screen's scale grows and shrinks
    // with it.
    double screenScale() const;

    // The form's own image and the five hidden surfaces.
    Surface form;
    Surface picBG, picBuffer, picMask, picObjekt, picHimmel;
    Label lblURL;
    Timer tmrAnimation;

    // Scene state of the current landscape.
    int16_t skyType = 0;
    int16_t riverTop = 0, riverBottom = 0;
    int16_t flowerTop = 0, grassTop = 0;
    int16_t bandTop = 0, bandHeight = 0, bandWidth = 0;
    // The highest flower slot in use (kept per scene so that every monitor
    // has its own meadow).
    int16_t flowerCount = 0;
    int16_t dyMin = 0, dyMax = 0;

    // Animation state.
    uint32_t tickNow = 0;
    int32_t cloudStep = 0;
    int16_t cloudOffset = 0;
    uint32_t lastRestart = 0;

    int16_t flightKind = 0;
    std::array<FlightRecord, 51> flights{};
    int16_t frameStep = 0;
    int16_t driftStep = 0;
    uint32_t lastBigStart = 0;

    std::array<FlowerSlot, 101> flowers{};
    float bloomCount = 0;

    // Mouse reference of Form_MouseMove, the first position seen in the
    // run; (0, 0) counts as none.
    float lastMouseX = 0, lastMouseY = 0;

    // Frames composed incrementally: only what changed since the last frame
    // is composed and copied to the form, pixel for pixel the same as the
    // whole composition. Off: every tick composes the whole frame in
    // picBuffer and copies it to the form.
    bool incremental = false;
    struct Rect {
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0; // [x0, x1) x [y0, y1)
        bool empty() const { return x1 <= x0 || y1 <= y0; }
    };
    // The parts of the form that the last tick or the last copy of the
    // canvas changed (all of it when changedAll is set): what a backend has
    // to bring to the screen.
    std::vector<Rect> changed;
    bool changedAll = true;
    // How the last tick made the changed parts, for a backend that keeps
    // the last frame itself (in a buffer, or on the screen): when scrolled
    // is not empty, the pixels in each of its rectangles came from dx
    // columns to the left (to the right when dx is negative) in the last
    // frame, and then the redrawn rectangles were composed over them.
    // Together they are what changed.
    struct Scroll {
        Rect rect;
        int dx = 0;
    };
    std::vector<Scroll> scrolled;
    std::vector<Rect> redrawn;
    // For a copy of an earlier frame of this landscape whose clouds stood
    // at fromOffset: the moves that bring its clouds to where the form
    // shows them (as in scrolled), and the columns those moves uncover,
    // which have to be copied from the form, as has every part that
    // changed in between otherwise (also where the moves take it). False
    // when the clouds cannot be moved over (they wrapped round, or the
    // strip did not cover the band).
    bool cloudMovesSince(int fromOffset, std::vector<Scroll>& moves, std::vector<Rect>& uncovered) const;
    // Where the clouds stand in the frame on the form.
    int cloudsShownAt() const { return lastStripOffset_; }

    // What the last composition drew, for --scene-info (kept when enabled).
    bool recordDrawings = false;
    std::vector<LayerDrawing> drawings;
    int16_t horizon = 0;
    int16_t finalBaseLine = 0;
    bool seaDrawn = false;

private:
    // The density of the pictures drawn at the screen's scale.
    int spriteDensity() const;
    // A picture drawn at the screen's scale at (x, y) in w x h, enlarged in
    // sharp mode about the middle of its foot, where it stands.
    void toScreenScale(double& x, double& y, double& w, double& h) const;
    // The sky in which the flying objects move: the screen in units of the
    // screen scale.
    double flightWidth() const { return ScaleWidth() / screenScale(); }
    double flightHeight() const { return ScaleHeight() / screenScale(); }
    // A flying object's strip at the screen's scale: every frame of the
    // painted picture resampled to its size, with its coverage (straight
    // alpha, as the painted picture has it).
    struct Strip {
        Picture colour;
        int pitch = 0; // frame pitch in pixels
        double scale = 0;
    };
    const Strip& sharpStrip(int colourId, int pitch, bool mirrored);
    // Chooses the pictures of the next landscape; true when they are sharp.
    bool chooseSharp();

    // Day and night.
    int phaseShown_ = 0;
    // A picture of the phase shown at its classic size, drawn the classic
    // way (a sprite with its mask).
    Picture classicAtPhase(int id, ResourceKind kind) const;
    bool phasePicturesAtHand(int next) const;
    // A colour of the landscape in the light of the phase shown; water also
    // mirrors the sky.
    Color litColor(Color c, bool water = false) const;
    // The stars of a night sky down to the horizon, on the canvas.
    void nightStars(int16_t horizon);
    // The moon in the cloud strip, in the box of the sun's disc (x, y, its
    // diameter), or at a place of the landscape's own for a size of 0.
    void nightMoon(int x, int y, int size);
    // Every draw of the last composition, and the state it started from,
    // so that it can be made again in another phase.
    class DrawRecorder final : public RandomSource {
    public:
        explicit DrawRecorder(FrmMain& scene);
        ~DrawRecorder() override;
        DrawRecorder(const DrawRecorder&) = delete;
        DrawRecorder& operator=(const DrawRecorder&) = delete;
        float next() override;

    private:
        FrmMain& scene_;
        RandomSource* inner_;
    };
    std::vector<float> compositionDraws_;
    struct ComposedFrom {
        int16_t flowerCount = 0, riverTop = 0, riverBottom = 0, dyMin = 0, dyMax = 0;
    } composedFrom_;
    // The flowers planted into the landscape since it was composed.
    struct Planted {
        int id;
        double x, y, w, h;
    };
    std::vector<Planted> planted_;
    static constexpr size_t kPlantedKept = 16384;
    struct Fade {
        std::vector<Color> fromBG, toBG, fromStrip, toStrip;
        int steps = 0, step = 0;
    } fade_;
    // A scene composed only for its pictures: no window events are handled
    // while it is composed.
    bool offscreen_ = false;
    bool useSharp_ = false;
    int spriteDensityUsed_ = 0;
    // The sharp pictures drawn, with when each was last asked for. The
    // landscape's are let go, the longest unused first, beyond
    // kLandscapeBudget bytes (a landscape at density 8 asks for 200 MB of
    // them): one let go is read back from the cache when asked for again.
    struct KeptPicture {
        Picture picture;
        uint64_t used = 0;
    };
    static constexpr size_t kLandscapeBudget = size_t(32) << 20;
    std::map<std::tuple<int, int, int>, KeptPicture> sharpPictures_;
    uint64_t pictureUses_ = 0;
    void keepLandscapeBudget(const std::tuple<int, int, int>& newest);
    std::map<std::pair<int, bool>, Strip> strips_;
    int stripPitch_ = 0;
    // The coverage of the strip in picObjekt while a sharp flight is shown.
    std::vector<uint8_t> stripAlpha_;

    void drawMasked(Surface& s, const std::string& painter, int id, int variant, int x1, int y1, int w1, int h1, int x2,
                    int y2, int w2, int h2);
    void record(LayerDrawing d);
    void cityOrCastle(int16_t& y, const char* name, int sheet, int chanceHi);
    void endFlight(FlightRecord& r);

    // Drawing into the frame and into the landscape during a tick: drawn at
    // once, or recorded for the incremental composition.
    void bufferBlit(int x, int y, int w, int h, const ImageView& src, int sx, int sy, RasterOp op, bool strip);
    // A picture with coverage blended pixel for pixel.
    void bufferBlend(int x, int y, int w, int h, const ImageView& src, int sx, int sy);
    void bufferIcon(int id, double x, double y, double w, double h);
    void bufferPrint(const std::string& text);
    void backgroundIcon(int id, double x, double y, double w, double h);
    void showFrame();
    void invalidateFrame();

    // What a drawing draws, for telling whether a frame repeats a drawing
    // of the last one: the same picture at the same place, or the same text
    // in the same colour at the same point. Kind 0 is never the same
    // (drawings from surfaces whose image may have changed).
    struct OpKey {
        int kind = 0;
        const void* source = nullptr;
        int x = 0, y = 0, w = 0, h = 0;
        double px = 0, py = 0;
        Color color = 0;
        std::string text;
        bool operator==(const OpKey&) const = default;
    };
    struct FrameOp {
        Rect rect;
        bool strip = false;
        std::function<void(Surface&)> draw;
        OpKey key;
    };
    FrameOp iconOp(int id, double x, double y, double w, double h);
    std::vector<FrameOp> frameOps_, lastOps_, backgroundOps_;
    std::vector<Rect> backgroundChanged_;
    // Where the cloud strip differs from its rows' sky colour: for each block
    // of kStripBlock rows, the runs of strip columns (in whole blocks of
    // kStripBlock columns) that hold clouds or a sun disc. Elsewhere the
    // strip is plain sky, which looks the same wherever the strip stands.
    static constexpr int kStripBlock = 16;
    std::vector<std::vector<std::pair<int, int>>> stripClouds_;
    void findStripClouds();
    void addCloudDamage(std::vector<Rect>& dirty, int oldOffset, int newOffset) const;
    // The clouds move over on the form by at most this many columns a tick;
    // a longer move (the strip wrapping round) composes them anew.
    static constexpr int kMaxScroll = 64;
    void addScrollDamage(std::vector<Rect>& dirty, const std::vector<Rect>& moved, int shift) const;
    bool frameInvalid_ = true;
    // The canvas as CopyBg last stretched it onto the form, while a
    // landscape is being built.
    // The canvas as last shown, as a hash of every 32 pixels of each row:
    // what changed since is found without a second copy of the canvas.
    std::vector<uint64_t> canvasHashes_;
    int hashedWidth_ = 0, hashedHeight_ = 0;
    bool canvasShownValid_ = false;
    int dpi_ = 96;
    int frameWidth_ = 105, frameHeight_ = 89; // picBuffer's size at design time
    int lastStripOffset_ = -1 << 20;

    std::map<std::pair<int, int>, Picture> pictures_;
};

} // namespace syl
