// The about box frmInfo without a window system: its version text, and its
// "OK" hidden until it is loaded.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "global_state.h"
#include "about/frminfo.h"
#include "errors/handler.h"
#include "platform/controls.h"
#include "platform/host.h"
#include "scene/frmmain.h"
#include "settings/config.h"
#include "settings/frmconfig.h"
#include "settings/settings_store.h"

namespace syl {
namespace {

// ---- frmInfo ---------------------------------------------------------------------

TEST(AboutBox, VersionText)
{
    const struct {
        VersionInfo v;
        const char* text;
    } cases[] = {
        {{3, 5, 7}, "Sylvadra  3.05.0007"},
        {{3, 10, 510}, "Sylvadra  3.10.0510"},
        {{1, 0, 0}, "Sylvadra  1.00.0000"},
        {{12, 345, 67890}, "Sylvadra  12.345.67890"},
    };
    for (const auto& c : cases) EXPECT_EQ(versionText(c.v), c.text);
}

TEST(AboutBox, OkIsHiddenUntilLoadAndClosesTheBox)
{
    int closes = 0;
    FrmInfo f([&] { ++closes; });
    EXPECT_FALSE(f.cmdOK.Visible);
    EXPECT_EQ(f.cmdOK.Caption, "&OK");
    EXPECT_TRUE(f.Label[0].Caption.empty());
    f.Form_Load();
    EXPECT_TRUE(f.cmdOK.Visible);
    EXPECT_EQ(f.Label[0].Caption, versionText(programVersion()));
    EXPECT_EQ(closes, 0);
    f.cmdOK_Click();
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(f.closed());
}

} // namespace
} // namespace syl
