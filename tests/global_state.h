// The program's global state around a test: a headless host, the settings
// at their defaults and no error record before it; after it, no scripted
// generator, no dispatch hook, no settings store and no host of the test's
// left behind. A fixture derives from it, or a test uses it as it is.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "errors/errptnr.h"
#include "errors/handler.h"
#include "platform/host.h"
#include "platform/random.h"
#include "settings/config.h"
#include "settings/settings_store.h"

namespace syl {

class GlobalState : public ::testing::Test {
protected:
    void SetUp() override
    {
        setHost(&host_);
        settings() = Settings{};
        ErrPtnr::Unload();
    }
    void TearDown() override
    {
        setDispatchHook({});
        setRandomSource(nullptr);
        setSettingsStore(nullptr);
        setHost(nullptr);
        settings() = Settings{};
    }

    // A failure that reached the dispatcher.
    struct Dispatch {
        std::string module, procedure;
        int number;
        int line;
    };
    // Records every dispatched failure and answers it with answer_.
    void recordDispatches()
    {
        setDispatchHook([this](const char* m, const char* p, const RuntimeError& e, int line) {
            dispatches_.push_back({m, p, e.number(), line});
            return answer_;
        });
    }

    HeadlessHost host_;
    std::vector<Dispatch> dispatches_;
    ErrorAction answer_ = ErrorAction::Retry;
};

} // namespace syl
