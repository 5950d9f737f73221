#include "art.h"
namespace art {
static Image blank(int w, int h) { Canvas cv(w, h, 1); rect(cv, 2, 2, w - 2, h - 2, Solid{rgb8(200, 100, 50)}); return resolve(cv); }
Image paintBird(int) { return blank(80, 390); }
Image paintButterfly(int) { return blank(77, 462); }
Image paintSmallPlane() { return blank(330, 200); }
Image paintBigPlane() { return blank(400, 200); }
Image paintAirship() { return blank(200, 100); }
Image paintBalloon(int) { return blank(150, 200); }
Image paintFlower(int) { return blank(32, 32); }
Image paintGrass(int) { return blank(32, 32); }
Image paintAppIcon() { return blank(32, 32); }
Image paintAbout() { return blank(356, 330); }
Image paintPreview(const Catalogue&) { return blank(256, 192); }
}
