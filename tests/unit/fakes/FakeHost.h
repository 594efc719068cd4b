// A small host object model: the outer application ("app") whose
// orvapplication is the framework application ("framework") with its
// ProgId, EventSource ("events") and top-level Menus ("menus"). Menus are
// named by their text ("Tools"), their item collections "Tools.items", and
// items "item:<caption>".
#pragma once

#include "fakes/FakeObject.h"

#include <memory>
#include <string>
#include <vector>

namespace fakes {

class FakeHost {
public:
    explicit FakeHost(std::shared_ptr<CallLog> log, const std::string& progId = "Tessaline.Application");
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    std::shared_ptr<CallLog> log;
    std::shared_ptr<FakeObject> app;
    std::shared_ptr<FakeObject> framework;
    std::shared_ptr<FakeObject> events;
    std::shared_ptr<FakeObject> menus;

    // Appends a top-level menu with an empty item collection.
    std::shared_ptr<FakeObject> addMenu(const std::string& name);
    // Takes the menu off the menu bar; its objects stay alive.
    void removeMenu(const std::string& name);
    std::shared_ptr<FakeObject> menuItems(const std::string& menuName) const;
    // Adds an item the way AddCommand does.
    std::shared_ptr<FakeObject> addItem(const std::string& menuName, const std::string& caption);
    std::vector<std::string> captions(const std::string& menuName) const;

    // A document with that Name, not opened in the host.
    std::shared_ptr<FakeObject> document(const std::string& name) const;

    // Opens a document (FullName "C:\\drawings\\<name>") and makes it the
    // active one. Its Save records the name in `saved`, clears Modified and,
    // while saveRaisesEvent is set, raises DocumentSaved inside the call.
    std::shared_ptr<FakeObject> openDocument(const std::string& name, bool modified = true);
    void activate(const std::string& name);
    void closeAll();
    void close(const std::string& name);
    std::shared_ptr<FakeObject> documents;  // OpenDocuments
    std::vector<std::string> saved;
    bool saveRaisesEvent = true;
    static constexpr std::int32_t kMainWindow = 0x00012340;
    // SetCommandCheck calls: command id and check state.
    std::vector<std::pair<std::int32_t, bool>> checks;

private:
    struct Menu {
        std::string name;
        std::shared_ptr<FakeObject> menu;
        std::shared_ptr<FakeObject> items;
        std::vector<std::shared_ptr<FakeObject>> entries;
    };
    Menu* find(const std::string& name) const;

    void refreshDocuments();

    std::vector<std::shared_ptr<FakeObject>> m_open;
    std::shared_ptr<FakeObject> m_active;
    std::vector<Menu*> m_bar;                    // the top-level menus, in order
    std::vector<std::unique_ptr<Menu>> m_menus;  // every menu ever made
    std::int32_t m_nextId = 40001;
};

}  // namespace fakes
