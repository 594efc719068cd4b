#include "fakes/FakeHost.h"

#include "host/HostModel.h"

#include <algorithm>

namespace fakes {
namespace h = autosave::host;
using autosave::toInt32;
using autosave::toText;

namespace {

[[noreturn]] void subscriptOutOfRange() {
    throw autosave::AutomationError(ErrorInfo{9, "Tessaline", "Subscript out of range", {}, 0});
}

}  // namespace

FakeHost::FakeHost(std::shared_ptr<CallLog> log_, const std::string& progId)
    : log(std::move(log_)),
      app(FakeObject::make("app", log)),
      framework(FakeObject::make("framework", log)),
      events(FakeObject::make("events", log)),
      menus(FakeObject::make("menus", log)),
      documents(FakeObject::make("documents", log)) {
    events->answers(h::IID_ApplicationEventSource);
    menus->answers(h::IID_MenuCollection)
        .getter("",
                [this](const FakeObject::Args& args) -> Value {
                    // A missing key answers Nothing, as the host's collections do.
                    Menu* m = find(toText(args.at(0)));
                    return m ? ObjectPtr(m->menu) : ObjectPtr();
                })
        .getter("Count", [this](const FakeObject::Args&) -> Value { return std::int32_t(m_bar.size()); })
        .getter("Item", [this](const FakeObject::Args& args) -> Value {
            std::int32_t i = toInt32(args.at(0));
            if (i < 1 || i > std::int32_t(m_bar.size())) subscriptOutOfRange();
            return ObjectPtr(m_bar[i - 1]->menu);
        });
    framework->answers(h::IID_FrameworkApplication)
        .value("ProgId", progId)
        .value("EventSource", ObjectPtr(events))
        .value("Menus", ObjectPtr(menus))
        .value("StatusBar", std::string())
        .value("MainWindowHandle", kMainWindow)
        .value("OpenDocuments", ObjectPtr(documents))
        .getter("ActiveDocument", [this](const FakeObject::Args&) -> Value { return ObjectPtr(m_active); })
        .getter("SetCommandCheck", [this](const FakeObject::Args& args) -> Value {
            checks.emplace_back(toInt32(args.at(0)), autosave::toBool(args.at(1)));
            return {};
        });
    documents->answers(h::IID_Documents).getter("Count", [this](const FakeObject::Args&) -> Value {
        return std::int32_t(m_open.size());
    });
    app->value("orvapplication", ObjectPtr(framework));
}

FakeHost::Menu* FakeHost::find(const std::string& name) const {
    for (Menu* m : m_bar)
        if (m->name == name) return m;
    return nullptr;
}

std::shared_ptr<FakeObject> FakeHost::addMenu(const std::string& name) {
    auto owned = std::make_unique<Menu>();
    Menu* menu = owned.get();
    menu->name = name;
    menu->items = FakeObject::make(name + ".items", log);
    menu->menu = FakeObject::make(name, log);
    menu->menu->answers(h::IID_MenuItem).value("name", name).value("MenuItems", ObjectPtr(menu->items));
    menu->items->answers(h::IID_MenuCollection)
        .value("MenuName", name)
        .getter("",
                [menu](const FakeObject::Args& args) -> Value {
                    std::string caption = toText(args.at(0));
                    for (const auto& item : menu->entries)
                        if (toText(item->stored("Caption")) == caption) return ObjectPtr(item);
                    return ObjectPtr();
                })
        .getter("AddCommand", [this, menu](const FakeObject::Args& args) -> Value {
            return ObjectPtr(addItem(menu->name, toText(args.at(0))));
        });
    m_bar.push_back(menu);
    m_menus.push_back(std::move(owned));
    return menu->menu;
}

void FakeHost::removeMenu(const std::string& name) {
    std::erase_if(m_bar, [&](Menu* m) { return m->name == name; });
}

std::shared_ptr<FakeObject> FakeHost::menuItems(const std::string& menuName) const {
    Menu* m = find(menuName);
    return m ? m->items : nullptr;
}

std::shared_ptr<FakeObject> FakeHost::addItem(const std::string& menuName, const std::string& caption) {
    Menu* menu = find(menuName);
    auto item = FakeObject::make("item:" + caption, log);
    FakeObject* raw = item.get();
    item->answers(h::IID_MenuItem)
        .value("Caption", caption)
        .value("name", caption)
        .value("ID", m_nextId++)
        .getter("ParentMenu", [menu](const FakeObject::Args&) -> Value { return ObjectPtr(menu->items); })
        .getter("Delete", [menu, raw](const FakeObject::Args&) -> Value {
            std::erase_if(menu->entries, [&](const auto& e) { return e.get() == raw; });
            return {};
        });
    menu->entries.push_back(item);
    return item;
}

std::vector<std::string> FakeHost::captions(const std::string& menuName) const {
    std::vector<std::string> result;
    for (const Menu* m : m_bar)
        if (m->name == menuName)
            for (const auto& item : m->entries) result.push_back(toText(item->stored("Caption")));
    return result;
}

std::shared_ptr<FakeObject> FakeHost::document(const std::string& name) const {
    auto doc = FakeObject::make("doc:" + name, log);
    doc->answers(h::IID_Document).value("Name", name);
    return doc;
}

std::shared_ptr<FakeObject> FakeHost::openDocument(const std::string& name, bool modified) {
    auto doc = document(name);
    FakeObject* raw = doc.get();
    doc->value("FullName", "C:\\drawings\\" + name)
        .value("Modified", modified)
        .getter("Save", [this, raw, name](const FakeObject::Args&) -> Value {
            saved.push_back(name);
            raw->value("Modified", false);
            if (saveRaisesEvent) {
                ObjectPtr self = raw->shared_from_this();
                events->fire([&](autosave::ApplicationEvents& sink) { sink.g_ApplicationEvents_DocumentSaved(self); });
            }
            return {};
        });
    m_open.push_back(doc);
    m_active = doc;
    refreshDocuments();
    return doc;
}

void FakeHost::activate(const std::string& name) {
    for (const auto& doc : m_open)
        if (toText(doc->stored("Name")) == name) m_active = doc;
}

void FakeHost::close(const std::string& name) {
    std::erase_if(m_open, [&](const auto& doc) { return toText(doc->stored("Name")) == name; });
    if (m_active && toText(m_active->stored("Name")) == name) m_active = m_open.empty() ? nullptr : m_open.back();
    refreshDocuments();
}

void FakeHost::closeAll() {
    m_open.clear();
    m_active.reset();
    refreshDocuments();
}

void FakeHost::refreshDocuments() {
    std::vector<Value> items;
    for (const auto& doc : m_open) items.emplace_back(ObjectPtr(doc));
    documents->items(std::move(items));
}

}  // namespace fakes
