// CStringList: an ordered list of CString whose storage grows in blocks of a fixed number of entries.
// Include as "framework/string_list.h".
#pragma once

#include <vector>

#include "framework/string.h"

class CStringList {
public:
    explicit CStringList(int blockSize = 10) : m_blockSize(blockSize > 0 ? blockSize : 1) {}

    int GetCount() const { return static_cast<int>(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    // Entries the storage holds before it grows again: always a whole number of blocks.
    int GetCapacity() const { return static_cast<int>(m_items.capacity()); }
    int GetBlockSize() const { return m_blockSize; }

    void AddTail(const CString& s);
    void AddHead(const CString& s);
    // Inserts before index; an index of GetCount() appends. Out-of-range indexes throw std::out_of_range.
    void InsertAt(int index, const CString& s);
    void RemoveAt(int index);
    void RemoveAll();

    // Element access; an index outside the list throws std::out_of_range.
    CString& GetAt(int index);
    const CString& GetAt(int index) const;
    CString& GetHead() { return GetAt(0); }
    const CString& GetHead() const { return GetAt(0); }
    CString& GetTail() { return GetAt(GetCount() - 1); }
    const CString& GetTail() const { return GetAt(GetCount() - 1); }
    // -1 when absent; compared exactly.
    int Find(const char* s) const;

    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    void ReserveForOneMore();

    int m_blockSize;
    std::vector<CString> m_items;
};
