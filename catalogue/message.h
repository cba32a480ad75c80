// CMessage: one table of the message catalogue, looked up by id.
// CMessageCap and CMessageTip name the caption and tip tables; they behave the same.
#pragma once

#include <span>

#include "catalogue_texts.h"

class CMessage {
public:
    explicit CMessage(std::span<const MessageEntry> rows) : m_rows(rows) {}
    virtual ~CMessage() = default;  // the rows are static data: nothing to release

    CMessage(const CMessage&) = delete;
    CMessage& operator=(const CMessage&) = delete;

    // The text of the first row with this id, or null when the table has no such id.
    virtual const char* GetText(int id) const;

    unsigned GetSize() const { return static_cast<unsigned>(m_rows.size()); }

private:
    std::span<const MessageEntry> m_rows;
};

class CMessageCap : public CMessage {
public:
    using CMessage::CMessage;
};

class CMessageTip : public CMessage {
public:
    using CMessage::CMessage;
};
