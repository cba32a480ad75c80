// CSetupDlg: catalogue binding, captions and tooltips of the set-up dialogs.
#include "setup_dlg.h"

#include <commctrl.h>

#include "error_report.h"

namespace {

// Stands in for the caption function when the library has none: every caption is empty then.
const char* KX_CATALOGUE_CALL NoCaption(int)
{
    return "";
}

// Binds one export; a missing one shows its box and leaves target null.
ThesGetTextFn BindText(HMODULE library, const char* exportName, const char* missingText)
{
    auto fn = reinterpret_cast<ThesGetTextFn>(::GetProcAddress(library, exportName));
    if (!fn)
        ReportBox(missingText);
    return fn;
}

} // namespace

CSetupDlg::CSetupDlg(UINT templateId, HWND parent, std::span<const TipRow> tips)
    : CDialog(templateId, parent), m_tips(tips)
{
    EnableToolTips();
}

CSetupDlg::~CSetupDlg()
{
    delete[] m_pszTipTextA;
    delete[] m_pszTipTextW;
}

const MessageMap* CSetupDlg::GetMessageMap() const
{
    static const MessageMapEntry entries[] = {
        MapNotifyRange(TTN_NEEDTEXTW, 0, 0xFFFF, &CSetupDlg::OnToolTipNotify),
        MapNotifyRange(TTN_NEEDTEXTA, 0, 0xFFFF, &CSetupDlg::OnToolTipNotify),
    };
    static const MessageMap map{entries, CDialog::GetMessageMap()};
    return &map;
}

BOOL CSetupDlg::OnToolTipNotify(UINT, NMHDR* pNMHDR, LRESULT* pResult)
{
    return AnswerTipRequest(pNMHDR, pResult, m_pfnTipGetText, m_tips, TipMiss::Empty, m_pszTipTextA,
                            m_pszTipTextW);
}

const char* CSetupDlg::GetCaption(int number)
{
    return FormatCaption(m_pfnCaptionGetText, number);
}

BOOL CSetupDlg::BindCatalogueTexts(int titleCaption, std::span<const CaptionRow> captions)
{
    m_hThesaurusDll = ::LoadLibraryA(m_strThesaurusDll);
    if (!m_hThesaurusDll) {
        ReportBox("Thesaurus DLL not found");
        return FALSE;
    }
    m_pfnCaptionGetText = BindText(m_hThesaurusDll, "Thes_CaptionGetText", "Thes_CaptionGetText function not found");
    m_pfnTipGetText = BindText(m_hThesaurusDll, "Thes_TipGetText", "Thes_TipGetText function not found");

    const ThesGetTextFn captionFn = m_pfnCaptionGetText ? m_pfnCaptionGetText : NoCaption;
    // A number the catalogue has no text for keeps the template's text.
    if (const char* title = FormatCaption(captionFn, titleCaption))
        SetWindowText(title);
    ApplyCaptions(m_hWnd, captions, captionFn);
    return TRUE;
}
