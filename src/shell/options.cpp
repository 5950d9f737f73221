#include "shell/options.h"

#include <charconv>
#include <cmath>

#include "platform/numbers.h"
#include "settings/config.h"

namespace syl {

namespace {

// The options in the order of the settings page.
const char* const kPageOrder[] = {"Speed", "maxFl",   "SpeedF",    "SpeedS", "SpeedO",  "Date",
                                  "Time",  "Restart", "Wallpaper", "Sharp",  "DayNight"};

// An option with the range and default of its setting, a Period's in
// minutes.
SaverOption optionOf(const SettingRow& row)
{
    const SettingOption& o = row.option;
    SaverOption r{o.name,  o.kind,     row.key,     row.low, row.high, row.def,   o.decimals,   o.valueName,
                  o.label, o.lowLabel, o.highLabel, o.help,  &row,     o.offName, o.composition};
    if (o.kind == OptionKind::Period) {
        const SettingRow& seconds = *findSetting(o.seconds);
        r.low = seconds.low / seconds.step;
        r.high = seconds.high / seconds.step;
        r.def = seconds.def / seconds.step;
    }
    return r;
}

const std::vector<SaverOption>& options()
{
    static const std::vector<SaverOption> all = [] {
        std::vector<SaverOption> v;
        for (const char* key : kPageOrder) v.push_back(optionOf(*findSetting(key)));
        return v;
    }();
    return all;
}

void apply(const SaverOption& o, Settings& s, bool on, double value)
{
    const SettingRow& row = *o.row;
    switch (o.kind) {
    case OptionKind::Number:
        row.set(s, value);
        // The flowers' half is derived at once, as LoadConfig derives it.
        if (row.type == SettingType::Text) s.halfMaxFl = CInt(0.5 * value);
        break;
    case OptionKind::Switch: row.set(s, on ? 1 : 0); break;
    case OptionKind::Period: {
        row.set(s, on ? 1 : 0);
        const SettingRow& seconds = *findSetting(row.option.seconds);
        if (on) seconds.set(s, CLng(value) * seconds.step);
        break;
    }
    case OptionKind::Absent: break;
    }
}

// The name that turns a switch off, without its dashes.
std::string offName(const SaverOption& o) { return o.offName ? o.offName : std::string("no-") + o.name; }

SettingOverrides& pending()
{
    static SettingOverrides o;
    return o;
}

// A number with the option's decimals, without trailing zeros.
std::string numberText(double v, int decimals)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    std::string s(buf, r.ptr);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s;
}

std::string xmlEscape(const char* text)
{
    std::string o;
    for (const char* p = text; *p; ++p) {
        switch (*p) {
        case '&': o += "&amp;"; break;
        case '<': o += "&lt;"; break;
        case '>': o += "&gt;"; break;
        case '"': o += "&quot;"; break;
        default: o += *p;
        }
    }
    return o;
}

// One entry of help: the option's form, the text from column 21 on (on a
// line of its own when fewer than two blanks would part them from the form),
// and the range in brackets on a line of its own when the line would pass 79.
void helpLine(std::string& out, const std::string& form, const std::string& text, const std::string& range = "")
{
    std::string line = "  " + form;
    if (line.size() >= 20) {
        out += line + "\n";
        line.clear();
    }
    line.resize(21, ' ');
    line += text;
    if (!range.empty()) {
        if (line.size() + 2 + range.size() > 79) {
            out += line + "\n";
            line = std::string(21, ' ') + "(" + range + ")";
        } else {
            line += " (" + range + ")";
        }
    }
    out += line + "\n";
}

} // namespace

std::span<const SaverOption> saverOptions() { return options(); }

bool parseOptionNumber(std::string_view t, double& value)
{
    if (t.empty() || t.size() > 32) return false;
    std::string s(t);
    size_t p = (s[0] == '+' || s[0] == '-') ? 1 : 0;
    size_t digits = 0, points = 0;
    for (size_t i = p; i < s.size(); ++i) {
        if (s[i] >= '0' && s[i] <= '9') {
            ++digits;
        } else if (s[i] == '.' || s[i] == ',') {
            s[i] = '.';
            if (++points > 1) return false;
        } else {
            return false;
        }
    }
    if (digits == 0) return false;
    if (s[0] == '+') s.erase(0, 1);
    auto r = std::from_chars(s.data(), s.data() + s.size(), value);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(value);
}

bool parseSaverOption(const std::vector<std::string>& args, size_t& i, SettingOverrides& out, std::string& error)
{
    const std::string& a = args[i];
    if (a.size() < 3 || a[0] != '-' || a[1] != '-') return false;
    std::string name = a.substr(2);
    std::string inlineValue;
    bool hasInline = false;
    if (size_t eq = name.find('='); eq != std::string::npos) {
        inlineValue = name.substr(eq + 1);
        name.resize(eq);
        hasInline = true;
    }
    for (const SaverOption& o : options()) {
        const bool negated = o.kind != OptionKind::Number && name == offName(o);
        if (!negated && name != o.name) continue;
        const std::string shown = "--" + name;
        if (negated || o.kind == OptionKind::Switch) {
            if (hasInline) {
                error = shown + " takes no value";
                return true;
            }
            out.push_back({&o, !negated, negated ? o.low : o.high});
            return true;
        }
        std::string text;
        if (hasInline) {
            text = inlineValue;
        } else if (i + 1 < args.size()) {
            text = args[++i];
        } else {
            error = shown + " needs a value";
            return true;
        }
        double v = 0;
        if (!parseOptionNumber(text, v)) {
            error = "bad " + shown + " value '" + text + "'";
            return true;
        }
        if (o.kind == OptionKind::Period) v = roundHalfEven(v);
        v = std::fmin(std::fmax(v, o.low), o.high);
        out.push_back({&o, true, v});
        return true;
    }
    return false;
}

std::string optionText(const SettingOverride& o)
{
    if (!o.option) return {};
    return "--" + (o.on ? std::string(o.option->name) : offName(*o.option));
}

void applyOverrides(const SettingOverrides& overrides, Settings& s)
{
    for (const SettingOverride& o : overrides)
        if (o.option) apply(*o.option, s, o.on, o.value);
}

void setPendingOverrides(SettingOverrides overrides) { pending() = std::move(overrides); }
void applyPendingOverrides() { applyOverrides(pending(), settings()); }

std::string saverOptionsHelp()
{
    std::string h = "Saver options (for this run only, in place of the stored settings; a value\n"
                    "outside the range is taken as the nearest end of it):\n";
    for (const SaverOption& o : options()) {
        const std::string name = std::string("--") + o.name;
        const std::string range = numberText(o.low, o.decimals) + " to " + numberText(o.high, o.decimals) +
                                  ", default " + numberText(o.def, o.decimals);
        switch (o.kind) {
        case OptionKind::Number: helpLine(h, name + " " + o.valueName, o.help, range); break;
        case OptionKind::Switch: helpLine(h, name + ", --" + offName(o), o.help); break;
        case OptionKind::Period:
            helpLine(h, name + " " + o.valueName, o.help, range);
            helpLine(h, std::string("--no-") + o.name, "keep the first landscape");
            break;
        case OptionKind::Absent: break;
        }
    }
    return h;
}

std::string xscreensaverSettingsPage()
{
    std::string x = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n\n"
                    "<screensaver name=\"sylvadra\" _label=\"Sylvadra\">\n\n"
                    "  <command arg=\"--root\"/>\n\n";
    auto number = [&](const SaverOption& o, const std::string& id, const char* type) {
        x += "  <number id=\"" + id + "\" type=\"" + type + "\" arg=\"--" + o.name + " %\"\n";
        x += "          _label=\"" + xmlEscape(o.label) + "\"";
        if (o.lowLabel) x += " _low-label=\"" + xmlEscape(o.lowLabel) + "\"";
        if (o.highLabel) x += " _high-label=\"" + xmlEscape(o.highLabel) + "\"";
        x += "\n          low=\"" + numberText(o.low, o.decimals) + "\" high=\"" + numberText(o.high, o.decimals) +
             "\" default=\"" + numberText(o.def, o.decimals) + "\"/>\n\n";
    };
    // Check boxes are as the stored settings are by default: one on by
    // default passes --no-NAME unchecked (--classic for the sharp
    // pictures), one off by default (the time of day) --NAME checked.
    auto box = [&](const SaverOption& o, const char* label) {
        x += "  <boolean id=\"" + std::string(o.name) + "\" _label=\"" + xmlEscape(label) + "\" " +
             (o.def != 0 ? "arg-unset=\"--" + offName(o) : "arg-set=\"--" + std::string(o.name)) + "\"/>\n\n";
    };
    for (const SaverOption& o : options()) {
        switch (o.kind) {
        case OptionKind::Number: number(o, o.name, "slider"); break;
        case OptionKind::Switch: box(o, o.label); break;
        case OptionKind::Period:
            // The minutes come first: an unchecked box then follows them
            // on the command line, and the later option wins.
            number(o, std::string(o.name) + "-minutes", "spinbutton");
            box(o, "New landscapes");
            break;
        case OptionKind::Absent: break;
        }
    }
    x += "  <_description>\n"
         "A landscape composed at random from painted pictures: a sky with clouds,\n"
         "hills, a sea with islands or a river, a meadow, forests, towns and castles,\n"
         "trees, a house and fences. The clouds drift, birds, butterflies, balloons,\n"
         "an airship and aeroplanes cross the sky, and flowers grow in the meadow.\n"
         "What this page does not pass on to the program is taken from the\n"
         "settings that its own dialog stores (sylvadra /C).\n"
         "\n"
         "A new landscape for each monitor can also become the desktop wallpaper,\n"
         "with sylvadra --set-wallpaper, and every morning and at each login once\n"
         "systemctl --user enable --now sylvadra-wallpaper.timer has been run.\n"
         "\n"
         "Written by the Sylvadra developers; 2026.\n"
         "  </_description>\n"
         "</screensaver>\n";
    return x;
}

} // namespace syl
