// The GUI test harness: message driving, read-back, pumping and screenshots.
#include "gui_harness.h"

#include <commctrl.h>

#include "framework/combo_box.h"
#include "framework/file.h"
#include "framework/list_view.h"
#include "framework/message_pump.h"

namespace gui {

void Init()
{
    static bool done = false;
    if (done)
        return;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    done = true;
}

void Pump()
{
    PumpPendingMessages();
}

void PumpFor(DWORD ms)
{
    DWORD start = ::GetTickCount();
    do {
        Pump();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (::GetTickCount() - start < ms);
    Pump();
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        Pump();
        if (done())
            return true;
        if (::GetTickCount() - start >= timeoutMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

namespace {

struct ModalScript {
    CDialog* dlg = nullptr;
    const std::function<void(CDialog&)>* script = nullptr;
    bool started = false;
};
ModalScript g_modal;

// A thread timer: its callback runs from the dialog's own loop once the window is there.
void CALLBACK StartScript(HWND, UINT, UINT_PTR id, DWORD)
{
    if (g_modal.started || !g_modal.dlg || !g_modal.dlg->m_hWnd)
        return;
    ::KillTimer(nullptr, id);
    g_modal.started = true;
    CDialog& dlg = *g_modal.dlg;
    (*g_modal.script)(dlg);
    if (dlg.IsModal())
        dlg.EndDialog(-2);
}

} // namespace

INT_PTR RunModal(CDialog& dlg, const std::function<void(CDialog&)>& script)
{
    Init();
    ModalScript saved = g_modal;
    g_modal = {&dlg, &script, false};
    UINT_PTR timer = ::SetTimer(nullptr, 0, 10, StartScript);
    INT_PTR result = dlg.DoModal();
    ::KillTimer(nullptr, timer);
    g_modal = saved;
    return result;
}

void Click(HWND dlg, int id)
{
    ::SendMessageA(::GetDlgItem(dlg, id), BM_CLICK, 0, 0);
}

LRESULT Command(HWND dlg, int id, int code)
{
    return ::SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(::GetDlgItem(dlg, id)));
}

LRESULT Notify(HWND dlg, int id, UINT code)
{
    NMHDR hdr = {::GetDlgItem(dlg, id), static_cast<UINT_PTR>(id), code};
    return ::SendMessageA(dlg, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&hdr));
}

void PressKey(HWND target, UINT vk)
{
    UINT scan = ::MapVirtualKeyA(vk, 0);
    ::PostMessageA(target, WM_KEYDOWN, vk, 1 | (scan << 16));
    ::PostMessageA(target, WM_KEYUP, vk, 1 | (scan << 16) | 0xC0000000u);
    Pump();
}

void SetText(HWND dlg, int id, const char* text)
{
    ::SetDlgItemTextA(dlg, id, text);
}

CString GetText(HWND dlg, int id)
{
    return CWindow(::GetDlgItem(dlg, id)).GetWindowText();
}

bool IsChecked(HWND dlg, int id)
{
    return ::IsDlgButtonChecked(dlg, id) == BST_CHECKED;
}

bool IsEnabled(HWND dlg, int id)
{
    return ::IsWindowEnabled(::GetDlgItem(dlg, id)) != FALSE;
}

bool IsVisible(HWND dlg, int id)
{
    return ::IsWindowVisible(::GetDlgItem(dlg, id)) != FALSE;
}

void SelectComboItem(HWND dlg, int id, int index)
{
    HWND combo = ::GetDlgItem(dlg, id);
    ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

std::vector<CString> ComboItems(HWND dlg, int id)
{
    CComboBox combo(::GetDlgItem(dlg, id));
    std::vector<CString> items;
    for (int i = 0; i < combo.GetCount(); ++i)
        items.push_back(combo.GetLBText(i));
    return items;
}

std::vector<std::string> ComboTexts(HWND dlg, int id)
{
    std::vector<std::string> texts;
    for (const CString& item : ComboItems(dlg, id))
        texts.emplace_back(item.c_str());
    return texts;
}

int ComboIndexOf(HWND dlg, int id, const std::string& text)
{
    const std::vector<std::string> texts = ComboTexts(dlg, id);
    for (size_t i = 0; i < texts.size(); ++i)
        if (texts[i] == text)
            return static_cast<int>(i);
    return -1;
}

int ComboSelection(HWND dlg, int id)
{
    return static_cast<int>(::SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0));
}

std::vector<std::vector<CString>> ListViewRows(HWND dlg, int id)
{
    CListView list(::GetDlgItem(dlg, id));
    HWND header = reinterpret_cast<HWND>(list.SendMessage(LVM_GETHEADER));
    int columns = header ? static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
    if (columns < 1)
        columns = 1;
    std::vector<std::vector<CString>> rows;
    for (int r = 0; r < list.GetItemCount(); ++r) {
        std::vector<CString> row;
        for (int c = 0; c < columns; ++c)
            row.push_back(list.GetItemText(r, c));
        rows.push_back(std::move(row));
    }
    return rows;
}

void SelectListViewRow(HWND dlg, int id, int row)
{
    CListView list(::GetDlgItem(dlg, id));
    list.SelectItem(row);
    list.SendMessage(LVM_SETSELECTIONMARK, 0, row);
}

CString OutputDir()
{
    char buf[MAX_PATH] = {};
    CString dir;
    DWORD n = ::GetEnvironmentVariableA("KX_TEST_OUTPUT", buf, sizeof buf);
    if (n > 0 && n < sizeof buf) {
        dir = buf;
    } else {
        n = ::GetModuleFileNameA(nullptr, buf, sizeof buf);
        dir = CString(buf, static_cast<int>(n));
        dir = dir.Left(dir.ReverseFind('\\') + 1) + "test-output";
    }
    ::CreateDirectoryA(dir, nullptr); // fails harmlessly when it is there
    return dir;
}

CString SaveScreenshot(HWND wnd, const char* name)
{
    ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    PumpFor(50);
    RECT r;
    if (!::GetWindowRect(wnd, &r))
        return CString();
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return CString();

    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height; // bottom-up, as BMP files store rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageSize = stride * static_cast<DWORD>(height);

    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (mem && dib) {
        HGDIOBJ old = ::SelectObject(mem, dib);
        // What the screen shows (the window is on top in the test's own display); the window's own
        // painting when the copy cannot be made.
        ok = ::BitBlt(mem, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) ||
             ::PrintWindow(wnd, mem, 0);
        ::GdiFlush();
        ::SelectObject(mem, old);
    }
    CString path;
    if (ok && bits) {
        BITMAPFILEHEADER fh = {};
        fh.bfType = 0x4D42; // "BM"
        fh.bfOffBits = sizeof fh + sizeof(BITMAPINFOHEADER);
        fh.bfSize = fh.bfOffBits + imageSize;
        bi.bmiHeader.biSizeImage = imageSize;
        path = OutputDir() + "\\" + name + ".bmp";
        CFile file;
        if (!file.Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS) || !file.Write(&fh, sizeof fh) ||
            !file.Write(&bi.bmiHeader, sizeof(BITMAPINFOHEADER)) || !file.Write(bits, imageSize))
            path.Empty();
    }
    if (dib)
        ::DeleteObject(dib);
    if (mem)
        ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return path;
}

} // namespace gui
