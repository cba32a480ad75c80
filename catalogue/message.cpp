// Lookup of a catalogue text by id.
#include "message.h"

const char* CMessage::GetText(int id) const
{
    // Caption and tip rows are grouped by dialog, not sorted: walk them all.
    for (const MessageEntry& row : m_rows) {
        if (row.id == id)
            return row.text;
    }
    return nullptr;
}
