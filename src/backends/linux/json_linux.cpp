#include "backends/linux/json_linux.h"

#include <glib.h>

#include <cstring>

namespace syl {

namespace {

constexpr int kJsonDepth = 32;

class JsonReader {
public:
    explicit JsonReader(const std::string& s) : s_(s) {}
    bool read(Json& out) { return value(out, 0) && (space(), i_ == s_.size()); }

private:
    void space()
    {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
    }
    bool literal(const char* word)
    {
        size_t n = std::strlen(word);
        if (s_.compare(i_, n, word) != 0) return false;
        i_ += n;
        return true;
    }
    bool string(std::string& out)
    {
        if (i_ >= s_.size() || s_[i_] != '"') return false;
        ++i_;
        while (i_ < s_.size() && s_[i_] != '"') {
            char c = s_[i_++];
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i_ >= s_.size()) return false;
            char e = s_[i_++];
            switch (e) {
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                if (i_ + 4 > s_.size()) return false;
                unsigned v = 0;
                for (int k = 0; k < 4; ++k) {
                    char h = s_[i_++];
                    int d = g_ascii_xdigit_value(h);
                    if (d < 0) return false;
                    v = v * 16 + static_cast<unsigned>(d);
                }
                char buf[8];
                // A lone half of a surrogate pair stands for itself as U+FFFD.
                gint n = g_unichar_to_utf8(v >= 0xD800 && v <= 0xDFFF ? 0xFFFD : v, buf);
                out.append(buf, static_cast<size_t>(n));
                break;
            }
            default: out += e; break; // " \ /
            }
        }
        if (i_ >= s_.size()) return false;
        ++i_;
        return true;
    }
    bool value(Json& out, int depth)
    {
        if (depth > kJsonDepth) return false;
        space();
        if (i_ >= s_.size()) return false;
        char c = s_[i_];
        if (c == '{') {
            out.kind = Json::Kind::Object;
            ++i_;
            space();
            if (i_ < s_.size() && s_[i_] == '}') return ++i_, true;
            for (;;) {
                space();
                std::string key;
                if (!string(key)) return false;
                space();
                if (i_ >= s_.size() || s_[i_++] != ':') return false;
                Json v;
                if (!value(v, depth + 1)) return false;
                out.members.emplace_back(std::move(key), std::move(v));
                space();
                if (i_ >= s_.size()) return false;
                if (s_[i_] == '}') return ++i_, true;
                if (s_[i_++] != ',') return false;
            }
        }
        if (c == '[') {
            out.kind = Json::Kind::Array;
            ++i_;
            space();
            if (i_ < s_.size() && s_[i_] == ']') return ++i_, true;
            for (;;) {
                Json v;
                if (!value(v, depth + 1)) return false;
                out.items.push_back(std::move(v));
                space();
                if (i_ >= s_.size()) return false;
                if (s_[i_] == ']') return ++i_, true;
                if (s_[i_++] != ',') return false;
            }
        }
        if (c == '"') {
            out.kind = Json::Kind::String;
            return string(out.text);
        }
        if (literal("true") || literal("false")) {
            out.kind = Json::Kind::Bool;
            out.boolean = c == 't';
            return true;
        }
        if (literal("null")) return true;
        const char* start = s_.c_str() + i_;
        char* end = nullptr;
        out.number = g_ascii_strtod(start, &end);
        if (end == start) return false;
        out.kind = Json::Kind::Number;
        i_ += static_cast<size_t>(end - start);
        return true;
    }

    const std::string& s_;
    size_t i_ = 0;
};

} // namespace

bool readJson(const std::string& text, Json& out) { return JsonReader(text).read(out); }

} // namespace syl
