// Just enough of a JSON reader for the answers of desktop services (sway's
// IPC): a document read whole into a tree.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace syl {

// Just enough JSON for sway's answers: objects, arrays, strings, numbers,
// true, false and null, nested at most kJsonDepth deep.
struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;

    const Json* operator[](const char* key) const
    {
        for (const auto& [k, v] : members)
            if (k == key) return &v;
        return nullptr;
    }
};

// Reads a whole document; false when it is not JSON (or nests too deep).
bool readJson(const std::string& text, Json& out);

// A number member, or `otherwise` when it is missing or not a number.
inline double numberOf(const Json* j, double otherwise)
{
    return j && j->kind == Json::Kind::Number ? j->number : otherwise;
}
// Whether a member is there and true.
inline bool trueOf(const Json* j) { return j && j->kind == Json::Kind::Bool && j->boolean; }

} // namespace syl
