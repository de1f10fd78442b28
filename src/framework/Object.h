// CObject and CObArray: a base for objects kept in an array of pointers, and that array. The array
// does not own its elements.
#pragma once

#include <windows.h>

#include <vector>

class CObject
{
public:
    virtual ~CObject() = default;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

class CObArray : public CObject
{
public:
    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
    // New slots are null.
    void SetSize(INT_PTR size) { m_items.resize(static_cast<size_t>(size), nullptr); }
    CObject* GetAt(INT_PTR index) const { return m_items.at(static_cast<size_t>(index)); }
    void SetAt(INT_PTR index, CObject* element) { m_items.at(static_cast<size_t>(index)) = element; }
    INT_PTR Add(CObject* element)
    {
        m_items.push_back(element);
        return GetSize() - 1;
    }
    void RemoveAll() { m_items.clear(); }
    CObject* operator[](INT_PTR index) const { return GetAt(index); }

private:
    std::vector<CObject*> m_items;
};
