// ShowMessageBox: the one way the program shows a message box, so tests can answer boxes themselves.
// Include as "framework/message_box.h".
#pragma once

#include <windows.h>

#include <functional>

using MessageBoxSink = std::function<int(HWND owner, const char* text, const char* caption, UINT type)>;

// Shows the box through the installed sink, or MessageBoxA when none is installed.
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);
// Installs a sink (an empty one restores MessageBoxA); returns the one it replaces.
MessageBoxSink SetMessageBoxSink(MessageBoxSink sink);

// Installs a sink for the rest of a scope and puts the previous one back after it.
class CMessageBoxSinkScope {
public:
    explicit CMessageBoxSinkScope(MessageBoxSink sink) : m_previous(SetMessageBoxSink(std::move(sink))) {}
    ~CMessageBoxSinkScope() { SetMessageBoxSink(std::move(m_previous)); }
    CMessageBoxSinkScope(const CMessageBoxSinkScope&) = delete;
    CMessageBoxSinkScope& operator=(const CMessageBoxSinkScope&) = delete;

private:
    MessageBoxSink m_previous;
};
