// The main dialog's control groups, enabled and disabled together while ports open and close and
// transfers run: file selection and sending, repeat, string, firmware and receive groups.
#include "kestrix_dlg.h"

#include <iterator>

#include "dorvane/dorvane.h"
#include "res/resource.h"

namespace {

// The firmware group, in the order its states are remembered.
constexpr int kFlashControls[] = {
    IDC_START_FIRMWARE,     IDC_FIRMWARE_GROUP, IDC_STEP_DOWNLOAD_MODE, IDC_STEP_FLASH_SIZE, IDC_STEP_ERASE_FLASH,
    IDC_STEP_DOWNLOAD_CODE, IDC_STEP_CHECK_CRC, IDC_STEP_READ_CRC,      IDC_CRC_VALUE,       IDC_LED_STEP0,
    IDC_LED_STEP1,          IDC_LED_STEP2,      IDC_LED_STEP3,          IDC_LED_STEP4,
};
static_assert(std::size(kFlashControls) == sizeof(CKestrixDlg::m_bFlashItemEnabled) / sizeof(BOOL));

} // namespace

void CKestrixDlg::EnableFileControls(BOOL enable)
{
    for (int id : {IDC_BROWSE, IDC_FILE_NAME, IDC_SELECT_FILE_GROUP, IDC_FILE_HISTORY})
        EnableDlgItem(id, enable);
}

void CKestrixDlg::EnableRepeatControls(BOOL enable)
{
    EnableDlgItem(IDC_REPEAT, enable);
    const BOOL details = enable && m_bRepeat;
    for (int id : {IDC_REPEAT_COUNT, IDC_REPEAT_DELAY, IDC_DELAY_LABEL, IDC_TIMES_LABEL, IDC_MS_LABEL})
        EnableDlgItem(id, details);
}

void CKestrixDlg::EnableStringStart(BOOL enable)
{
    EnableDlgItem(IDC_START_STRING, enable);
}

void CKestrixDlg::EnableFlashControls(BOOL enable)
{
    if (!enable && !m_bFlashGroupEnabled) {
        // Disabled again: the states remembered at the first disabling stay; the CRC stays readable.
        for (int id : kFlashControls)
            EnableDlgItem(id, id == IDC_CRC_VALUE);
        return;
    }
    for (size_t i = 0; i < std::size(kFlashControls); ++i)
        m_bFlashItemEnabled[i] = EnableDlgItem(kFlashControls[i], enable ? m_bFlashItemEnabled[i] : FALSE);
    m_bFlashGroupEnabled = enable ? TRUE : FALSE;
}

void CKestrixDlg::EnableReceiveControls(BOOL enable)
{
    for (int id : {IDC_RECEIVE_GROUP, IDC_RX_LIST, IDC_USM_LIST, IDC_SHOW_USM})
        EnableDlgItem(id, enable);
    // Clearing and saving mean something only where the device answers.
    const BOOL answers = enable && Comm_IsBidirectional();
    EnableDlgItem(IDC_CLEAR_BUFFER, answers);
    EnableDlgItem(IDC_SAVE_RX, answers);
}

void CKestrixDlg::EnableFileGroup(BOOL enable)
{
    for (int id : {IDC_START_FILE, IDC_FILE_NAME, IDC_TRANSMIT_FILE_GROUP, IDC_RATE_VALUE, IDC_RATE_LABEL})
        EnableDlgItem(id, enable);
    EnableRepeatControls(enable);
}

void CKestrixDlg::EnableStringGroup(BOOL enable)
{
    HWND stringBox = ::GetDlgItem(m_hWnd, IDC_DATA_STRING);
    if (!enable) {
        // The focus sits in the combo's own edit; the combo counts as focused.
        HWND focus = ::GetFocus();
        m_bStringFocusNote = focus && (focus == stringBox || ::IsChild(stringBox, focus)) ? TRUE : FALSE;
    }
    for (int id : {IDC_SEND_STRING_GROUP, IDC_DATA_STRING, IDC_HEX, IDC_ASCII})
        EnableDlgItem(id, enable);
    if (enable && m_bStringFocusNote) {
        ::SetFocus(stringBox);
        m_bStringFocusNote = FALSE;
    }
}
