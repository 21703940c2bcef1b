#include "List.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "ExceptionLite.h"
#include "RuntimeErrors.h"

namespace skylaunch {
namespace {

[[noreturn]] void IndexOutOfBounds() { throw ExceptionLite(u"Index out of bounds."); }

}  // namespace

TList::~TList() { std::free(FList); }  // empty after Destroy; a list never Freed still lets go

void TList::Destroy() {
  Clear();
  TObject::Destroy();
}

void TList::CheckIndex(int32_t Index) const {
  if (Index < 0 || Index >= FCount) IndexOutOfBounds();
}

int32_t TList::Add(void* Item) {
  const int32_t result = FCount;
  if (FCount == FCapacity) Grow();
  FList[FCount] = Item;
  ++FCount;
  if (Item != nullptr) Notify(Item, lcAdded);
  return result;
}

void TList::Insert(int32_t Index, void* Item) {
  if (Index < 0 || Index > FCount) IndexOutOfBounds();
  if (FCount == FCapacity) Grow();
  if (Index < FCount) {
    std::memmove(FList + Index + 1, FList + Index, size_t(FCount - Index) * sizeof(void*));
  }
  FList[Index] = Item;
  ++FCount;
  if (Item != nullptr) Notify(Item, lcAdded);
}

void TList::Delete(int32_t Index) {
  CheckIndex(Index);
  void* const item = FList[Index];
  --FCount;
  if (Index < FCount) {
    std::memmove(FList + Index, FList + Index + 1, size_t(FCount - Index) * sizeof(void*));
  }
  if (item != nullptr) Notify(item, lcDeleted);
}

void* TList::Get(int32_t Index) const {
  CheckIndex(Index);
  return FList[Index];
}

void TList::Put(int32_t Index, void* Item) {
  CheckIndex(Index);
  if (Item == FList[Index]) return;
  void* const old = std::exchange(FList[Index], Item);
  if (old != nullptr) Notify(old, lcDeleted);
  if (Item != nullptr) Notify(Item, lcAdded);
}

int32_t TList::IndexOf(void* Item) const {
  for (int32_t i = 0; i < FCount; ++i) {
    if (FList[i] == Item) return i;
  }
  return -1;
}

int32_t TList::Remove(void* Item) {
  const int32_t index = IndexOf(Item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* Item) {
  const int32_t index = IndexOf(Item);
  if (index < 0) return nullptr;
  FList[index] = nullptr;  // so that Delete notifies nothing
  Delete(index);
  Notify(Item, lcExtracted);
  return Item;
}

void TList::Exchange(int32_t Index1, int32_t Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(FList[Index1], FList[Index2]);
}

void TList::Move(int32_t CurIndex, int32_t NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(NewIndex);
  // The item travels as null, so the list's own Delete and Insert notify nothing.
  void* const item = Get(CurIndex);
  FList[CurIndex] = nullptr;
  Delete(CurIndex);
  Insert(NewIndex, nullptr);
  FList[NewIndex] = item;
}

TList* TList::Expand() {
  if (FCount == FCapacity) Grow();
  return this;
}

void TList::Pack() {
  for (int32_t i = FCount - 1; i >= 0; --i) {
    if (FList[i] == nullptr) Delete(i);
  }
}

void TList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

void TList::Grow() {
  int32_t delta = 4;
  if (FCapacity > 64) {
    delta = FCapacity / 4;
  } else if (FCapacity > 8) {
    delta = 16;
  }
  SetCapacity(FCapacity + delta);
}

void TList::Notify(void*, TListChange) {}

void TList::SetCapacity(int32_t NewCapacity) {
  if (NewCapacity < FCount || NewCapacity > MaxListCount) {
    throw ExceptionLite(u"Capacity out of range.");
  }
  if (NewCapacity == FCapacity) return;
  if (NewCapacity == 0) {
    std::free(std::exchange(FList, nullptr));
  } else {
    void* const block = std::realloc(FList, size_t(NewCapacity) * sizeof(void*));
    if (block == nullptr) RuntimeErrorHandler(reOutOfMemory);  // the old block stays intact
    FList = static_cast<PPointerList>(block);
  }
  FCapacity = NewCapacity;
}

void TList::SetCount(int32_t NewCount) {
  if (NewCount < 0 || NewCount > MaxListCount) throw ExceptionLite(u"Invalid count.");
  if (NewCount > FCapacity) SetCapacity(NewCount);
  if (NewCount > FCount) {
    std::memset(FList + FCount, 0, size_t(NewCount - FCount) * sizeof(void*));
  } else {
    for (int32_t i = FCount - 1; i >= NewCount; --i) Delete(i);
  }
  FCount = NewCount;
}

void TList::Sort(TListSortCompare Compare) {
  if (FList != nullptr && FCount > 0) SortRange(0, FCount - 1, Compare);
}

void TList::SortRange(int32_t L, int32_t R, TListSortCompare Compare) {
  int32_t I;
  do {
    I = L;
    int32_t J = R;
    void* const pivot = FList[(L + R) / 2];
    do {
      while (Compare(FList[I], pivot) < 0) ++I;
      while (Compare(FList[J], pivot) > 0) --J;
      if (I <= J) {
        std::swap(FList[I], FList[J]);
        ++I;
        --J;
      }
    } while (I <= J);
    if (L < J) SortRange(L, J, Compare);
    L = I;
  } while (I < R);
}

void TList::Error(const std::u16string& Msg, int32_t) { throw ExceptionLite(Msg); }

void TList::Assign(TList* ListA, TListAssignOp AOperator, TList* ListB) {
  if (ListB == this && ListA != this) {
    // Copying ListA in first would overwrite the operand; work on a copy of it.
    TOwned<TList> operand = Create<TList>();
    operand->Assign(this);
    Assign(ListA, AOperator, operand.get());
    return;
  }
  TList* source = ListA;
  if (ListB != nullptr) {
    Assign(ListA, laCopy);
    source = ListB;
  }
  switch (AOperator) {
    case laCopy:
      if (source == this) return;  // a copy of itself: clearing first would lose every item
      Clear();
      SetCapacity(source->FCapacity);
      for (int32_t i = 0; i < source->FCount; ++i) Add(source->FList[i]);
      break;
    case laAnd:
      for (int32_t i = FCount - 1; i >= 0; --i) {
        if (source->IndexOf(FList[i]) == -1) Delete(i);
      }
      break;
    case laOr: {
      const int32_t count = source->FCount;
      for (int32_t i = 0; i < count; ++i) {
        if (IndexOf(source->FList[i]) == -1) Add(source->FList[i]);
      }
      break;
    }
    case laXor: {
      TOwned<TList> added = Create<TList>();
      added->SetCapacity(source->FCount);
      for (int32_t i = 0; i < source->FCount; ++i) {
        if (IndexOf(source->FList[i]) == -1) added->Add(source->FList[i]);
      }
      for (int32_t i = FCount - 1; i >= 0; --i) {
        if (source->IndexOf(FList[i]) >= 0) Delete(i);
      }
      if (FCapacity < FCount + added->FCount) SetCapacity(FCount + added->FCount);
      for (int32_t i = 0; i < added->FCount; ++i) Add(added->FList[i]);
      break;
    }
    case laSrcUnique:
      for (int32_t i = FCount - 1; i >= 0; --i) {
        if (source->IndexOf(FList[i]) >= 0) Delete(i);
      }
      break;
    case laDestUnique: {
      TOwned<TList> unique = Create<TList>();
      unique->SetCapacity(source->FCount);
      for (int32_t i = source->FCount - 1; i >= 0; --i) {
        if (IndexOf(source->FList[i]) == -1) unique->Add(source->FList[i]);
      }
      Assign(unique.get(), laCopy);
      break;
    }
  }
}

}  // namespace skylaunch
