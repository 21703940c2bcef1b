#include "List.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ExceptionLite.h"
#include "Utf.h"

namespace skylaunch {
namespace {

// Items are letters turned into pointers, so a list's content reads as a short text.
void* P(char letter) { return reinterpret_cast<void*>(uintptr_t(letter)); }

std::string Letters(const TList& list) {
  std::string text;
  for (int32_t i = 0; i < list.Count(); ++i) {
    text += list.Get(i) == nullptr ? '-' : char(reinterpret_cast<uintptr_t>(list.Get(i)));
  }
  return text;
}

TOwned<TList> ListOf(const std::string& letters) {
  TOwned<TList> list = Create<TList>();
  for (char c : letters) list->Add(c == '-' ? nullptr : P(c));
  return list;
}

// Records every notification as "+a" (added), "^a" (extracted) or "-a" (deleted).
class TRecordingList : public TList {
 public:
  explicit TRecordingList(std::string* log) : fLog(log) {}

 protected:
  void Notify(void* Ptr, TListChange Action) override {
    static const char kSigns[] = {'+', '^', '-'};
    *fLog += kSigns[Action];
    *fLog += char(reinterpret_cast<uintptr_t>(Ptr));
    *fLog += ' ';
  }

 private:
  std::string* fLog;
};

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const ExceptionLite& e) {
    return ToUtf8(e.Message());
  }
  return "(no error)";
}

TEST(TList, GrowsByFourThenSixteenThenAQuarter) {
  TOwned<TList> list = Create<TList>();
  EXPECT_EQ(list->Capacity(), 0);
  EXPECT_EQ(list->List(), nullptr);
  std::vector<int32_t> capacities;
  for (int i = 0; i < 150; ++i) {
    list->Add(P('x'));
    if (capacities.empty() || capacities.back() != list->Capacity()) {
      capacities.push_back(list->Capacity());
    }
    if (i == 12) {
      EXPECT_EQ(list->Capacity(), 28) << "after 13 items";
    }
  }
  EXPECT_THAT(capacities, testing::ElementsAre(4, 8, 12, 28, 44, 60, 76, 95, 118, 147, 183));

  // Expand grows only a full list; deleting never shrinks the block.
  TOwned<TList> full = ListOf("abcd");
  EXPECT_EQ(full->Expand(), full.get());
  EXPECT_EQ(full->Capacity(), 8);
  EXPECT_EQ(full->Expand()->Capacity(), 8);
  full->Delete(0);
  EXPECT_EQ(full->Capacity(), 8);
  full->Clear();
  EXPECT_EQ(full->Capacity(), 0);
  EXPECT_EQ(full->List(), nullptr);
}

TEST(TList, RejectsBadIndexesCapacitiesAndCountsWithoutChangingAnything) {
  TOwned<TList> list = ListOf("abc");
  const struct {
    const char* what;
    std::function<void()> action;
    const char* error;
  } cases[] = {
      {"Get(-1)", [&] { list->Get(-1); }, "Index out of bounds."},
      {"Get(Count)", [&] { list->Get(3); }, "Index out of bounds."},
      {"Put(Count)", [&] { list->Put(3, P('z')); }, "Index out of bounds."},
      {"Delete(Count)", [&] { list->Delete(3); }, "Index out of bounds."},
      {"Delete(-1)", [&] { list->Delete(-1); }, "Index out of bounds."},
      {"Insert(Count + 1)", [&] { list->Insert(4, P('z')); }, "Index out of bounds."},
      {"Insert(-1)", [&] { list->Insert(-1, P('z')); }, "Index out of bounds."},
      {"Exchange(0, Count)", [&] { list->Exchange(0, 3); }, "Index out of bounds."},
      {"Exchange(-1, 0)", [&] { list->Exchange(-1, 0); }, "Index out of bounds."},
      {"Move(0, Count)", [&] { list->Move(0, 3); }, "Index out of bounds."},
      {"Move(Count, 0)", [&] { list->Move(3, 0); }, "Index out of bounds."},
      {"Capacity below Count", [&] { list->SetCapacity(2); }, "Capacity out of range."},
      {"Capacity above the maximum", [&] { list->SetCapacity(MaxListCount + 1); },
       "Capacity out of range."},
      {"Count below 0", [&] { list->SetCount(-1); }, "Invalid count."},
      {"Count above the maximum", [&] { list->SetCount(MaxListCount + 1); }, "Invalid count."},
      {"Error", [] { TList::Error(u"Custom.", 7); }, "Custom."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ErrorOf(c.action), c.error) << c.what;
    EXPECT_EQ(Letters(*list), "abc") << c.what;
    EXPECT_EQ(list->Capacity(), 4) << c.what;
  }

  TOwned<TList> empty = Create<TList>();
  EXPECT_EQ(ErrorOf([&] { empty->First(); }), "Index out of bounds.");
  EXPECT_EQ(ErrorOf([&] { empty->Last(); }), "Index out of bounds.");
  // Moving to the same index does nothing, even out of range.
  EXPECT_EQ(ErrorOf([&] { list->Move(7, 7); }), "(no error)");
}

TEST(TList, InsertsDeletesAndFinds) {
  TOwned<TList> list = ListOf("bd");
  list->Insert(0, P('a'));
  list->Insert(2, P('c'));
  list->Insert(4, P('e'));  // at Count: appends
  EXPECT_EQ(Letters(*list), "abcde");
  EXPECT_EQ(list->First(), P('a'));
  EXPECT_EQ(list->Last(), P('e'));

  list->Add(P('c'));
  EXPECT_EQ(list->IndexOf(P('c')), 2);
  EXPECT_EQ(list->Remove(P('c')), 2);  // the first occurrence
  EXPECT_EQ(Letters(*list), "abdec");
  EXPECT_EQ(list->Remove(P('z')), -1);
  EXPECT_EQ(list->IndexOf(P('z')), -1);

  list->Exchange(0, 4);
  EXPECT_EQ(Letters(*list), "cbdea");
  list->Move(0, 3);
  EXPECT_EQ(Letters(*list), "bdeca");
  list->Move(4, 0);
  EXPECT_EQ(Letters(*list), "abdec");

  list->Add(nullptr);
  list->Insert(1, nullptr);
  EXPECT_EQ(Letters(*list), "a-bdec-");
  list->Pack();
  EXPECT_EQ(Letters(*list), "abdec");
}

TEST(TList, NotifiesEveryItemThatEntersOrLeaves) {
  std::string log;
  TOwned<TRecordingList> list = Create<TRecordingList>(&log);
  const struct {
    const char* what;
    std::function<void()> action;
    const char* content;
    const char* notified;
  } steps[] = {
      {"Add", [&] { list->Add(P('a')); }, "a", "+a "},
      {"Add(nil)", [&] { list->Add(nullptr); }, "a-", ""},
      {"Insert", [&] { list->Insert(0, P('b')); }, "ba-", "+b "},
      {"Insert(nil)", [&] { list->Insert(0, nullptr); }, "-ba-", ""},
      {"Pack", [&] { list->Pack(); }, "ba", ""},
      {"Put of the same pointer", [&] { list->Put(0, P('b')); }, "ba", ""},
      {"Put", [&] { list->Put(0, P('c')); }, "ca", "-b +c "},
      {"Put(nil)", [&] { list->Put(0, nullptr); }, "-a", "-c "},
      {"Put into nil", [&] { list->Put(0, P('c')); }, "ca", "+c "},
      {"Exchange", [&] { list->Exchange(0, 1); }, "ac", ""},
      {"Move", [&] { list->Move(0, 1); }, "ca", ""},
      {"Extract", [&] { EXPECT_EQ(list->Extract(P('c')), P('c')); }, "a", "^c "},
      {"Extract of a missing item", [&] { EXPECT_EQ(list->Extract(P('z')), nullptr); }, "a", ""},
      {"Count up", [&] { list->SetCount(3); }, "a--", ""},
      {"Put", [&] { list->Put(2, P('d')); }, "a-d", "+d "},
      {"Count down", [&] { list->SetCount(0); }, "", "-d -a "},
      {"Assign", [&] { list->Assign(ListOf("xy").get()); }, "xy", "+x +y "},
      {"Remove", [&] { list->Remove(P('x')); }, "y", "-x "},
      {"Delete", [&] { list->Delete(0); }, "", "-y "},
  };
  for (const auto& step : steps) {
    log.clear();
    step.action();
    EXPECT_EQ(Letters(*list), step.content) << step.what;
    EXPECT_EQ(log, step.notified) << step.what;
  }

  // Clear, and releasing the list, delete from the last item to the first.
  list->Assign(ListOf("ab").get());
  log.clear();
  list->Clear();
  EXPECT_EQ(log, "-b -a ");
  list->Assign(ListOf("ab").get());
  log.clear();
  list.reset();
  EXPECT_EQ(log, "-b -a ");
}

TEST(TList, SortsInPlaceWithoutNotifying) {
  static int comparisons;
  const TListSortCompare byLetter = [](void* a, void* b) {
    ++comparisons;
    return int32_t(reinterpret_cast<intptr_t>(a) - reinterpret_cast<intptr_t>(b));
  };
  const struct {
    std::string before, after;
  } cases[] = {
      {"", ""},         {"a", "a"},         {"ba", "ab"},
      {"edcba", "abcde"}, {"abcde", "abcde"}, {"bcabcaacbbca", "aaaabbbbcccc"},
      {"qwertyuiopasdfghjklzxcvbnm", "abcdefghijklmnopqrstuvwxyz"},
  };
  for (const auto& c : cases) {
    std::string log;
    TOwned<TRecordingList> list = Create<TRecordingList>(&log);
    list->Assign(ListOf(c.before).get());
    log.clear();
    comparisons = 0;
    list->Sort(byLetter);
    EXPECT_EQ(Letters(*list), c.after);
    EXPECT_EQ(log, "");
    if (c.before.empty()) {
      EXPECT_EQ(comparisons, 0);
    }
  }
}

TEST(TList, AssignsByTheSetOperators) {
  const struct {
    TListAssignOp op;
    const char *list, *source, *result;
  } cases[] = {
      {laCopy, "abcde", "cdf", "cdf"},      {laAnd, "abcde", "cdf", "cd"},
      {laOr, "abcde", "cdf", "abcdef"},     {laXor, "abcde", "cdf", "abef"},
      {laSrcUnique, "abcde", "cdf", "abe"}, {laDestUnique, "abcde", "cdf", "f"},
      {laDestUnique, "ac", "fgc", "gf"},    {laXor, "", "ab", "ab"},
      {laAnd, "abc", "", ""},               {laOr, "aa", "ab", "aab"},
  };
  for (const auto& c : cases) {
    TOwned<TList> source = ListOf(c.source);
    TOwned<TList> list = ListOf(c.list);
    list->Assign(source.get(), c.op);
    EXPECT_EQ(Letters(*list), c.result) << int(c.op) << " " << c.list << " with " << c.source;

    // With ListB given, ListA is the starting content and ListB the operand.
    TOwned<TList> listA = ListOf(c.list);
    TOwned<TList> other = ListOf("zz");
    other->Assign(listA.get(), c.op, source.get());
    EXPECT_EQ(Letters(*other), c.result) << "ListA/ListB " << int(c.op);
  }

  TOwned<TList> source = ListOf("ab");
  source->SetCapacity(10);
  TOwned<TList> copy = ListOf("xyz");
  copy->Assign(source.get());
  EXPECT_EQ(copy->Capacity(), 10);
}

TEST(TList, AssignmentInvolvingTheListItselfUsesItsOriginalItems) {
  TOwned<TList> list = ListOf("abc");
  list->Assign(list.get());
  EXPECT_EQ(Letters(*list), "abc");
  list->Assign(list.get(), laAnd);
  EXPECT_EQ(Letters(*list), "abc");
  list->Assign(list.get(), laXor);
  EXPECT_EQ(Letters(*list), "");

  // The list as ListB: the operand is what it held before the call.
  TOwned<TList> listA = ListOf("bcd");
  list = ListOf("abc");
  list->Assign(listA.get(), laSrcUnique, list.get());
  EXPECT_EQ(Letters(*list), "d");
  list = ListOf("abc");
  list->Assign(list.get(), laOr, listA.get());
  EXPECT_EQ(Letters(*list), "abcd");
}

}  // namespace
}  // namespace skylaunch
