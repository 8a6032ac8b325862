// A hash table from wide-string keys to untyped pointers. It owns its items and key copies,
// never the data. A found item moves to the head of its chain, so repeated lookups of one
// name stay short.
#pragma once

#include "ui/core/UIString.h"

namespace SkinUI {

class CUIStringMap {
 public:
  explicit CUIStringMap(int size = 83);
  ~CUIStringMap();
  CUIStringMap(const CUIStringMap&) = delete;
  CUIStringMap& operator=(const CUIStringMap&) = delete;

  void Resize(int size = 83);
  void* Find(const wchar_t* key, bool optimize = true) const;
  bool Insert(const wchar_t* key, void* data);
  void* Set(const wchar_t* key, void* data);
  bool Remove(const wchar_t* key);
  void RemoveAll();
  int GetSize() const { return m_nCount; }
  const wchar_t* GetAt(int index) const;
  const wchar_t* operator[](int index) const { return GetAt(index); }

 private:
  struct Item {
    CUIString key;
    void* data;
    Item* prev;
    Item* next;
  };

  unsigned Bucket(const wchar_t* key) const;
  Item* Lookup(const wchar_t* key, bool optimize) const;
  void FreeItems();

  Item** m_aT;
  int m_nBuckets;
  int m_nCount;
};

}  // namespace SkinUI
