// The message box sink: any thread may show a box while a test swaps the sink.
#include "framework/message_box.h"

#include <mutex>

namespace {

std::mutex& SinkLock()
{
    static std::mutex lock;
    return lock;
}

MessageBoxSink& Sink()
{
    static MessageBoxSink sink;
    return sink;
}

} // namespace

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    MessageBoxSink sink;
    {
        std::lock_guard<std::mutex> guard(SinkLock());
        sink = Sink(); // a copy, so the box is shown without holding the lock
    }
    if (sink)
        return sink(owner, text, caption, type);
    return MessageBoxA(owner, text, caption, type);
}

MessageBoxSink SetMessageBoxSink(MessageBoxSink sink)
{
    std::lock_guard<std::mutex> guard(SinkLock());
    MessageBoxSink previous = std::move(Sink());
    Sink() = std::move(sink);
    return previous;
}
