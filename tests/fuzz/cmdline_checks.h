// What must hold for any command line, shared by the libFuzzer target
// fuzz_cmdline.cpp and the unit tests that replay its corpus and findings.
// The input bytes are the arguments separated by NUL bytes (as argv holds
// them). parseCommandLine either names an error or gives options within
// their documented ranges; the command text it keeps normalises to a
// trimmed, upper-case text that normalises to itself; the host window of
// "/P" and "/A" is a 32-bit number; saver options (--speed...) stay within
// their ranges and never go with --render.
#pragma once

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/cmdline.h"

namespace fuzz {

inline std::vector<std::string> splitArguments(const std::string& bytes)
{
    std::vector<std::string> args;
    if (bytes.empty()) return args;
    size_t pos = 0;
    for (;;) {
        size_t end = bytes.find('\0', pos);
        if (end == std::string::npos) {
            args.push_back(bytes.substr(pos));
            return args;
        }
        args.push_back(bytes.substr(pos, end - pos));
        pos = end + 1;
    }
}

inline std::string checkCommandLine(const std::string& bytes)
{
    const std::vector<std::string> args = splitArguments(bytes);
    const syl::CommandLine c = syl::parseCommandLine(args);
    // An error wins over everything else the arguments asked for (the
    // program prints it and ends); what else was filled in does not matter.
    if (!c.error.empty()) return {};
    for (const syl::SettingOverride& o : c.overrides) {
        if (!o.option) return "a saver option without its table entry";
        if (o.option->kind == syl::OptionKind::Number && (o.value < o.option->low || o.value > o.option->high))
            return std::string("--") + o.option->name + " outside its range";
    }
    // Only the options that choose how landscapes are composed go with a
    // render or a new wallpaper.
    for (const syl::SettingOverride& o : c.overrides)
        if ((c.render || c.setWallpaper) && !o.option->composition)
            return std::string("--") + o.option->name + " with --render or --set-wallpaper";
    if (c.render) {
        const syl::RenderOptions& r = *c.render;
        if (r.width < 1 || r.height < 1 || r.width > 16384 || r.height > 16384) return "render size out of range";
        if (r.ticks < 0 || r.ticks > 100000000) return "ticks out of range";
        if (r.seed != c.seed) return "the render seed differs from the run's seed";
    }
    // The command text is the last arguments joined by blanks: the one run
    // of last arguments whose joined length is the text's length.
    if (!c.commandText.empty()) {
        size_t length = 0, first = args.size();
        while (first > 0 && length < c.commandText.size()) {
            --first;
            length += args[first].size() + (first + 1 < args.size() ? 1 : 0);
        }
        std::string joined;
        for (size_t i = first; i < args.size(); ++i) joined += (i == first ? "" : " ") + args[i];
        if (joined != c.commandText) return "the command text is not the last arguments joined";
    }

    const std::string text = syl::normaliseCommandText(c.commandText);
    if (syl::normaliseCommandText(text) != text) return "normalising twice changes the command text";
    if (!text.empty() && (std::isspace(static_cast<unsigned char>(text.front())) ||
                          std::isspace(static_cast<unsigned char>(text.back()))))
        return "the normalised command text keeps blanks at an end";
    for (char ch : text)
        if (ch >= 'a' && ch <= 'z') return "the normalised command text keeps a lower-case letter";
    const long long window = syl::hostWindowArgument(text);
    if (window < INT32_MIN || window > INT32_MAX) return "the host window is not a 32-bit number";
    if (text.size() < 4 && window != 0) return "a host window without an argument";
    return {};
}

} // namespace fuzz
