#include "ui/core/UIStringMap.h"

#include <cstdlib>
#include <cwchar>

namespace SkinUI {

namespace {
unsigned HashKey(const wchar_t* key) {
  unsigned h = 0;
  for (size_t i = wcslen(key); i > 0; --i) h = h * 33u + static_cast<unsigned>(key[i - 1]);
  return h;
}
}  // namespace

CUIStringMap::CUIStringMap(int size) : m_aT(nullptr), m_nBuckets(0), m_nCount(0) { Resize(size); }

CUIStringMap::~CUIStringMap() {
  FreeItems();
  free(m_aT);
}

void CUIStringMap::FreeItems() {
  for (int i = 0; i < m_nBuckets; ++i) {
    Item* item = m_aT[i];
    while (item) {
      Item* next = item->next;
      delete item;
      item = next;
    }
    m_aT[i] = nullptr;
  }
  m_nCount = 0;
}

void CUIStringMap::Resize(int size) {
  FreeItems();
  free(m_aT);
  m_aT = nullptr;
  m_nBuckets = 0;
  if (size < 0) size = 0;
  if (size > 0) {
    m_aT = static_cast<Item**>(calloc(static_cast<size_t>(size), sizeof(Item*)));
    if (m_aT) m_nBuckets = size;
  }
}

void CUIStringMap::RemoveAll() { FreeItems(); }

unsigned CUIStringMap::Bucket(const wchar_t* key) const {
  return HashKey(key) % static_cast<unsigned>(m_nBuckets);
}

CUIStringMap::Item* CUIStringMap::Lookup(const wchar_t* key, bool optimize) const {
  if (m_nBuckets == 0 || m_nCount == 0 || !key) return nullptr;
  unsigned slot = Bucket(key);
  for (Item* item = m_aT[slot]; item; item = item->next) {
    if (item->key == key) {
      if (optimize && item != m_aT[slot]) {
        // Unlink and move to the head of the chain.
        item->prev->next = item->next;
        if (item->next) item->next->prev = item->prev;
        item->prev = nullptr;
        item->next = m_aT[slot];
        m_aT[slot]->prev = item;
        m_aT[slot] = item;
      }
      return item;
    }
  }
  return nullptr;
}

void* CUIStringMap::Find(const wchar_t* key, bool optimize) const {
  Item* item = Lookup(key, optimize);
  return item ? item->data : nullptr;
}

bool CUIStringMap::Insert(const wchar_t* key, void* data) {
  if (m_nBuckets == 0 || !key) return false;
  if (Lookup(key, true)) return false;
  unsigned slot = Bucket(key);
  Item* item = new Item{CUIString(key), data, nullptr, m_aT[slot]};
  if (m_aT[slot]) m_aT[slot]->prev = item;
  m_aT[slot] = item;
  ++m_nCount;
  return true;
}

void* CUIStringMap::Set(const wchar_t* key, void* data) {
  if (m_nBuckets == 0 || !key) return data;
  Item* item = Lookup(key, true);
  if (item) {
    void* old = item->data;
    item->data = data;
    return old;
  }
  Insert(key, data);
  return nullptr;
}

bool CUIStringMap::Remove(const wchar_t* key) {
  Item* item = Lookup(key, true);
  if (!item) return false;
  unsigned slot = Bucket(key);
  // Lookup moved it to the head.
  m_aT[slot] = item->next;
  if (item->next) item->next->prev = nullptr;
  delete item;
  --m_nCount;
  return true;
}

const wchar_t* CUIStringMap::GetAt(int index) const {
  if (m_nBuckets == 0 || m_nCount == 0 || index < 0) return nullptr;
  int pos = 0;
  for (int i = m_nBuckets; i > 0; --i) {
    for (Item* item = m_aT[i - 1]; item; item = item->next) {
      if (pos++ == index) return item->key.GetData();
    }
  }
  return nullptr;
}

}  // namespace SkinUI
