// The GUI test harness: drives dialogs by messages, reads their controls back, pumps messages until a
// condition holds and saves screenshots. Link the `gui_harness` library; tests using it carry the label gui
// (kx_test(... LABELS gui)) so they get the display one at a time. Include as "gui_harness.h".
//
// Typical use, a modal dialog driven from inside its own loop:
//
//   CKestrixDlg dlg;
//   INT_PTR r = gui::RunModal(dlg, [](CDialog& d) {
//       gui::SetText(d, IDC_FILE_NAME, "C:\\fw\\main.bin");
//       gui::Click(d, IDC_START_FILE);                       // BM_CLICK: the handler runs before it returns
//       ASSERT_TRUE(gui::PumpUntil([&] { return gui::ListViewRows(d, IDC_FILES).size() == 1; }));
//       gui::SaveScreenshot(d, "after_start");                 // <output dir>\after_start.bmp
//       gui::PressKey(::GetDlgItem(d, IDC_FILE_NAME), VK_RETURN); // posted: goes through PreTranslateMessage
//       d.EndDialog(IDCANCEL);
//   });
//
// Message boxes: install a sink (framework/message_box.h, CMessageBoxSinkScope) so none ever blocks.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "framework/string.h"

namespace gui {

// Registers the common control classes (list view, IP address, progress...). Every helper calls it.
void Init();

// Handles the waiting messages the way the program's loops do (pre-translation included).
void Pump();
// Pumps for the given time.
void PumpFor(DWORD ms);
// Pumps until done() is true or the time is up; returns done()'s last answer.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// Runs dlg.DoModal(); script runs inside the modal loop once the window exists. If the script leaves
// the dialog open, the harness ends it with -2 so a failing test cannot hang. Returns DoModal's result.
INT_PTR RunModal(CDialog& dlg, const std::function<void(CDialog&)>& script);

// Clicks a button with BM_CLICK (its BN_CLICKED handler has run when this returns).
void Click(HWND dlg, int id);
// Sends WM_COMMAND with the control's id and a notification code, as the control would.
LRESULT Command(HWND dlg, int id, int code);
// Sends a WM_NOTIFY with only the header filled, as the control would; returns the dialog's result.
LRESULT Notify(HWND dlg, int id, UINT code);
// Posts a key press (down and up) to a window and pumps it, so it goes the way a real key goes.
void PressKey(HWND target, UINT vk);

// Window text of a control (edits send EN_CHANGE as when typed).
void SetText(HWND dlg, int id, const char* text);
CString GetText(HWND dlg, int id);
bool IsChecked(HWND dlg, int id);
bool IsEnabled(HWND dlg, int id);
bool IsVisible(HWND dlg, int id);

// Selects a combo box item and notifies the dialog (CBN_SELCHANGE) as a user's choice would.
void SelectComboItem(HWND dlg, int id, int index);
std::vector<CString> ComboItems(HWND dlg, int id);
// The same items as standard strings, for comparing with expected lists.
std::vector<std::string> ComboTexts(HWND dlg, int id);
// The position of the item reading text, or -1 when there is none.
int ComboIndexOf(HWND dlg, int id, const std::string& text);
int ComboSelection(HWND dlg, int id);

// Every row of a report list view, every column's text.
std::vector<std::vector<CString>> ListViewRows(HWND dlg, int id);
// Selects (and focuses) one row; the list sends its LVN_ITEMCHANGED notifications.
void SelectListViewRow(HWND dlg, int id, int row);

// The folder screenshots go to: %KX_TEST_OUTPUT%, else "test-output" beside the test program. Created on demand.
CString OutputDir();
// Saves what the window shows as a 24-bit BMP "<output dir>\<name>.bmp"; returns the path, empty on failure.
CString SaveScreenshot(HWND wnd, const char* name);

} // namespace gui
