// Runs the program's main dialog as the application's main window with a test script inside its
// modal loop, then closes it as the operator would; the port page tests use it.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "gui_harness.h"
#include "kestrix_app.h"
#include "kestrix_dlg.h"

inline void RunMainDialog(CKestrixDlg& dlg, const std::function<void(CKestrixDlg&)>& script)
{
    theApp.m_pMainWnd = &dlg;
    bool ran = false;
    gui::RunModal(dlg, [&](CDialog& d) {
        ran = true;
        gui::PumpFor(100);
        script(dlg);
        d.SendMessage(WM_CLOSE);
    });
    theApp.m_pMainWnd = nullptr;
    EXPECT_TRUE(ran) << "the main dialog did not come up";
}
