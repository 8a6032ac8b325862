#include <gtest/gtest.h>

#include "commonlib/core/ProtoValue.h"
#include "commonlib/core/ProtoValueException.h"

namespace {

// Runs fn, expects a ProtoValueException and returns it.
template <class Fn>
ProtoValueException Thrown(Fn fn) {
  try {
    fn();
  } catch (const ProtoValueException& e) {
    return e;
  }
  ADD_FAILURE() << "no ProtoValueException";
  return ProtoValueException();
}

}  // namespace

TEST(ProtoValueTest, ConstructionAndAccessors) {
  EXPECT_EQ(ProtoValue(PV_MAP).type(), PV_MAP);
  EXPECT_EQ(ProtoValue(PV_ARRAY).size(), 0u);
  EXPECT_EQ(ProtoValue(42).integer(), 42);
  EXPECT_EQ(ProtoValue(static_cast<int64_t>(-5)).integer(), -5);
  EXPECT_DOUBLE_EQ(ProtoValue(1.5).real(), 1.5);
  EXPECT_EQ(ProtoValue(L"ab").string(), L"ab");
  EXPECT_EQ(ProtoValue(L"a\0b", 3).string().size(), 3u);
  EXPECT_EQ(ProtoValue("x\0y", 3).bytes(), std::string("x\0y", 3));
  EXPECT_EQ(ProtoValue(L"ab").size(), 0u);

  ProtoValue null;
  EXPECT_EQ(null.integer(), 0);
  EXPECT_EQ(null.real(), 0.0);
  EXPECT_EQ(null.string(), L"");

  ProtoValueException e = Thrown([] { ProtoValue("b", 1).string(); });
  EXPECT_EQ(e.GetCode(), 3);
  EXPECT_EQ(e.GetMessage(), L"ProtoValue::string wrong type");
  EXPECT_EQ(e.GetLine(), 385);
  EXPECT_EQ(e.GetFile(), L".\\core\\ProtoValue");
  EXPECT_EQ(Thrown([] { ProtoValue(L"x").integer(); }).GetLine(), 349);
  EXPECT_EQ(Thrown([] { ProtoValue(1).real(); }).GetMessage(), L"ProtoValue::real wrong type");
}

TEST(ProtoValueTest, IndexByPositionBuildsAndGuardsArrays) {
  ProtoValue v;
  v[0];
  ASSERT_EQ(v.type(), PV_ARRAY);
  EXPECT_EQ(v.size(), 1u);
  EXPECT_TRUE(v[0].isNull());
  v[1] = 7;
  v[2] = L"third";
  EXPECT_EQ(v.size(), 3u);

  ProtoValueException e = Thrown([&] { v[4]; });
  EXPECT_EQ(e.GetCode(), 1);
  EXPECT_EQ(e.GetMessage(), L"ProtoValue operator[int] out of range");
  EXPECT_EQ(e.GetLine(), 53);
  EXPECT_EQ(Thrown([&] { v[-1]; }).GetCode(), 1);
  EXPECT_EQ(v.size(), 3u);

  ProtoValue i(3);
  EXPECT_EQ(Thrown([&] { i[0]; }).GetCode(), 1);
  EXPECT_EQ(Thrown([&] { i.append(ProtoValue(1)); }).GetCode(), 1);

  // Appending an element of the array itself.
  v.append(v[2]);
  EXPECT_EQ(v[3].string(), L"third");
}

TEST(ProtoValueTest, IndexByKeyBuildsMapsAndGetNeverInserts) {
  ProtoValue v;
  v[L"a"];
  ASSERT_EQ(v.type(), PV_MAP);
  EXPECT_EQ(v.size(), 1u);
  EXPECT_TRUE(v.has(L"a"));

  ProtoValue i(5);
  ProtoValueException e = Thrown([&] { i[L"a"]; });
  EXPECT_EQ(e.GetCode(), 2);
  EXPECT_EQ(e.GetMessage(), L"ProtoValue operator[string] wrong type");
  EXPECT_EQ(e.GetLine(), 101);

  ProtoValue null;
  EXPECT_EQ(&null.get(L"a"), &g_ProtoValueNull);
  EXPECT_TRUE(null.isNull());
  EXPECT_EQ(&i.get(L"a"), &g_ProtoValueNull);
  ProtoValue m(PV_MAP);
  EXPECT_EQ(&m.get(L"a"), &g_ProtoValueNull);
  EXPECT_EQ(m.size(), 0u);
  EXPECT_FALSE(i.has(L"a"));

  // A key is cut at its first U+0000.
  m[std::wstring(L"ab\0cd", 5)] = 1;
  EXPECT_TRUE(m.has(L"ab"));
  EXPECT_EQ(m.size(), 1u);
}

TEST(ProtoValueTest, CopiesAreDeep) {
  ProtoValue src;
  src[L"list"].append(ProtoValue(1));
  src[L"list"].append(ProtoValue(L"two"));
  ProtoValue copy(src);
  copy[L"list"][0] = 100;
  copy[L"list"].append(ProtoValue(3));
  EXPECT_EQ(src[L"list"].size(), 2u);
  EXPECT_EQ(src[L"list"][0].integer(), 1);

  ProtoValue assigned;
  assigned = src;
  EXPECT_TRUE(assigned == src);
  assigned = assigned;  // self-assignment keeps the value
  EXPECT_TRUE(assigned == src);
  assigned.clear();
  EXPECT_TRUE(assigned.isNull());
  EXPECT_EQ(src.size(), 1u);
}

TEST(ProtoValueTest, IterationOrderAndKinds) {
  ProtoValue null;
  EXPECT_TRUE(null.begin().isEnd());
  EXPECT_TRUE(null.begin() == null.end());

  ProtoValue i(9);
  ProtoIteratorBase it = i.begin();
  ASSERT_FALSE(it.isEnd());
  EXPECT_EQ(it.value().integer(), 9);
  ProtoValueException e = Thrown([&] { it.key(); });
  EXPECT_EQ(e.GetCode(), 4);
  EXPECT_EQ(e.GetMessage(), L"ProtoIteratorBase::key() wrong type ");
  EXPECT_EQ(e.GetLine(), 1157);
  ++it;
  EXPECT_TRUE(it.isEnd());
  ++it;  // past the end stays at the end
  EXPECT_TRUE(it == g_ProtoIteratorEnd);

  ProtoValue m;
  m[L"ab"] = 3;
  m[L"a"] = 2;
  m[L"A"] = 1;
  std::wstring keys;
  int64_t sum = 0;
  for (ProtoIteratorBase p = m.begin(); !p.isEnd(); ++p) {
    keys += p.key() + L",";
    sum = sum * 10 + p.value().integer();
  }
  EXPECT_EQ(keys, L"A,a,ab,");
  EXPECT_EQ(sum, 123);
  // A walk that runs off a map's last entry, by ++ or next(), is the end iterator, whose key()
  // throws; only the begin of an empty map keeps the empty key.
  ProtoIteratorBase last = m.begin();
  for (int k = 0; k < 3; ++k) ++last;
  EXPECT_TRUE(last == g_ProtoIteratorEnd);
  ProtoValueException pastEnd = Thrown([&] { last.key(); });
  EXPECT_EQ(pastEnd.GetCode(), 4);
  EXPECT_EQ(pastEnd.GetMessage(), L"ProtoIteratorBase::key() wrong type ");
  ProtoIteratorBase stepped = m.begin();
  stepped.next();
  EXPECT_EQ(stepped.next().key(), L"ab");
  EXPECT_EQ(Thrown([&] { stepped.next().key(); }).GetCode(), 4);
  ProtoValue empty(PV_MAP);
  EXPECT_EQ(empty.begin().key(), L"");
  EXPECT_TRUE(empty.begin() == empty.end());
  EXPECT_EQ(Thrown([&] { g_ProtoIteratorEnd.key(); }).GetCode(), 4);

  ProtoValue a;
  a.append(ProtoValue(1));
  a.append(ProtoValue(2));
  ProtoIteratorBase first = a.begin();
  ProtoIteratorBase second = first;
  second.next();
  EXPECT_FALSE(first == second);
  EXPECT_EQ(second.value().integer(), 2);
  EXPECT_TRUE(second.next() == a.end());
  EXPECT_TRUE(ProtoValue(PV_ARRAY).begin().isEnd());
}

TEST(ProtoValueTest, KeysSortByUtf16CodeUnits) {
  // U+FF01 is one unit (FF01); U+1F600 is the pair D83D DE00, which sorts first.
  ProtoValue m;
  m[L"\xFF01"] = 1;
  m[L"\U0001F600"] = 2;
  m[L"z"] = 3;
  std::vector<std::wstring> keys;
  for (ProtoIteratorBase p = m.begin(); !p.isEnd(); ++p) keys.push_back(p.key());
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0], L"z");
  EXPECT_EQ(keys[1], L"\U0001F600");
  EXPECT_EQ(keys[2], L"\xFF01");
}
