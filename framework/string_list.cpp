// CStringList: insertion and removal over a vector grown a block at a time.
#include "framework/string_list.h"

#include <stdexcept>

void CStringList::ReserveForOneMore()
{
    if (m_items.size() < m_items.capacity())
        return;
    size_t blocks = m_items.size() / static_cast<size_t>(m_blockSize) + 1;
    m_items.reserve(blocks * static_cast<size_t>(m_blockSize));
}

void CStringList::AddTail(const CString& s)
{
    InsertAt(GetCount(), s);
}

void CStringList::AddHead(const CString& s)
{
    InsertAt(0, s);
}

void CStringList::InsertAt(int index, const CString& s)
{
    if (index < 0 || index > GetCount())
        throw std::out_of_range("CStringList::InsertAt");
    CString copy(s); // s may be an element of this list; reserving would move it
    ReserveForOneMore();
    m_items.insert(m_items.begin() + index, std::move(copy));
}

void CStringList::RemoveAt(int index)
{
    GetAt(index); // range check
    m_items.erase(m_items.begin() + index);
}

void CStringList::RemoveAll()
{
    m_items.clear();
}

CString& CStringList::GetAt(int index)
{
    if (index < 0 || index >= GetCount())
        throw std::out_of_range("CStringList::GetAt");
    return m_items[static_cast<size_t>(index)];
}

const CString& CStringList::GetAt(int index) const
{
    if (index < 0 || index >= GetCount())
        throw std::out_of_range("CStringList::GetAt");
    return m_items[static_cast<size_t>(index)];
}

int CStringList::Find(const char* s) const
{
    for (int i = 0; i < GetCount(); ++i)
        if (m_items[static_cast<size_t>(i)] == s)
            return i;
    return -1;
}
