#include "ui/core/UIPtrArray.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace SkinUI {

CUIPtrArray::CUIPtrArray(int preallocSize) : m_ppVoid(nullptr), m_nCount(0), m_nAllocated(0) {
  if (preallocSize > 0) {
    m_ppVoid = static_cast<void**>(calloc(static_cast<size_t>(preallocSize), sizeof(void*)));
    if (m_ppVoid) m_nAllocated = preallocSize;
  }
}

CUIPtrArray::CUIPtrArray(const CUIPtrArray& other) : m_ppVoid(nullptr), m_nCount(0), m_nAllocated(0) {
  for (int i = 0; i < other.GetSize(); ++i) Add(other.GetAt(i));
}

CUIPtrArray& CUIPtrArray::operator=(const CUIPtrArray& other) {
  if (this != &other) {
    Empty();
    for (int i = 0; i < other.GetSize(); ++i) Add(other.GetAt(i));
  }
  return *this;
}

CUIPtrArray::~CUIPtrArray() { free(m_ppVoid); }

void CUIPtrArray::Empty() {
  free(m_ppVoid);
  m_ppVoid = nullptr;
  m_nCount = 0;
  m_nAllocated = 0;
}

void CUIPtrArray::Resize(int size) {
  Empty();
  if (size <= 0) return;
  m_ppVoid = static_cast<void**>(calloc(static_cast<size_t>(size), sizeof(void*)));
  if (!m_ppVoid) return;
  m_nCount = size;
  m_nAllocated = size;
}

bool CUIPtrArray::Grow() {
  if (m_nCount < m_nAllocated) return true;
  if (m_nAllocated > INT_MAX / 2) return false;
  int capacity = m_nAllocated == 0 ? 11 : m_nAllocated * 2;
  void* block = realloc(m_ppVoid, static_cast<size_t>(capacity) * sizeof(void*));
  if (!block) return false;
  m_ppVoid = static_cast<void**>(block);
  m_nAllocated = capacity;
  return true;
}

bool CUIPtrArray::Add(void* data) {
  if (!Grow()) return false;
  m_ppVoid[m_nCount++] = data;
  return true;
}

bool CUIPtrArray::InsertAt(int index, void* data) {
  if (index == m_nCount) return Add(data);
  if (index < 0 || index > m_nCount) return false;
  if (!Grow()) return false;
  memmove(&m_ppVoid[index + 1], &m_ppVoid[index],
          static_cast<size_t>(m_nCount - index) * sizeof(void*));
  m_ppVoid[index] = data;
  ++m_nCount;
  return true;
}

bool CUIPtrArray::SetAt(int index, void* data) {
  if (index < 0 || index >= m_nCount) return false;
  m_ppVoid[index] = data;
  return true;
}

bool CUIPtrArray::Remove(int index) {
  if (index < 0 || index >= m_nCount) return false;
  if (index < m_nCount - 1) {
    memmove(&m_ppVoid[index], &m_ppVoid[index + 1],
            static_cast<size_t>(m_nCount - index - 1) * sizeof(void*));
  }
  --m_nCount;
  return true;
}

int CUIPtrArray::Find(void* data) const {
  for (int i = 0; i < m_nCount; ++i) {
    if (m_ppVoid[i] == data) return i;
  }
  return -1;
}

void* CUIPtrArray::GetAt(int index) const {
  if (index < 0 || index >= m_nCount) return nullptr;
  return m_ppVoid[index];
}

}  // namespace SkinUI
