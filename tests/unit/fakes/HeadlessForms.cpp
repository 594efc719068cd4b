#include "fakes/HeadlessForms.h"

#include "platform/AutomationError.h"

#include <algorithm>
#include <stdexcept>

namespace fakes {

using autosave::AutomationError;
using autosave::ControlKind;

struct HeadlessForms::Shared {
    HeadlessForms* owner = nullptr;
    std::vector<HeadlessForm*> live;
    std::map<std::string, int> loads;
    std::int32_t nextHandle = 0x10010;
};

namespace {

constexpr int kEnter = 13;

[[noreturn]] void notSupported() {
    throw AutomationError(autosave::errors::kMemberNotSupported, "Object doesn't support this property or method");
}
[[noreturn]] void invalidValue() { throw AutomationError(380, "Invalid property value"); }

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

std::string describe(const autosave::Font& font) {
    std::string size = std::to_string(font.size);
    size.erase(size.find_last_not_of('0') + 1);
    if (size.back() == '.') size.pop_back();
    return font.name + "/" + size + "/" + std::to_string(font.charset);
}

}  // namespace

// --- HeadlessForms ---

HeadlessForms::HeadlessForms() : m_shared(std::make_shared<Shared>()) { m_shared->owner = this; }

HeadlessForms::~HeadlessForms() { m_shared->owner = nullptr; }

std::unique_ptr<autosave::Form> HeadlessForms::load(const autosave::FormLayout& layout, autosave::FormEvents& events) {
    ++m_shared->loads[layout.name];
    return std::make_unique<HeadlessForm>(m_shared, layout, events);
}

HeadlessForm* HeadlessForms::find(const std::string& formName) const {
    for (auto it = m_shared->live.rbegin(); it != m_shared->live.rend(); ++it)
        if ((*it)->layout().name == formName) return *it;
    return nullptr;
}

int HeadlessForms::loadCount(const std::string& formName) const {
    auto it = m_shared->loads.find(formName);
    return it == m_shared->loads.end() ? 0 : it->second;
}

HeadlessForms::User HeadlessForms::nextUser() {
    if (!script.empty()) {
        User next = std::move(script.front());
        script.pop_front();
        return next;
    }
    return user;
}

// --- HeadlessControl ---

HeadlessControl::HeadlessControl(HeadlessForm& form, const autosave::ControlLayout& layout, bool hasFont)
    : m_form(form), m_layout(layout), m_text(layout.text), m_value(layout.value), m_hasFont(hasFont) {}

int HeadlessControl::value() const {
    switch (m_layout.kind) {
    case ControlKind::CheckBox:
    case ControlKind::OptionButton: return m_value;
    case ControlKind::Button: return 0;
    default: notSupported();
    }
}

void HeadlessControl::setValue(int value) {
    switch (m_layout.kind) {
    case ControlKind::CheckBox:
        if (value != 0 && value != 1) invalidValue();
        if (value == m_value) return;
        m_value = value;
        m_form.log.push_back("value " + m_layout.name + "=" + std::to_string(value));
        m_form.m_events.Click(m_layout.name);
        return;
    case ControlKind::OptionButton:
        if (!value) {
            if (m_value) m_form.log.push_back("value " + m_layout.name + "=0");
            m_value = 0;
            return;
        }
        if (m_value) return;
        m_form.selectOption(*this);
        m_form.m_events.Click(m_layout.name);
        return;
    case ControlKind::Button:
        if (value) m_form.m_events.Click(m_layout.name);
        return;
    default: notSupported();
    }
}

void HeadlessControl::select(int start, int length) {
    if (m_layout.kind != ControlKind::TextBox) notSupported();
    if (start < 0 || length < 0) invalidValue();
    // As an edit control does: clamped to the text.
    const int size = static_cast<int>(m_text.size());
    m_selStart = std::min(start, size);
    m_selLength = std::min(length, size - m_selStart);
    m_form.log.push_back("select " + m_layout.name + " " + std::to_string(m_selStart) + " " +
                         std::to_string(m_selLength));
}

bool HeadlessControl::focusable() const {
    return m_layout.kind != ControlKind::Label && m_layout.kind != ControlKind::Frame && m_enabled;
}

void HeadlessControl::setFocus() {
    if (!focusable() || !m_form.m_visible) throw AutomationError(5, "Invalid procedure call or argument");
    m_form.m_focus = m_layout.name;
    m_form.log.push_back("focus " + m_layout.name);
}

bool HeadlessControl::hasFocus() const { return m_form.m_visible && m_form.m_focus == m_layout.name; }

autosave::Font HeadlessControl::font() const {
    if (!m_hasFont) notSupported();
    return m_font;
}

void HeadlessControl::setFont(const autosave::Font& font) {
    if (!m_hasFont) notSupported();
    if (!(font.size > 0) || font.charset < 0 || font.charset > 255) invalidValue();
    m_font = font;
    ++m_fontChanges;
    m_form.log.push_back("font " + m_layout.name + "=" + describe(font));
}

// --- HeadlessForm ---

HeadlessForm::HeadlessForm(std::shared_ptr<HeadlessForms::Shared> shared, const autosave::FormLayout& layout,
                           autosave::FormEvents& events)
    : m_shared(std::move(shared)), m_layout(layout), m_events(events), m_handle(m_shared->nextHandle) {
    m_shared->nextHandle += 4;
    const std::set<std::string>* fontless = m_shared->owner ? &m_shared->owner->fontless : nullptr;
    for (const auto& c : m_layout.controls)
        m_controls.push_back(std::make_unique<HeadlessControl>(*this, c, !fontless || !fontless->count(c.name)));
    m_shared->live.push_back(this);
}

HeadlessForm::~HeadlessForm() {
    auto& live = m_shared->live;
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

HeadlessControl& HeadlessForm::get(const std::string& name) { return static_cast<HeadlessControl&>(control(name)); }

autosave::Control& HeadlessForm::control(std::string_view name) {
    for (auto& c : m_controls)
        if (sameName(c->name(), name)) return *c;
    throw AutomationError(730, "Control '" + std::string(name) + "' not found");
}

std::vector<autosave::Control*> HeadlessForm::controls() {
    std::vector<autosave::Control*> all;
    for (auto& c : m_controls) all.push_back(c.get());
    return all;
}

void HeadlessForm::setCaption(const std::string& caption) {
    m_caption = caption;
    log.push_back("form.caption " + caption);
}

void HeadlessForm::setFont(const autosave::Font& font) {
    if (!(font.size > 0) || font.charset < 0 || font.charset > 255) invalidValue();
    m_font = font;
    log.push_back("form.font " + describe(font));
}

std::string HeadlessForm::defaultGuiFontFace() { return m_shared->owner ? m_shared->owner->guiFontFace : ""; }

void HeadlessForm::showModal() {
    if (!m_loaded) throw AutomationError(364, "Object was unloaded");
    if (m_visible) throw AutomationError(400, "Form already displayed; can't show modally");
    m_visible = true;
    ++m_showCount;
    log.push_back("show");
    // The first focusable control in tab order, unless one kept the focus.
    const HeadlessControl* focused = nullptr;
    for (auto& c : m_controls)
        if (sameName(c->name(), m_focus) && c->focusable()) focused = c.get();
    if (!focused) {
        m_focus.clear();
        for (auto& c : m_controls)
            if (c->focusable() && (!focused || c->layout().tabIndex < focused->layout().tabIndex)) focused = c.get();
        if (focused) m_focus = focused->name();
    }
    activate();
    if (m_visible && m_loaded) {
        HeadlessForms::User user = m_shared->owner ? m_shared->owner->nextUser() : nullptr;
        if (!user) throw std::logic_error("form '" + m_layout.name + "' shown, but no user acts on it");
        user(*this);
    }
    // A real modal loop would never return.
    if (m_visible && m_loaded)
        throw std::logic_error("form '" + m_layout.name + "' is still shown after its user finished");
}

void HeadlessForm::hide() {
    if (!m_visible) return;
    m_visible = false;
    log.push_back("hide");
}

void HeadlessForm::activate() {
    if (!m_visible) return;
    ++m_activateCount;
    m_events.Form_Activate();
}

void HeadlessForm::requireShown(const char* action) const {
    if (!m_loaded || !m_visible)
        throw std::logic_error(std::string("the user cannot ") + action + " on the hidden form '" + m_layout.name +
                               "'");
}

bool HeadlessForm::click(const std::string& name) {
    requireShown("click");
    HeadlessControl& c = get(name);
    if (!c.enabled()) return false;
    if (c.focusable()) {
        m_focus = c.name();
        log.push_back("focus " + c.name());
    }
    switch (c.kind()) {
    case ControlKind::Button: m_events.Click(c.name()); break;
    case ControlKind::CheckBox: c.setValue(c.m_value ? 0 : 1); break;
    case ControlKind::OptionButton: c.setValue(1); break;
    default: break;
    }
    return true;
}

void HeadlessForm::type(const std::string& name, const std::string& text) {
    requireShown("type");
    HeadlessControl& c = get(name);
    if (c.kind() != ControlKind::TextBox || !c.enabled())
        throw std::logic_error("the user cannot type into '" + name + "'");
    c.m_text = text;
    c.m_selStart = static_cast<int>(text.size());
    c.m_selLength = 0;
    log.push_back("text " + name + "=" + text);
}

void HeadlessForm::pressKey(int keyCode, int shift) {
    requireShown("press a key");
    if (m_layout.keyPreview) m_events.Form_KeyDown(keyCode, shift);
    if (keyCode != kEnter || !m_visible || !m_loaded) return;
    for (auto& c : m_controls)
        if (c->name() == m_focus && c->kind() == ControlKind::Button) {
            if (c->enabled()) m_events.Click(c->name());
            return;
        }
    for (auto& c : m_controls)
        if (c->layout().defaultButton && c->enabled()) {
            m_events.Click(c->name());
            return;
        }
}

void HeadlessForm::closeBox() {
    requireShown("use the close box");
    bool cancel = false;
    m_events.Form_QueryUnload(cancel, autosave::kUnloadFromControlMenu);
    if (cancel || !m_loaded) return;
    m_unloadedByUser = true;
    doUnload(autosave::kUnloadFromControlMenu);
}

void HeadlessForm::unload() {
    if (!m_loaded) return;
    bool cancel = false;
    m_events.Form_QueryUnload(cancel, autosave::kUnloadFromCode);
    doUnload(autosave::kUnloadFromCode);
}

void HeadlessForm::doUnload(int mode) {
    m_loaded = false;
    m_visible = false;
    log.push_back("unload " + std::to_string(mode));
}

void HeadlessForm::selectOption(HeadlessControl& selected) {
    for (auto& c : m_controls)
        if (c.get() != &selected && c->kind() == ControlKind::OptionButton && c->m_value &&
            sameName(c->layout().container, selected.layout().container)) {
            c->m_value = 0;
            log.push_back("value " + c->name() + "=0");
        }
    selected.m_value = 1;
    log.push_back("value " + selected.name() + "=1");
}

}  // namespace fakes
