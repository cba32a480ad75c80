// The rows of a receive list as the list itself shows them: it asks the dialog for each cell.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "gui_harness.h"

inline std::vector<std::vector<std::string>> ReceiveListRows(HWND dlg, int id)
{
    std::vector<std::vector<std::string>> rows;
    for (const auto& row : gui::ListViewRows(dlg, id)) {
        std::vector<std::string> texts;
        for (const CString& cell : row)
            texts.push_back(cell.c_str());
        rows.push_back(texts);
    }
    return rows;
}
