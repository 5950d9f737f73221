#include "shell/slideshow.h"

#include <algorithm>
#include <sstream>
#include <vector>

#include "scene/daylight.h"

namespace syl {

namespace {

std::string xmlText(const std::string& s)
{
    std::string o;
    for (char c : s) {
        switch (c) {
        case '&': o += "&amp;"; break;
        case '<': o += "&lt;"; break;
        case '>': o += "&gt;"; break;
        default: o += c;
        }
    }
    return o;
}

} // namespace

std::string dayNightSlideshow(const std::array<std::string, 4>& pictures, const LocalDateTime& day,
                              const DayPlace& place, const ClockZone& zone)
{
    // The phases of the day, minute by minute: where each begins.
    struct Span {
        int phase;
        int start; // seconds from midnight
    };
    std::vector<Span> spans;
    LocalDateTime t = day;
    t.second = t.millisecond = 0;
    for (int minute = 0; minute < 24 * 60; ++minute) {
        t.hour = minute / 60;
        t.minute = minute % 60;
        const int p = static_cast<int>(phaseAt(t, place, zone));
        if (spans.empty() || spans.back().phase != p) spans.push_back({p, minute * 60});
    }
    std::ostringstream x;
    x << "<background>\n  <starttime>\n    <year>" << day.year << "</year>\n    <month>" << day.month
      << "</month>\n    <day>" << day.day
      << "</day>\n    <hour>0</hour>\n    <minute>0</minute>\n    <second>0</second>\n  </starttime>\n";
    for (size_t i = 0; i < spans.size(); ++i) {
        const int end = i + 1 < spans.size() ? spans[i + 1].start : 24 * 3600;
        const int length = end - spans[i].start;
        const bool last = i + 1 == spans.size();
        // The fade into the next phase takes the end of this one.
        const int fade = last ? 0 : std::min(900, length / 2);
        const std::string& picture = pictures[static_cast<size_t>(spans[i].phase)];
        x << "  <static>\n    <duration>" << (length - fade) << ".0</duration>\n    <file>" << xmlText(picture)
          << "</file>\n  </static>\n";
        if (fade > 0)
            x << "  <transition type=\"overlay\">\n    <duration>" << fade << ".0</duration>\n    <from>"
              << xmlText(picture) << "</from>\n    <to>" << xmlText(pictures[static_cast<size_t>(spans[i + 1].phase)])
              << "</to>\n  </transition>\n";
    }
    x << "</background>\n";
    return x.str();
}

} // namespace syl
