#include "about/frminfo.h"

#include <cstdio>

#include "errors/handler.h"
#include "platform/resources.h"

namespace syl {

std::string versionText(const VersionInfo& v)
{
    char minor[16], revision[16];
    std::snprintf(minor, sizeof minor, "%02d", v.minor);
    std::snprintf(revision, sizeof revision, "%04d", v.revision);
    return "Sylvadra  " + std::to_string(v.major) + "." + minor + "." + revision;
}

FrmInfo::FrmInfo(std::function<void()> close) : close_(std::move(close)) {}

void FrmInfo::Form_Load()
{
    Procedure p("frmInfo", "Form_Load");
    p.run([&] {
        p.step(0, [&] { Label[0].Caption = versionText(programVersion()); });
        p.step(0, [&] { cmdOK.Visible = true; });
    });
}

void FrmInfo::cmdOK_Click()
{
    Procedure p("frmInfo", "cmdOK_Click");
    p.run([&] {
        p.step(0, [&] {
            closed_ = true;
            if (close_) close_();
        });
    });
}

Picture aboutPicture()
{
    try {
        return LoadResPicture(kInfoPictureId, ResourceKind::Data);
    } catch (const RuntimeError&) {
        Picture p;
        p.width = 356;
        p.height = 330;
        p.pixels.assign(static_cast<size_t>(p.width) * p.height, RGB(255, 255, 255));
        return p;
    }
}

} // namespace syl
