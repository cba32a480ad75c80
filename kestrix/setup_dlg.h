// CSetupDlg: what the two set-up dialogs (Ethernet devices, USB driver) share: the catalogue
// library they load again for their own captions and tips, and tooltips from their own table.
#pragma once
#include <windows.h>

#include <span>

#include "framework/dialog.h"
#include "framework/string.h"

#include "catalogue/catalogue.h"
#include "catalogue_binding.h"
#include "tooltips.h"

class CSetupDlg : public CDialog {
public:
    CSetupDlg(UINT templateId, HWND parent, std::span<const TipRow> tips);
    ~CSetupDlg() override;

    const MessageMap* GetMessageMap() const override;
    BOOL OnToolTipNotify(UINT id, NMHDR* pNMHDR, LRESULT* pResult);

    // The caption for number in the buffer all captions share (the next call reuses it); null
    // without a bound caption function.
    const char* GetCaption(int number);

    CString m_strThesaurusDll;           // set by the opener: the main dialog's catalogue name
    char* m_pszTipTextA = nullptr;       // the texts last handed to the tooltip
    wchar_t* m_pszTipTextW = nullptr;
    HMODULE m_hThesaurusDll = nullptr;   // loaded by this dialog and never freed by it
    ThesGetTextFn m_pfnCaptionGetText = nullptr;
    ThesGetTextFn m_pfnTipGetText = nullptr;

protected:
    // Loads m_strThesaurusDll and binds its caption and tip functions, each failure shown in its
    // box; then the title takes caption titleCaption and the controls and column headings theirs.
    // Without a caption function they are all set empty. FALSE when the library was not found
    // (the template texts stay).
    BOOL BindCatalogueTexts(int titleCaption, std::span<const CaptionRow> captions);

private:
    std::span<const TipRow> m_tips;
};
