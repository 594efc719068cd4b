// A desktop that records what the component does to it: pointer changes,
// posted messages and restacking, in order; the user's locale is settable.
#pragma once

#include "fakes/CallLog.h"
#include "platform/Desktop.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace fakes {

class FakeDesktop final : public autosave::Desktop {
public:
    struct Posted {
        std::int32_t window;
        std::uint32_t message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        bool operator==(const Posted&) const = default;
    };
    struct Restack {
        std::int32_t window;
        std::int32_t insertAfter;
        bool operator==(const Restack&) const = default;
    };

    // With a log, every call is also added to it ("desktop.pointer 11",
    // "desktop.post 100 273 57603 0", "desktop.placeBelow 100 200"), so
    // tests see its order among the host's calls.
    explicit FakeDesktop(std::shared_ptr<CallLog> log = nullptr) : m_log(std::move(log)) {}

    std::uint32_t locale = 1033;
    int pointer = autosave::kDefaultPointer;
    std::vector<int> pointerChanges;  // every setMousePointer, also repeats
    std::vector<Posted> posted;
    std::vector<Restack> restacks;

    void setMousePointer(int shape) override {
        pointer = shape;
        pointerChanges.push_back(shape);
        note("desktop.pointer " + std::to_string(shape));
    }
    int mousePointer() const override { return pointer; }
    void postMessage(std::int32_t window, std::uint32_t message, std::uintptr_t wParam,
                     std::intptr_t lParam) override {
        posted.push_back({window, message, wParam, lParam});
        note("desktop.post " + std::to_string(window) + " " + std::to_string(message) + " " +
             std::to_string(wParam) + " " + std::to_string(lParam));
    }
    void placeBelow(std::int32_t window, std::int32_t insertAfter) override {
        restacks.push_back({window, insertAfter});
        note("desktop.placeBelow " + std::to_string(window) + " " + std::to_string(insertAfter));
    }
    std::uint32_t userDefaultLocale() override { return locale; }

private:
    void note(std::string entry) {
        if (m_log) m_log->add(std::move(entry));
    }

    std::shared_ptr<CallLog> m_log;
};

}  // namespace fakes
