#pragma once
// TList: a growable array of untyped pointer-sized items (object references or any other
// pointer, null included) with index checks, an overridable change hook, set-like assignment
// between lists and an in-place quicksort. The list never owns its items. Platform-free.
#include <cstdint>
#include <string>

#include "RootObject.h"

namespace skylaunch {

// The number of slots a list can hold at most.
inline constexpr int32_t MaxListCount = 134217727;

// The slot block: MaxListCount pointers at most, contiguous.
using PPointerList = void**;

enum TListChange : uint8_t { lcAdded, lcExtracted, lcDeleted };
enum TListAssignOp : uint8_t { laCopy, laAnd, laOr, laXor, laSrcUnique, laDestUnique };

// Negative when Item1 sorts before Item2, 0 when they are equal, positive when after.
using TListSortCompare = int32_t (*)(void* Item1, void* Item2);

class TList : public TObject {
 public:
  TList() = default;
  ~TList() override;

  int32_t Add(void* Item);
  void Insert(int32_t Index, void* Item);
  void Delete(int32_t Index);
  void* Get(int32_t Index) const;
  void Put(int32_t Index, void* Item);
  void* First() const { return Get(0); }
  void* Last() const { return Get(FCount - 1); }
  int32_t IndexOf(void* Item) const;
  int32_t Remove(void* Item);
  // Removes the first occurrence of Item, notified as extracted rather than deleted.
  void* Extract(void* Item);
  void Exchange(int32_t Index1, int32_t Index2);
  void Move(int32_t CurIndex, int32_t NewIndex);
  TList* Expand();
  void Pack();
  void Sort(TListSortCompare Compare);
  // Makes this list ListA combined with ListB by AOperator, or this list combined with ListA
  // when ListB is not given.
  void Assign(TList* ListA, TListAssignOp AOperator = laCopy, TList* ListB = nullptr);
  virtual void Clear();

  int32_t Capacity() const { return FCapacity; }
  void SetCapacity(int32_t NewCapacity);
  int32_t Count() const { return FCount; }
  void SetCount(int32_t NewCount);
  // Direct access to the slot block; null while the capacity is 0.
  PPointerList List() const { return FList; }

  // Raises ExceptionLite with Msg; Data is not used.
  [[noreturn]] static void Error(const std::u16string& Msg, int32_t Data);

 protected:
  virtual void Grow();
  // The change hook: every item that enters or leaves the list passes here (null items do not).
  virtual void Notify(void* Ptr, TListChange Action);
  // Clears through the virtual slot, so a descendant's Notify sees every item leave.
  void Destroy() override;

 private:
  void SortRange(int32_t L, int32_t R, TListSortCompare Compare);
  void CheckIndex(int32_t Index) const;

  PPointerList FList{};
  int32_t FCount{};
  int32_t FCapacity{};
};

}  // namespace skylaunch
