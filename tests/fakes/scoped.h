// Scoped things of the Linux tests: a temporary folder of a test's own and
// an environment variable set for one scope.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace syl::fakes {

namespace fs = std::filesystem;

// A folder of its own under the temporary folder, removed at the end.
struct TempDir {
    fs::path path;
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "sylvadra-desk-XXXXXX").string();
        if (mkdtemp(pattern.data())) path = pattern;
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!path.empty()) fs::remove_all(path, ec);
    }
};

// An environment variable set (or unset) for one scope.
struct ScopedEnv {
    std::string name;
    std::optional<std::string> saved;
    ScopedEnv(const char* n, const char* value) : name(n)
    {
        if (const char* old = std::getenv(n)) saved = old;
        if (value) setenv(n, value, 1);
        else unsetenv(n);
    }
    ~ScopedEnv()
    {
        if (saved) setenv(name.c_str(), saved->c_str(), 1);
        else unsetenv(name.c_str());
    }
};

} // namespace syl::fakes
