// The reference host's documents in-process: their identity, saving, the
// File-Save command and closing, with the events each raises.
#include "tests/wine/TessalineFixture.h"
#include "tests/wine/WineTest.h"

#include "platform/win32/Variant.h"
#include "tessaline/Drawing.h"
#include "tessaline/HostContext.h"
#include "tessaline/HostEventSource.h"
#include "tessaline/LateBound.h"
#include "tessaline/MenuCaptions.h"
#include "tessaline/ScriptRunner.h"

#include <string>
#include <vector>

#include "Tessaline.h"

using namespace tessaline_fixture;

namespace {

DWORD attributes_of(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

std::vector<com_ptr<IDispatch>> enumerate(IDispatch* collection) {
    std::vector<com_ptr<IDispatch>> out;
    win32::unique_variant enumVar;
    if (!collection || FAILED(call(collection, DISPID_NEWENUM, kGet, Args(), enumVar.get())) ||
        V_VT(enumVar.get()) != VT_UNKNOWN || !V_UNKNOWN(enumVar.get()))
        return out;
    com_ptr<IEnumVARIANT> items;
    V_UNKNOWN(enumVar.get())->QueryInterface(IID_IEnumVARIANT, items.put_void());
    if (!items) return out;
    win32::unique_variant item;
    while (items->Next(1, item.put(), nullptr) == S_OK) {
        if (V_VT(item.get()) == VT_DISPATCH) out.emplace_back(V_DISPATCH(item.get()));
    }
    return out;
}

}  // namespace

WINE_TEST(documents_identity_and_save) {
    Apartment apartment;
    Folder folder;
    Host host;
    auto framework = host.framework();
    tessaline::ScriptRunner runner(*host.session);
    ok(!get_object(framework.get(), L"ActiveDocument"), "no drawing open: ActiveDocument is Nothing");

    // An existing file that is no drawing is refused.
    {
        std::FILE* f = _wfopen((folder / L"junk.tsd").c_str(), L"wb");
        if (f) std::fputs("not a drawing\n", f), std::fclose(f);
    }
    runner.run_line(("open " + folder.script_path(L"junk.tsd")).c_str(), 1);
    runner.run_line(("open " + folder.script_path(L"plan.tsd")).c_str(), 2);
    runner.run_line(("open " + folder.script_path(L"site.tsd")).c_str(), 3);
    ok(contains(host.log_text(), "junk.tsd -> failed: not a drawing"), "a file without the header is refused");
    std::string created = read_text(folder / L"plan.tsd");
    ok(created.rfind("TESSALINE-DRAWING 1\r\n", 0) == 0, "a missing file is created with a drawing");

    auto documents = get_object(framework.get(), L"OpenDocuments");
    ok(get_long(documents.get(), L"Count") == 2, "two drawings open (%ld)", get_long(documents.get(), L"Count"));
    auto listed = enumerate(documents.get());
    auto active = get_object(framework.get(), L"ActiveDocument");
    if (!ok(listed.size() == 2 && active, "the collection enumerates both")) return;
    ok(get_text(listed[0].get(), L"Name") == L"plan.tsd" && get_text(listed[1].get(), L"Name") == L"site.tsd",
       "in opening order");
    ok(win32::same_object(listed[1].get(), active.get()), "the last opened is active, and the same object");
    ok(win32::same_object(get_object(documents.get(), L"Item", Args(1)).get(), listed[0].get()),
       "Item(1) is the same object as the enumerated one");
    ok(get_text(listed[0].get(), L"FullName") == folder / L"plan.tsd", "FullName is the path");

    runner.run_line("activate plan.tsd", 4);
    runner.run_line("modify", 5);
    active = get_object(framework.get(), L"ActiveDocument");
    ok(win32::same_object(active.get(), listed[0].get()), "activate changes ActiveDocument");
    ok(get_long(active.get(), L"Modified") != 0 && get_long(listed[1].get(), L"Modified") == 0,
       "modify marks only the active drawing modified");
    wchar_t title[128] = {};
    GetWindowTextW(host.session->window().hwnd(), title, 128);
    ok(std::wstring(title).find(L"plan.tsd") != std::wstring::npos, "the title shows the active drawing");
    auto lines = host.session->window().document_lines();
    ok(lines.size() == 2 && lines[0].find(L"plan.tsd *") != std::wstring::npos,
       "the window lists the drawings, the modified one marked");

    DWORD cookie = 0;
    auto sink = connect_sink(host, cookie);
    bool inCall = false, savedInsideCall = false;
    sink->onEvent = [&](TestSink&, DISPID id, DISPPARAMS&) {
        if (id == tessaline::kEventDocumentSaved) savedInsideCall = inCall;
    };
    win32::unique_variant ignored;
    inCall = true;
    HRESULT hr = call(active.get(), L"Save", DISPATCH_METHOD, Args(), ignored.get());
    inCall = false;
    ok(hr == S_OK, "Save (0x%08lx)", hr);
    ok(sink->count(tessaline::kEventDocumentSaved) == 1 && savedInsideCall, "DocumentSaved was raised inside Save");
    ok(sink->seen.size() == 1 && sink->seen[0].firstObject == identity(active.get()), "for that document");
    ok(get_long(active.get(), L"Modified") == 0, "no longer modified");
    tessaline::drawing::Shapes shapes;
    std::string error;
    ok(tessaline::drawing::parse(read_text(folder / L"plan.tsd"), shapes, error) && shapes.size() == 3,
       "the file holds the added shape (%u)", static_cast<unsigned>(shapes.size()));

    // A file that cannot be written: an exception, and no event.
    SetFileAttributesW((folder / L"plan.tsd").c_str(), FILE_ATTRIBUTE_READONLY);
    runner.run_line("modify", 6);
    // An exception comes back as its scode, with "source: description" as the error.
    std::string saveError;
    hr = call(active.get(), L"Save", DISPATCH_METHOD, Args(), ignored.get(), &saveError);
    ok(FAILED(hr) && !saveError.empty(), "a failing Save raises an exception (0x%08lx)", hr);
    ok(hr == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), "scode is the system error (0x%08lx)", hr);
    ok(saveError.rfind("Tessaline: ", 0) == 0 && saveError.size() > 11, "with source and the system's message");
    ok(sink->count(tessaline::kEventDocumentSaved) == 1, "no DocumentSaved for a failed save");
    ok(get_long(active.get(), L"Modified") != 0, "still modified");
    SetFileAttributesW((folder / L"plan.tsd").c_str(), FILE_ATTRIBUTE_NORMAL);
    disconnect_sink(host, cookie);
}

WINE_TEST(file_save_command) {
    Apartment apartment;
    Folder folder;
    Host host;
    DWORD cookie = 0;
    auto sink = connect_sink(host, cookie);
    HWND main = static_cast<HWND>(LongToHandle(get_long(host.framework().get(), L"MainWindowHandle")));
    auto post_save = [&] {
        PostMessageW(main, WM_COMMAND, tessaline::kCmdFileSave, 0);
        host.session->run_idle(1);
    };

    post_save();
    long aborted = 0;
    for (const auto& e : sink->seen)
        if (e.id == tessaline::kEventCommandAborted) aborted = e.number;
    ok(sink->count(tessaline::kEventCommandAborted) == 1 && aborted == 57603, "no drawing: CommandAborted(57603)");

    tessaline::ScriptRunner runner(*host.session);
    runner.run_line(("open " + folder.script_path(L"plan.tsd")).c_str(), 1);
    runner.run_line("modify", 2);
    sink->seen.clear();
    post_save();
    auto active = get_object(host.framework().get(), L"ActiveDocument");
    ok(sink->count(tessaline::kEventDocumentSaved) == 1 && sink->count(tessaline::kEventCommandAborted) == 0,
       "a posted File-Save saves the active drawing");
    ok(!sink->seen.empty() && sink->seen[0].firstObject == identity(active.get()), "DocumentSaved names it");
    ok(get_long(active.get(), L"Modified") == 0, "and it is saved");

    runner.run_line(("readonly " + folder.script_path(L"plan.tsd") + " on").c_str(), 3);
    ok(attributes_of(folder / L"plan.tsd") & FILE_ATTRIBUTE_READONLY, "the readonly step sets the attribute");
    sink->seen.clear();
    post_save();
    ok(sink->count(tessaline::kEventCommandAborted) == 1 && sink->count(tessaline::kEventDocumentSaved) == 0,
       "a read-only drawing: CommandAborted instead");
    runner.run_line("readonly plan.tsd off", 4);
    ok(!(attributes_of(folder / L"plan.tsd") & FILE_ATTRIBUTE_READONLY), "and clears it");

    std::string log = host.log_text();
    ok(contains(log, "command 57603 from posted"), "the command is logged with its source");
    ok(contains(log, "event CommandAborted 57603") && contains(log, "event DocumentSaved plan.tsd"),
       "and the events it raised");
    disconnect_sink(host, cookie);
}

WINE_TEST(close_honours_the_sinks) {
    Apartment apartment;
    Folder folder;
    Host host;
    tessaline::ScriptRunner runner(*host.session);
    runner.run_line(("open " + folder.script_path(L"plan.tsd")).c_str(), 1);
    runner.run_line("modify", 2);
    auto doc = get_object(host.framework().get(), L"ActiveDocument");
    DWORD cookie = 0;
    auto sink = connect_sink(host, cookie);
    bool cancel = true, toBeSaved = false, sawInitialToBeSaved = true;
    sink->onEvent = [&](TestSink&, DISPID id, DISPPARAMS& params) {
        if (id != tessaline::kEventBeforeDocumentClose || params.cArgs != 3) return;
        sawInitialToBeSaved = *V_BOOLREF(&params.rgvarg[1]) != VARIANT_FALSE;
        *V_BOOLREF(&params.rgvarg[1]) = toBeSaved ? VARIANT_TRUE : VARIANT_FALSE;
        *V_BOOLREF(&params.rgvarg[0]) = cancel ? VARIANT_TRUE : VARIANT_FALSE;
    };

    runner.run_line("close plan.tsd", 3);
    ok(sink->count(tessaline::kEventBeforeDocumentClose) == 1 && sink->seen[0].firstObject == identity(doc.get()),
       "BeforeDocumentClose(Document, ...) before closing");
    ok(!sawInitialToBeSaved, "bToBeSaved starts False");
    ok(get_long(get_object(host.framework().get(), L"OpenDocuments").get(), L"Count") == 1,
       "bCancel = True keeps the drawing open");

    cancel = false;
    toBeSaved = true;
    runner.run_line("close", 4);
    ok(sink->count(tessaline::kEventDocumentSaved) == 1, "bToBeSaved = True saves before closing");
    ok(get_long(get_object(host.framework().get(), L"OpenDocuments").get(), L"Count") == 0, "then it is closed");
    ok(!get_object(host.framework().get(), L"ActiveDocument"), "and nothing is active");
    win32::unique_variant ignored;
    ok(FAILED(call(doc.get(), L"Save", DISPATCH_METHOD, Args(), ignored.get())), "a closed drawing cannot be saved");
    ok(get_text(doc.get(), L"Name") == L"plan.tsd", "but still has its name");
    disconnect_sink(host, cookie);
}

WINE_TEST_MAIN
