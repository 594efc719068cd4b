// A desktop that records what the component does to it: pointer changes,
// posted messages and restacking, in order; the user's locale is settable.
#pragma once

#include "fakes/CallLog.h"
#include "platform/Desktop.h"

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
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
    void postMessage(std::int32_t window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        posted.push_back({window, message, wParam, lParam});
        note("desktop.post " + std::to_string(window) + " " + std::to_string(message) + " " + std::to_string(wParam) +
             " " + std::to_string(lParam));
    }
    void placeBelow(std::int32_t window, std::int32_t insertAfter) override {
        restacks.push_back({window, insertAfter});
        note("desktop.placeBelow " + std::to_string(window) + " " + std::to_string(insertAfter));
    }
    std::uint32_t userDefaultLocale() override { return locale; }
    void messageBox(const std::string& text, const std::string& title, std::uint32_t flags) override {
        note("desktop.msgbox \"" + title + "\" \"" + text + "\" " + std::to_string(flags));
        if (onMessageBox) onMessageBox();
    }
    void showHelp(std::int32_t caller, const std::string& helpFile, std::uint32_t context) override {
        note("desktop.help " + std::to_string(caller) + " " + helpFile + " " + std::to_string(context));
    }
    // Reads numbers the way an English locale does: blanks around, a sign,
    // "," grouping, "." decimal point, an exponent, a leading "$"; with
    // `german`, "." groups and "," is the decimal point.
    bool german = false;
    std::optional<double> numberFromText(const std::string& text) override {
        const auto first = text.find_first_not_of(' '), last = text.find_last_not_of(' ');
        if (first == std::string::npos) return std::nullopt;
        const char group = german ? '.' : ',', decimal = german ? ',' : '.';
        std::string plain;
        for (auto i = first; i <= last; ++i) {
            if (text[i] == group || (!german && i == first && text[i] == '$')) continue;
            plain += text[i] == decimal ? '.' : text[i];
        }
        if (plain.find_first_not_of("+-0123456789.eE") != std::string::npos) return std::nullopt;
        char* end = nullptr;
        double value = std::strtod(plain.c_str(), &end);
        if (plain.empty() || end != plain.c_str() + plain.size()) return std::nullopt;
        return value;
    }

    // Runs while a message box is up (a user's reaction to it).
    std::function<void()> onMessageBox;

private:
    void note(std::string entry) {
        if (m_log) m_log->add(std::move(entry));
    }

    std::shared_ptr<CallLog> m_log;
};

}  // namespace fakes
