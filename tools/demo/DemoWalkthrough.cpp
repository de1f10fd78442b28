// Removes one product with SeriesClean.exe, driving the real program from outside as a user would:
// answers the information box, reads the product list, selects a product, presses Delete, answers
// both confirmations and the result box, and waits for the program to end. Every step is printed
// with the texts on the screen and saved as a picture.
//
//   DemoWalkthrough [--dpi DPI] SeriesClean.exe PICTURE_FOLDER [PRODUCT]
//
// PRODUCT is the beginning of a list item (default: the first item). Paths may be Unix paths. With
// --dpi the program runs on a display of that resolution (144 for 150 %), as Wine gives it to a
// process that starts while the setting is made; the setting is put back once the program runs.
// Exit code 0 when every step appeared as expected, 1 when one did not (what was expected is
// printed), 2 for a usage error.
#include "Console.h"
#include "ProgramWindows.h"
#include "ScreenShot.h"

#include "resource.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <memory>

using namespace demo;
using namespace drive;

namespace {

const wchar_t kFirstConfirmSuffix[] = L" を削除します。削除してよろしいですか？";
const wchar_t kSecondConfirmStart[] = L"以下のデータを削除します。削除してよろしいですか？";
const wchar_t kDoneText[] = L"削除は正常終了しました。";

constexpr DWORD kWindowTimeoutMs = 15000;
constexpr DWORD kRemovalTimeoutMs = 120000; // the survey and the removal of a large folder take time

// A step that did not turn out as expected.
struct StepFailed
{
    std::wstring expected;
    std::wstring found;
};

bool StartsWith(const std::wstring& text, const std::wstring& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::wstring Quoted(const std::wstring& text)
{
    return L"\"" + text + L"\"";
}

std::wstring Joined(const std::vector<std::wstring>& items)
{
    std::wstring text;
    for (const std::wstring& item : items)
        text += std::wstring(text.empty() ? L"" : L"  ") + L"[" + item + L"]";
    return text;
}

BOOL CALLBACK HideIfFileBrowser(HWND hWnd, LPARAM)
{
    if (IsWindowVisible(hWnd) && ClassOf(hWnd) == L"ExplorerWClass")
        ShowWindow(hWnd, SW_HIDE);
    return TRUE;
}

// The pictures show the program on an empty desktop. The file browser that wine_start_server opens
// is hidden, not closed: its process holds the desktop that every program of the demo shares.
void HideFileBrowsers()
{
    EnumWindows(&HideIfFileBrowser, 0);
}

// A list item reads "<display name> (V… R… SP… …)".
std::wstring DisplayNameOf(const std::wstring& item)
{
    const size_t suffix = item.rfind(L" (V");
    return suffix == std::wstring::npos ? item : item.substr(0, suffix);
}

class Walkthrough
{
public:
    Walkthrough(std::wstring exePath, std::wstring pictureFolder, std::wstring product, DWORD dpi)
        : m_exePath(std::move(exePath)), m_pictures(std::move(pictureFolder)), m_product(std::move(product)),
          m_dpi(dpi)
    {}

    int Run()
    {
        try {
            HideFileBrowsers();
            Start();
            HWND dialog = InformationBox();
            const std::wstring displayName = ProductList(dialog);
            DeleteAndConfirm(dialog, displayName);
            Removal(dialog);
            ResultAndExit();
            PrintLine();
            PrintLine(L"Walkthrough complete: every step appeared as expected.");
            return 0;
        } catch (const StepFailed& failure) {
            ReportFailure(failure);
            return 1;
        }
    }

private:
    void Step(const std::wstring& title)
    {
        PrintLine();
        PrintLine(L"[" + std::to_wstring(++m_step) + L"] " + title);
    }

    void Detail(const std::wstring& label, const std::wstring& text)
    {
        const std::vector<std::wstring> lines = SplitLines(text);
        const std::wstring indent(4 + label.size() + 2, L' ');
        for (size_t i = 0; i < lines.size(); ++i)
            PrintLine((i == 0 ? L"    " + label + L": " : indent) + lines[i]);
    }

    void Action(const std::wstring& text) { PrintLine(L"    -> " + text); }

    // A picture of the program's windows as they are now.
    void Picture(const std::wstring& name, HWND settle)
    {
        if (settle)
            LetPaint(settle);
        ++m_picture;
        const std::wstring file =
            std::wstring(m_picture < 10 ? L"0" : L"") + std::to_wstring(m_picture) + L"-" + name + L".png";
        const std::wstring path = m_pictures + L"\\" + file;
        if (SaveScreenArea(AreaAround(m_program.Windows()), path))
            PrintLine(L"    picture: " + file);
        else
            PrintLine(L"    picture: " + file + L" could not be taken (error " +
                      std::to_wstring(GetLastError()) + L")");
    }

    // What the program shows now, for a failure report.
    std::wstring VisibleWindows() const
    {
        std::wstring text;
        for (HWND hWnd : m_program.Windows()) {
            text += L"\n      window " + Quoted(TextOf(hWnd));
            const std::wstring box = BoxText(hWnd);
            if (!box.empty())
                text += L", text " + Quoted(box);
        }
        if (text.empty())
            text = m_program.Running() ? L"\n      (no visible window)"
                                       : L"\n      (the program has ended, exit code " +
                                             std::to_wstring(m_program.ExitCode()) + L")";
        return text;
    }

    // The next message box of the program (one not answered yet), or a failure.
    HWND WaitForBox(const std::wstring& expected, DWORD timeoutMs)
    {
        HWND box = m_program.WaitForWindow(kBoxTitle, timeoutMs, m_answered);
        if (!box) {
            const std::wstring seconds = std::to_wstring(timeoutMs / 1000);
            throw StepFailed{expected, (m_program.Running() ? L"no such box within " + seconds + L" s"
                                                            : L"the program ended first") +
                                           L"; the program shows:" + VisibleWindows()};
        }
        return box;
    }

    void ShowBox(HWND box)
    {
        Detail(L"caption", TextOf(box));
        Detail(L"text", BoxText(box));
        Detail(L"buttons", Joined(ButtonTexts(box)));
    }

    void Answer(HWND box, int id, const std::wstring& label)
    {
        Action(L"press " + label);
        m_answered.push_back(box);
        Press(box, id);
    }

    void Start()
    {
        if (m_dpi) {
            Step(L"Start " + m_exePath + L" at " + std::to_wstring(m_dpi) + L" DPI (" +
                 std::to_wstring(m_dpi * 100 / 96) + L" %)");
            m_display = std::make_unique<fixture::ScopedDisplayDpi>(m_dpi);
        } else {
            Step(L"Start " + m_exePath);
        }
        DWORD error = 0;
        if (!m_program.Start(m_exePath, error))
            throw StepFailed{L"the program starts",
                             L"CreateProcess failed with error " + std::to_wstring(error)};
    }

    HWND InformationBox()
    {
        Step(L"Information box");
        HWND box = WaitForBox(L"the information box " + Quoted(kInfoText), kWindowTimeoutMs);
        ShowBox(box);
        if (BoxText(box) != kInfoText)
            throw StepFailed{L"the information box " + Quoted(kInfoText),
                             L"a box with " + Quoted(BoxText(box))};
        Picture(L"information-box", box);
        Answer(box, IDOK, L"OK");

        HWND dialog = m_program.WaitForWindow(kDialogTitle, kWindowTimeoutMs);
        // The program has made its dialog at the resolution it started with.
        m_display.reset();
        if (!dialog)
            throw StepFailed{L"the main dialog " + Quoted(kDialogTitle),
                             L"none; the program shows:" + VisibleWindows()};
        return dialog;
    }

    // Lists the products, selects one and returns its display name.
    std::wstring ProductList(HWND dialog)
    {
        Step(L"Main dialog");
        Detail(L"caption", TextOf(dialog));
        RECT frame = {};
        GetWindowRect(dialog, &frame);
        Detail(L"size", std::to_wstring(frame.right - frame.left) + L" x " +
                            std::to_wstring(frame.bottom - frame.top) + L" pixels");
        HWND list = GetDlgItem(dialog, IDC_PRODUCT_LIST);
        const std::vector<std::wstring> items = ListItems(list);
        PrintLine(L"    products that can be removed (" + std::to_wstring(items.size()) + L"):");
        for (size_t i = 0; i < items.size(); ++i)
            PrintLine(L"      " + std::to_wstring(i + 1) + L". " + items[i]);
        Detail(L"Delete button", IsWindowEnabled(GetDlgItem(dialog, IDC_DELETE)) ? L"enabled" : L"disabled");
        Picture(L"product-list", dialog);
        if (items.empty())
            throw StepFailed{L"at least one installed product in the list", L"an empty list"};

        auto chosen = std::find_if(items.begin(), items.end(),
                                   [&](const std::wstring& item) { return StartsWith(item, m_product); });
        if (chosen == items.end())
            throw StepFailed{L"a list item beginning with " + Quoted(m_product), L"none"};
        const int index = static_cast<int>(chosen - items.begin());

        Step(L"Select " + Quoted(*chosen));
        SelectListItem(dialog, IDC_PRODUCT_LIST, index);
        HWND deleteButton = GetDlgItem(dialog, IDC_DELETE);
        if (!WaitUntil([&] { return IsWindowEnabled(deleteButton) != FALSE; }, kWindowTimeoutMs))
            throw StepFailed{L"the Delete button enabled by the selection", L"it stays disabled"};
        Detail(L"selected", items[static_cast<size_t>(SendMessageW(list, LB_GETCURSEL, 0, 0))]);
        Detail(L"Delete button", L"enabled");
        Picture(L"product-selected", dialog);
        return DisplayNameOf(*chosen);
    }

    void DeleteAndConfirm(HWND dialog, const std::wstring& displayName)
    {
        Action(L"press " + TextOf(GetDlgItem(dialog, IDC_DELETE)));
        Press(dialog, IDC_DELETE);

        Step(L"First confirmation");
        const std::wstring firstText = displayName + kFirstConfirmSuffix;
        HWND first = WaitForBox(L"the first confirmation " + Quoted(firstText) + L" with OK and Cancel",
                                kWindowTimeoutMs);
        ShowBox(first);
        if (BoxText(first) != firstText)
            throw StepFailed{L"the first confirmation " + Quoted(firstText),
                             L"a box with " + Quoted(BoxText(first))};
        Picture(L"first-confirmation", first);
        Answer(first, IDOK, L"OK");

        Step(L"Second confirmation: what will be deleted");
        HWND second = WaitForBox(L"the second confirmation, beginning " + Quoted(kSecondConfirmStart) +
                                     L", with OK and Cancel",
                                 kRemovalTimeoutMs);
        ShowBox(second);
        if (!StartsWith(BoxText(second), kSecondConfirmStart))
            throw StepFailed{L"the second confirmation, beginning " + Quoted(kSecondConfirmStart),
                             L"a box with " + Quoted(BoxText(second))};
        Picture(L"second-confirmation", second);
        Answer(second, IDOK, L"OK");
    }

    // A look at the dialog while the removal runs, when it is still running.
    void Removal(HWND dialog)
    {
        Sleep(300);
        if (!m_program.Running() || m_program.WaitForWindow(kBoxTitle, 0, m_answered))
            return;
        Step(L"Removal under way");
        Detail(L"information", TextOf(GetDlgItem(dialog, IDC_INFO)));
        Detail(L"status 1", TextOf(GetDlgItem(dialog, IDC_STATUS1)));
        Detail(L"status 2", TextOf(GetDlgItem(dialog, IDC_STATUS2)));
        Picture(L"removing", nullptr);
    }

    void ResultAndExit()
    {
        Step(L"Result");
        HWND result = WaitForBox(L"the result box " + Quoted(kDoneText), kRemovalTimeoutMs);
        ShowBox(result);
        if (BoxText(result) != kDoneText)
            throw StepFailed{L"the result box " + Quoted(kDoneText),
                             L"a box with " + Quoted(BoxText(result))};
        Picture(L"result", result);
        Answer(result, IDOK, L"OK");

        Step(L"Program ends");
        if (!m_program.WaitForExit(kWindowTimeoutMs))
            throw StepFailed{L"the program to end after the result box",
                             L"it still runs; it shows:" + VisibleWindows()};
        Detail(L"exit code", std::to_wstring(m_program.ExitCode()));
    }

    void ReportFailure(const StepFailed& failure)
    {
        PrintLine(L"    FAILED");
        PrintLine(L"    expected: " + failure.expected);
        PrintLine(L"    found:    " + failure.found);
        if (m_program.Running()) {
            Picture(L"failed", nullptr);
            m_program.Kill();
        }
    }

    Program m_program;
    std::wstring m_exePath;
    std::wstring m_pictures;
    std::wstring m_product;
    DWORD m_dpi;
    std::unique_ptr<fixture::ScopedDisplayDpi> m_display;
    std::vector<HWND> m_answered;
    int m_step = 0;
    int m_picture = 0;
};

int Usage()
{
    PrintError(
        L"usage: DemoWalkthrough [--dpi DPI] SeriesClean.exe PICTURE_FOLDER [PRODUCT]   (DPI: 96 to 480)");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    DWORD dpi = 0;
    int first = 1;
    if (argc > 2 && std::wstring(argv[1]) == L"--dpi") {
        wchar_t* end = nullptr;
        const unsigned long value = std::wcstoul(argv[2], &end, 10);
        // Windows scales from 100 % to 500 %.
        if (*end != L'\0' || value < 96 || value > 480)
            return Usage();
        dpi = static_cast<DWORD>(value);
        first = 3;
    }
    const int count = argc - first;
    if (count < 2 || count > 3)
        return Usage();
    const std::wstring pictures = WindowsPath(argv[first + 1]);
    CreateDirectoryW(pictures.c_str(), nullptr);
    Walkthrough walkthrough(WindowsPath(argv[first]), pictures, count == 3 ? argv[first + 2] : L"", dpi);
    return walkthrough.Run();
}
