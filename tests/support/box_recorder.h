// Takes the place of the message box while it lives: answers every box with OK and records it,
// from any thread, with what the program passed.
#pragma once
#include <windows.h>

#include "framework/message_box.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace test_support {

struct RecordedBox {
    std::string text;   // "(no text)" when the program passed none
    std::string caption;
    UINT type;
    HWND owner;
    DWORD threadId;
};

class BoxRecorder {
public:
    BoxRecorder()
        : m_scope([this](HWND owner, const char* text, const char* caption, UINT type) {
              const RecordedBox box{text ? text : "(no text)", caption ? caption : "", type, owner, GetCurrentThreadId()};
              std::function<void(const std::string&)> action;
              {
                  std::lock_guard<std::mutex> guard(m_lock);
                  m_boxes.push_back(box);
                  action = m_whenShown;
              }
              if (action)
                  action(box.text);
              return IDOK;
          })
    {
    }
    std::vector<RecordedBox> Boxes()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_boxes;
    }
    std::vector<std::string> Texts()
    {
        std::vector<std::string> texts;
        for (const RecordedBox& box : Boxes())
            texts.push_back(box.text);
        return texts;
    }
    // Forgets the boxes so far (between the rows of a table-driven test).
    void Clear()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_boxes.clear();
    }
    // Done with each box's text as it is shown, on the thread that shows it: what the test's side
    // does once the program has said something (null: nothing).
    void WhenShown(std::function<void(const std::string& text)> action)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_whenShown = std::move(action);
    }

private:
    std::mutex m_lock;
    std::vector<RecordedBox> m_boxes;
    std::function<void(const std::string&)> m_whenShown;
    CMessageBoxSinkScope m_scope;   // last: the sink must not outlive what it records into
};

}  // namespace test_support
