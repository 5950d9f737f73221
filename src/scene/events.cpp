// Input events of the scene form: all of them end the saver.
#include <cmath>

#include "errors/ending.h"
#include "errors/handler.h"
#include "scene/frmmain.h"

namespace syl {

namespace {
void endFrom(const char* event)
{
    Procedure p("frmMain", event);
    // The scene form numbers its statements from 50010 on.
    p.run([&] { p.step(50010, [] { exitScreensaver(); }); });
}
} // namespace

void FrmMain::Form_Click() { endFrom("Form_Click"); }
void FrmMain::Form_DblClick() { endFrom("Form_DblClick"); }
void FrmMain::Form_KeyDown() { endFrom("Form_KeyDown"); }
void FrmMain::Form_KeyPress() { endFrom("Form_KeyPress"); }
void FrmMain::Form_MouseDown() { endFrom("Form_MouseDown"); }
void FrmMain::Form_Terminate() { endFrom("Form_Terminate"); }
void FrmMain::Form_Unload() { endFrom("Form_Unload"); }

void FrmMain::Form_MouseMove(float x, float y)
{
    Procedure p("frmMain", "Form_MouseMove");
    p.run([&] {
        bool moved = false;
        // The first position seen is the reference for the whole run: small
        // moves add up, and the saver ends once the pointer is 3 pixels or
        // more away from it on either axis.
        p.step(50010, [&] {
            const bool none = lastMouseX == 0 && lastMouseY == 0;
            const bool small = std::fabs(lastMouseX - x) < 3 && std::fabs(lastMouseY - y) < 3;
            moved = !none && !small;
            if (none) {
                lastMouseX = x;
                lastMouseY = y;
            }
        });
        if (moved) p.step(50020, [] { exitScreensaver(); });
    });
}

} // namespace syl
