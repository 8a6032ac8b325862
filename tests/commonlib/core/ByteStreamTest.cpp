#include <gtest/gtest.h>

#include <random>
#include <string>

#include "commonlib/core/IProtoValueStream.h"
#include "commonlib/core/OProtoValueStream.h"
#include "commonlib/core/ProtoValueBytes.h"

namespace {

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

std::string Bytes(std::initializer_list<int> list) {
  std::string s;
  for (int b : list) s.push_back(static_cast<char>(b));
  return s;
}

std::string Written(const ProtoValue& v) {
  std::string out;
  EXPECT_TRUE(ProtoValueToBytes(out, v));
  return Hex(out);
}

int32_t ReadInto(ProtoValue& target, const std::string& bytes) {
  IProtoValueStream in(bytes.data(), static_cast<uint32_t>(bytes.size()), false);
  return in.ReadValue(target);
}

ProtoValue RandomTree(std::mt19937& rng, int depth) {
  int kind = static_cast<int>(rng() % (depth > 3 ? 5 : 7));
  switch (kind) {
    case 0: return ProtoValue();
    case 1: return ProtoValue(static_cast<long long>(rng()) - static_cast<long long>(rng()) * 65536LL);
    case 2: return ProtoValue(static_cast<double>(rng()) / 7.0);
    case 3: {
      std::string b(rng() % 40, '\0');
      for (char& c : b) c = static_cast<char>(rng());
      return ProtoValue(b.data(), b.size());
    }
    case 4: {
      std::wstring t;
      for (size_t n = rng() % 20; n > 0; --n) {
        static const wchar_t kChars[] = {L'a', L'Z', L'0', L' ', 0x4E2D, 0xFF01, 0x1F600, 0x10FFFF};
        t.push_back(kChars[rng() % 8]);
      }
      return ProtoValue(t);
    }
    case 5: {
      ProtoValue a;
      for (size_t n = 1 + rng() % 5; n > 0; --n) a.append(RandomTree(rng, depth + 1));
      return a;
    }
    default: {
      ProtoValue m;
      for (size_t n = 1 + rng() % 5; n > 0; --n) {
        std::wstring key = L"k" + std::to_wstring(rng() % 50);
        if (rng() % 4 == 0) key += L"\U0001F600";
        m[key] = RandomTree(rng, depth + 1);
      }
      return m;
    }
  }
}

// The reader turns empty containers into null; nothing else differs.
bool HasEmptyContainer(const ProtoValue& v) {
  if (v.type() == PV_ARRAY || v.type() == PV_MAP) {
    if (v.size() == 0) return true;
    for (ProtoIteratorBase it = v.begin(); !it.isEnd(); ++it) {
      if (HasEmptyContainer(it.value())) return true;
    }
  }
  return false;
}

}  // namespace

TEST(ByteStreamTest, ValueBytesMatchTheWindowsProgram) {
  EXPECT_EQ(Written(ProtoValue(1)), "01 01");
  EXPECT_EQ(Written(ProtoValue(-1)), "01 FF FF FF FF FF FF FF FF FF 01");
  EXPECT_EQ(Written(ProtoValue(300)), "01 AC 02");
  EXPECT_EQ(Written(ProtoValue(L"ab")), "04 04 61 00 62 00");
  EXPECT_EQ(Written(ProtoValue(L"")), "04 00");
  EXPECT_EQ(Written(ProtoValue()), "00");
  EXPECT_EQ(Written(ProtoValue(1.0)), "02 00 00 00 00 00 00 F0 3F");
  EXPECT_EQ(Written(ProtoValue("\x01\xFF", 2)), "03 02 01 FF");
  EXPECT_EQ(Written(ProtoValue(L"\U0001F600")), "04 04 3D D8 00 DE");
  ProtoValue m;
  m[L"a"];
  EXPECT_EQ(Written(m), "06 01 02 61 00 00");
  EXPECT_EQ(Written(ProtoValue(PV_ARRAY)), "05 00");
  ProtoValue a;
  a.append(ProtoValue(1));
  a.append(ProtoValue(L"x"));
  EXPECT_EQ(Written(a), "05 02 01 01 04 02 78 00");
}

TEST(ByteStreamTest, ReadingSpecialCases) {
  ProtoValue v;
  EXPECT_EQ(ReadInto(v, Bytes({0x05, 0x00})), 2);
  EXPECT_TRUE(v.isNull());
  EXPECT_EQ(ReadInto(v, ""), 0);
  EXPECT_FALSE(ProtoValueFromBytes(v, ""));
  EXPECT_TRUE(v.isNull());

  // Every short input fails.
  EXPECT_EQ(ReadInto(v, Bytes({0x01, 0x80})), -1);
  EXPECT_EQ(ReadInto(v, Bytes({0x02, 1, 2, 3, 4, 5, 6, 7})), -1);
  EXPECT_EQ(ReadInto(v, Bytes({0x04, 0x06, 0x61, 0x00})), -1);
  EXPECT_EQ(ReadInto(v, Bytes({0x05, 0x02, 0x00})), -1);
  EXPECT_EQ(ReadInto(v, Bytes({0x07})), -1);
  EXPECT_EQ(ReadInto(v, Bytes({0x01})), -1);
  std::string eleven(11, static_cast<char>(0x80));
  EXPECT_EQ(ReadInto(v, Bytes({0x01}) + eleven), -1);

  // An odd last byte of a text is dropped; bytes behind the value are ignored.
  ProtoValue t;
  EXPECT_EQ(ReadInto(t, Bytes({0x04, 0x03, 0x61, 0x00, 0x62, 0x99})), 5);
  EXPECT_EQ(t.string(), L"a");

  // Keys end at their first U+0000; map entries are added to an existing map.
  ProtoValue target;
  target[L"keep"] = 1;
  EXPECT_EQ(ReadInto(target, Bytes({0x06, 0x01, 0x04, 0x62, 0x00, 0x00, 0x00, 0x01, 0x05})), 9);
  EXPECT_EQ(target.get(L"b").integer(), 5);
  EXPECT_EQ(target.get(L"keep").integer(), 1);

  // A container read into a value of another kind fails instead of throwing.
  ProtoValue number(3);
  EXPECT_EQ(ReadInto(number, Bytes({0x05, 0x01, 0x00})), -1);
  EXPECT_EQ(number.integer(), 3);

  // A failure keeps what was already stored.
  ProtoValue partial;
  EXPECT_EQ(ReadInto(partial, Bytes({0x05, 0x02, 0x01, 0x07, 0x01})), -1);
  ASSERT_EQ(partial.size(), 1u);
  EXPECT_EQ(partial[0].integer(), 7);
}

TEST(ByteStreamTest, RandomTreesRoundTrip) {
  std::mt19937 rng(12345);
  int compared = 0;
  for (int i = 0; i < 300; ++i) {
    ProtoValue tree = RandomTree(rng, 0);
    std::string bytes;
    ASSERT_TRUE(ProtoValueToBytes(bytes, tree));
    ProtoValue back;
    ASSERT_EQ(ReadInto(back, bytes), static_cast<int32_t>(bytes.size()));
    if (!HasEmptyContainer(tree)) {
      EXPECT_TRUE(back == tree) << Hex(bytes);
      ++compared;
    }
    std::string again;
    if (!back.isNull() || tree.isNull()) {
      ASSERT_TRUE(ProtoValueToBytes(again, back));
      if (!HasEmptyContainer(tree)) {
        EXPECT_EQ(again, bytes);
      }
    }
  }
  EXPECT_GT(compared, 100);
}

TEST(ByteStreamTest, DamagedInputNeverCrashes) {
  std::mt19937 rng(777);
  ProtoValue tree;
  for (int i = 0; i < 8; ++i) tree[L"k" + std::to_wstring(i)] = RandomTree(rng, 1);
  std::string bytes;
  ASSERT_TRUE(ProtoValueToBytes(bytes, tree));
  // Cut at every offset: always a clean failure (or, at 0, nothing read).
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    ProtoValue v;
    int32_t r = ReadInto(v, bytes.substr(0, cut));
    EXPECT_EQ(r, cut == 0 ? 0 : -1) << cut;
  }
  // Random byte flips: any result, but no crash and never more than the data.
  for (int i = 0; i < 2000; ++i) {
    std::string damaged = bytes;
    for (int f = 0; f < 3; ++f) damaged[rng() % damaged.size()] = static_cast<char>(rng());
    ProtoValue v;
    int32_t r = ReadInto(v, damaged);
    EXPECT_LE(r, static_cast<int32_t>(damaged.size()));
  }
  // Huge lengths and counts fail without allocating them.
  ProtoValue v;
  EXPECT_EQ(ReadInto(v, Bytes({0x03, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F, 0x61})), -1);
  EXPECT_EQ(ReadInto(v, Bytes({0x04, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F})), -1);
  EXPECT_EQ(ReadInto(v, Bytes({0x05, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x00})), -1);
  EXPECT_EQ(ReadInto(v, Bytes({0x06, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F, 0x00})), -1);
}

TEST(ByteStreamTest, NestingIsCappedAt64Levels) {
  // 64 nested arrays around an integer read back; 65 fail, and so do a million.
  auto nested = [](int levels) {
    std::string s;
    for (int i = 0; i < levels; ++i) s += Bytes({0x05, 0x01});
    return s + Bytes({0x01, 0x02});
  };
  ProtoValue v;
  EXPECT_EQ(ReadInto(v, nested(64)), 64 * 2 + 2);
  ProtoValue w;
  EXPECT_EQ(ReadInto(w, nested(65)), -1);
  ProtoValue x;
  EXPECT_EQ(ReadInto(x, nested(1000000)), -1);

  // The writer refuses what the reader would refuse.
  ProtoValue deep(2);
  for (int i = 0; i < 64; ++i) {
    ProtoValue outer;
    outer.append(deep);
    deep = outer;
  }
  std::string bytes;
  EXPECT_TRUE(ProtoValueToBytes(bytes, deep));
  ProtoValue deeper;
  deeper.append(deep);
  std::string untouched = "keep";
  EXPECT_FALSE(ProtoValueToBytes(untouched, deeper));
  EXPECT_EQ(untouched, "keep");
}

TEST(ByteStreamTest, BufferStreams) {
  const char data[] = "hello";
  IBufferStream in(data, 5, true);
  char buf[8] = {0};
  EXPECT_EQ(in.GetSize(), 5);
  EXPECT_EQ(in.Read(buf, 6), -1);
  EXPECT_EQ(in.Read(buf, 3), 3);
  EXPECT_EQ(in.Read(buf, 2), 2);
  EXPECT_EQ(in.Read(buf, 100), 0);
  in.Close();
  EXPECT_EQ(in.GetSize(), 0);
  IBufferStream none(nullptr, 5, true);  // no data: an empty stream, not a bad copy
  EXPECT_EQ(none.GetSize(), 0);
  EXPECT_EQ(none.Read(buf, 1), 0);

  std::string sized = Bytes({0x03, 0x61, 0x62, 0x63});
  IProtoValueStream ps(sized.data(), 4, false);
  uint32_t length = 0;
  EXPECT_EQ(ps.ReadSized(nullptr, length), 0);
  EXPECT_EQ(length, 3u);
  EXPECT_EQ(ps.ReadSized(buf, length), 4);
  EXPECT_EQ(std::string(buf, 3), "abc");
  uint64_t varint = 0;
  EXPECT_EQ(ps.ReadVarint(varint), 0);

  OProtoValueStream out;
  EXPECT_EQ(out.GetCapacity(), 65535u);
  std::string big(200000, 'x');
  EXPECT_EQ(out.Write(big.data(), static_cast<uint32_t>(big.size())), 200000);
  EXPECT_EQ(out.GetCapacity(), 262140u);
  EXPECT_EQ(out.WriteSized("ab", 2), 3);
  EXPECT_EQ(out.GetLength(), 200003u);

  OBufferStream huge;
  std::string two(2000000, 'y');
  huge.Write(two.data(), static_cast<uint32_t>(two.size()));
  EXPECT_EQ(huge.GetCapacity(), 65535u * 32);
  huge.Dispose();
  EXPECT_EQ(huge.GetCapacity(), 0u);
  EXPECT_EQ(huge.WriteVarint(300), 2);
  EXPECT_EQ(huge.GetCapacity(), 524288u);
  EXPECT_EQ(Hex(huge.ToString()), "AC 02");
  EXPECT_EQ(huge.GetErrorCode(), 0);
  EXPECT_EQ(huge.GetErrorType(), 0);
}
