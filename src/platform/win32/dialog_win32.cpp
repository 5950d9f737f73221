// The settings dialog frmConfig (being built): for now it closes at once.
namespace syl {

int runSettingsDialog()
{
    return 0;
}

} // namespace syl
