#include "tools/sfxpack/pe_resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using sfxpack::ComputePeChecksum;
using sfxpack::GetPayload;
using sfxpack::ReadResources;
using sfxpack::ResourceId;
using sfxpack::ResourceItem;
using sfxpack::SetPayload;
using sfxpack::WriteResources;

namespace {

uint16_t Get16(const std::vector<uint8_t>& b, size_t at) { return (uint16_t)(b[at] | b[at + 1] << 8); }
uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  return (uint32_t)b[at] | (uint32_t)b[at + 1] << 8 | (uint32_t)b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = (uint8_t)v;
  b[at + 1] = (uint8_t)(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (uint8_t)(v >> (8 * i));
}

// Offsets of the headers of an image, read the plain way.
struct Headers {
  explicit Headers(const std::vector<uint8_t>& b) {
    coff = Get32(b, 0x3C) + 4;
    optional = coff + 20;
    plus = Get16(b, optional) == 0x20B;
    directories = optional + (plus ? 112 : 96);
    sections = optional + Get16(b, coff + 16);
    count = Get16(b, coff + 2);
  }
  size_t Section(int i) const { return sections + 40 * (size_t)i; }
  size_t coff, optional, directories, sections;
  bool plus;
  int count;
};

// A two-section image with no resources, as small as the format allows.
std::vector<uint8_t> MinimalPe(bool plus) {
  std::vector<uint8_t> b(0x800, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3C, 0x40);
  std::memcpy(&b[0x40], "PE\0\0", 4);
  const size_t coff = 0x44, opt = coff + 20, optSize = plus ? 240 : 224;
  Put16(b, coff, plus ? 0x8664 : 0x14C);
  Put16(b, coff + 2, 2);
  Put16(b, coff + 16, (uint16_t)optSize);
  Put16(b, coff + 18, plus ? 0x22 : 0x102);
  Put16(b, opt, plus ? 0x20B : 0x10B);
  Put32(b, opt + 4, 0x200);   // SizeOfCode
  Put32(b, opt + 8, 0x200);   // SizeOfInitializedData
  Put32(b, opt + 16, 0x1000); // entry point
  Put32(b, opt + 32, 0x1000);
  Put32(b, opt + 36, 0x200);
  Put32(b, opt + 56, 0x3000);
  Put32(b, opt + 60, 0x400);
  Put16(b, opt + 68, 2);
  Put32(b, opt + (plus ? 108 : 92), 16);
  const size_t sections = opt + optSize;
  const char* names[] = {".text", ".data"};
  for (int i = 0; i < 2; ++i) {
    const size_t h = sections + 40 * i;
    std::memcpy(&b[h], names[i], std::strlen(names[i]));
    Put32(b, h + 8, 0x100);
    Put32(b, h + 12, 0x1000 * (i + 1));
    Put32(b, h + 16, 0x200);
    Put32(b, h + 20, 0x400 + 0x200 * i);
    Put32(b, h + 36, i == 0 ? 0x60000020 : 0xC0000040);
    for (int k = 0; k < 0x100; ++k) b[0x400 + 0x200 * i + k] = (uint8_t)(k * (i + 3));
  }
  return b;
}

// Appends a section after everything, the way a linker would place .reloc.
std::vector<uint8_t> AppendSection(std::vector<uint8_t> b, const char* name, uint8_t fill) {
  Headers h(b);
  const size_t header = h.Section(h.count);
  const uint32_t va = Get32(b, h.optional + 56);
  const uint32_t raw = (uint32_t)b.size();
  std::memcpy(&b[header], name, std::strlen(name));
  Put32(b, header + 8, 0x80);
  Put32(b, header + 12, va);
  Put32(b, header + 16, 0x200);
  Put32(b, header + 20, raw);
  Put32(b, header + 36, 0x42000040);
  Put16(b, h.coff + 2, (uint16_t)(h.count + 1));
  Put32(b, h.optional + 56, va + 0x1000);
  b.resize(raw + 0x200, fill);
  return b;
}

std::vector<uint8_t> Blob(size_t size, uint8_t seed) {
  std::vector<uint8_t> v(size);
  for (size_t i = 0; i < size; ++i) v[i] = (uint8_t)(seed + i * 7);
  return v;
}

ResourceItem Item(ResourceId type, ResourceId name, uint16_t language, std::vector<uint8_t> data,
                  uint32_t codePage = 0) {
  ResourceItem item;
  item.type = type;
  item.name = name;
  item.language = language;
  item.codePage = codePage;
  item.data = std::move(data);
  return item;
}

// The kinds of resources a stub carries.
std::vector<ResourceItem> StubResources() {
  return {
      Item(ResourceId::Number(5), ResourceId::Text("AUTO_KPX"), 1036, Blob(172, 1)),
      Item(ResourceId::Number(2), ResourceId::Text("VND_L"), 1036, Blob(26000, 2)),
      Item(ResourceId::Number(3), ResourceId::Number(1), 1036, Blob(1128, 3)),
      Item(ResourceId::Number(14), ResourceId::Text("G_ICON"), 1036, Blob(20, 4)),
      Item(ResourceId::Number(24), ResourceId::Number(1), 0, Blob(370, 5), 1252),
      Item(ResourceId::Number(16), ResourceId::Number(1), 1036, Blob(331, 6)),
  };
}

std::string Key(const ResourceItem& i) {
  return i.type.Describe() + "/" + i.name.Describe() + "/" + std::to_string(i.language) + "/" +
         std::to_string(i.codePage);
}

// Same resources, whatever their order.
void ExpectSameResources(std::vector<ResourceItem> a, std::vector<ResourceItem> b) {
  auto less = [](const ResourceItem& x, const ResourceItem& y) { return Key(x) < Key(y); };
  std::sort(a.begin(), a.end(), less);
  std::sort(b.begin(), b.end(), less);
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(Key(a[i]), Key(b[i]));
    EXPECT_EQ(a[i].data, b[i].data) << Key(a[i]);
  }
}

// Everything a loader relies on after the resource section was written.
void ExpectConsistent(const std::vector<uint8_t>& b) {
  Headers h(b);
  const uint32_t sectionAlignment = Get32(b, h.optional + 32), fileAlignment = Get32(b, h.optional + 36);
  uint32_t end = 0;
  for (int i = 0; i < h.count; ++i) {
    const size_t s = h.Section(i);
    const uint32_t vsize = Get32(b, s + 8), va = Get32(b, s + 12), rawSize = Get32(b, s + 16),
                   raw = Get32(b, s + 20);
    EXPECT_EQ(va % sectionAlignment, 0u);
    EXPECT_EQ(raw % fileAlignment, 0u);
    EXPECT_EQ(rawSize % fileAlignment, 0u);
    EXPECT_LE((size_t)raw + rawSize, b.size());
    end = std::max(end, (va + std::max(vsize, 1u) + sectionAlignment - 1) / sectionAlignment * sectionAlignment);
  }
  EXPECT_EQ(Get32(b, h.optional + 56), end);  // SizeOfImage
  // The resource directory is the last section, whole.
  const size_t last = h.Section(h.count - 1);
  EXPECT_EQ(std::string((const char*)&b[last], 5), ".rsrc");
  EXPECT_EQ(Get32(b, h.directories + 16), Get32(b, last + 12));
  EXPECT_EQ(Get32(b, h.directories + 20), Get32(b, last + 8));
  EXPECT_EQ(Get32(b, h.optional + 64), ComputePeChecksum(b.data(), b.size(), h.optional + 64));
}

class PeResources : public ::testing::TestWithParam<bool> {};

TEST_P(PeResources, InsertsThePayloadIntoAnImageWithoutResources) {
  const std::vector<uint8_t> image = MinimalPe(GetParam());
  const std::vector<uint8_t> archive = Blob(5000, 9);
  std::vector<uint8_t> out;
  std::string error;
  ASSERT_TRUE(SetPayload(image, archive, out, &error)) << error;
  ExpectConsistent(out);
  Headers h(out);
  EXPECT_EQ(h.count, 3);
  EXPECT_EQ(Get32(out, h.Section(2) + 12), 0x3000u);
  EXPECT_EQ(Get32(out, h.Section(2) + 20), 0x800u);
  EXPECT_EQ(Get32(out, h.optional + 8), 0x200u + Get32(out, h.Section(2) + 16));
  // Sections before the new one are untouched.
  EXPECT_TRUE(std::equal(image.begin() + 0x400, image.end(), out.begin() + 0x400));
  std::vector<uint8_t> back;
  ASSERT_TRUE(GetPayload(out, back, &error)) << error;
  EXPECT_EQ(back, archive);
  std::vector<ResourceItem> items;
  ASSERT_TRUE(ReadResources(out, items, &error)) << error;
  ASSERT_EQ(items.size(), 1u);
  EXPECT_TRUE(items[0].type.Matches(ResourceId::Text("EXE_DATA")));
  EXPECT_EQ(items[0].name.id, 1);
  EXPECT_EQ(items[0].language, 0);
}

TEST_P(PeResources, ReplacesEveryLanguageOfThePayloadInPlaceAndKeepsTheRest) {
  std::vector<ResourceItem> start = StubResources();
  start.push_back(Item(ResourceId::Text("EXE_DATA"), ResourceId::Number(1), 1036, Blob(300, 7)));
  start.push_back(Item(ResourceId::Text("exe_data"), ResourceId::Number(1), 1033, Blob(300, 8)));
  start.push_back(Item(ResourceId::Text("EXE_DATA"), ResourceId::Number(2), 1036, Blob(30, 9)));
  std::vector<uint8_t> stub, first, second;
  std::string error;
  ASSERT_TRUE(WriteResources(MinimalPe(GetParam()), start, stub, &error)) << error;
  ASSERT_TRUE(SetPayload(stub, Blob(40000, 1), first, &error)) << error;
  ASSERT_TRUE(SetPayload(first, Blob(1000, 2), second, &error)) << error;
  for (const std::vector<uint8_t>* image : {&stub, &first, &second}) ExpectConsistent(*image);
  EXPECT_EQ(Headers(second).count, Headers(stub).count);  // rewritten where it was
  EXPECT_LT(second.size(), first.size());

  std::vector<ResourceItem> items;
  ASSERT_TRUE(ReadResources(second, items, &error)) << error;
  std::vector<ResourceItem> expected = StubResources();
  expected.push_back(Item(ResourceId::Text("EXE_DATA"), ResourceId::Number(2), 1036, Blob(30, 9)));
  expected.push_back(Item(ResourceId::Text("EXE_DATA"), ResourceId::Number(1), 0, Blob(1000, 2)));
  ExpectSameResources(items, expected);
}

TEST_P(PeResources, AppendsASectionWhenTheResourcesAreNotLast) {
  std::vector<uint8_t> withResources, stub, out;
  std::string error;
  ASSERT_TRUE(WriteResources(MinimalPe(GetParam()), StubResources(), withResources, &error)) << error;
  stub = AppendSection(withResources, ".reloc", 0x5A);
  const Headers before(stub);
  ASSERT_TRUE(SetPayload(stub, Blob(777, 3), out, &error)) << error;
  ExpectConsistent(out);
  const Headers after(out);
  EXPECT_EQ(after.count, before.count + 1);
  // Every byte of the old sections and headers stays, but for the fields we own.
  for (int i = 0; i < before.count; ++i)
    EXPECT_EQ(0, std::memcmp(&out[before.Section(i)], &stub[before.Section(i)], 40));
  EXPECT_TRUE(std::equal(stub.begin() + 0x400, stub.end(), out.begin() + 0x400));
  std::vector<ResourceItem> items;
  ASSERT_TRUE(ReadResources(out, items, &error)) << error;
  std::vector<ResourceItem> expected = StubResources();
  expected.push_back(Item(ResourceId::Text("EXE_DATA"), ResourceId::Number(1), 0, Blob(777, 3)));
  ExpectSameResources(items, expected);
}

TEST_P(PeResources, KeepsTrailingBytesAndTheSymbolTableOffset) {
  std::vector<uint8_t> image = MinimalPe(GetParam());
  const std::vector<uint8_t> trailing = Blob(123, 77);
  Put32(image, Headers(image).coff + 8, (uint32_t)image.size());
  image.insert(image.end(), trailing.begin(), trailing.end());
  std::vector<uint8_t> once, twice;
  std::string error;
  ASSERT_TRUE(SetPayload(image, Blob(3000, 1), once, &error)) << error;
  ASSERT_TRUE(SetPayload(once, Blob(9000, 2), twice, &error)) << error;
  for (const std::vector<uint8_t>* out : {&once, &twice}) {
    ExpectConsistent(*out);
    const uint32_t symbols = Get32(*out, Headers(*out).coff + 8);
    ASSERT_EQ(symbols + trailing.size(), out->size());
    EXPECT_TRUE(std::equal(trailing.begin(), trailing.end(), out->begin() + symbols));
  }
}

TEST_P(PeResources, OutputIsReproducibleAndCarriesNoTimestamps) {
  std::vector<uint8_t> stub, a, b;
  ASSERT_TRUE(WriteResources(MinimalPe(GetParam()), StubResources(), stub));
  ASSERT_TRUE(SetPayload(stub, Blob(4096, 5), a));
  ASSERT_TRUE(SetPayload(stub, Blob(4096, 5), b));
  EXPECT_EQ(a, b);
  const Headers h(a);
  const size_t root = Get32(a, h.Section(h.count - 1) + 20);
  EXPECT_EQ(Get32(a, root + 4), 0u);
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, PeResources, ::testing::Values(false, true));

TEST(PeResourcesOrder, NamedEntriesFirstCaseInsensitiveThenIdsAscending) {
  std::vector<ResourceItem> items;
  for (const ResourceId& type : {ResourceId::Text("b_type"), ResourceId::Number(10),
                                 ResourceId::Text("A_TYPE"), ResourceId::Number(2)})
    items.push_back(Item(type, ResourceId::Number(1), 0, Blob(4, 1)));
  for (const ResourceId& name : {ResourceId::Number(7), ResourceId::Text("ZED"),
                                 ResourceId::Text("alpha"), ResourceId::Number(3)})
    items.push_back(Item(ResourceId::Number(6), name, 0, Blob(4, 2)));
  for (uint16_t language : {1036, 0, 1033})
    items.push_back(Item(ResourceId::Number(9), ResourceId::Number(1), language, Blob(4, 3)));
  std::vector<uint8_t> out;
  std::string error;
  ASSERT_TRUE(WriteResources(MinimalPe(false), items, out, &error)) << error;
  const Headers h(out);
  const size_t base = Get32(out, h.Section(h.count - 1) + 20);
  auto describe = [&](size_t table) {
    std::vector<std::string> ids;
    const int count = Get16(out, base + table + 12) + Get16(out, base + table + 14);
    for (int i = 0; i < count; ++i) {
      const uint32_t field = Get32(out, base + table + 16 + 8 * i);
      if (field & 0x80000000u) {
        const size_t at = base + (field & 0x7FFFFFFFu);
        std::string name;
        for (int k = 0; k < Get16(out, at); ++k) name += (char)Get16(out, at + 2 + 2 * k);
        ids.push_back(name);
      } else {
        ids.push_back(std::to_string(field));
      }
    }
    return ids;
  };
  auto child = [&](size_t table, int index) {
    return (size_t)(Get32(out, base + table + 20 + 8 * index) & 0x7FFFFFFFu);
  };
  const std::vector<std::string> root = describe(0);
  EXPECT_EQ(root, (std::vector<std::string>{"A_TYPE", "b_type", "2", "6", "9", "10"}));
  EXPECT_EQ(Get16(out, base + 12), 2);
  EXPECT_EQ(Get16(out, base + 14), 4);
  EXPECT_EQ(describe(child(0, 3)), (std::vector<std::string>{"alpha", "ZED", "3", "7"}));
  EXPECT_EQ(describe(child(child(0, 4), 0)), (std::vector<std::string>{"0", "1033", "1036"}));
}

TEST(PeResourcesErrors, RefusesWhatIsNotAWritablePe) {
  const std::vector<uint8_t> good = MinimalPe(false);
  const Headers h(good);
  struct Case {
    const char* what;
    std::vector<uint8_t> image;
  };
  std::vector<Case> cases;
  cases.push_back({"empty", {}});
  cases.push_back({"MZ only", {'M', 'Z'}});
  cases.push_back({"text", std::vector<uint8_t>(400, 'x')});
  auto patched = [&](const char* what, size_t at, uint32_t value) {
    std::vector<uint8_t> b = good;
    Put32(b, at, value);
    cases.push_back({what, b});
  };
  patched("PE offset past the end", 0x3C, 0x7FFFFFF0);
  patched("no PE signature", 0x40, 0x12345678);
  patched("unknown magic", h.optional, 0x1234);
  patched("section count past the file", h.coff, 0xFFFF014C);
  patched("section data past the end", h.Section(1) + 16, 0x10000);
  patched("zero file alignment", h.optional + 36, 0);
  patched("signed", h.directories + 8 * 4 + 4, 0x100);
  {
    std::vector<uint8_t> b = good;  // no room for another section header
    Put32(b, h.Section(2), 0x41414141);
    cases.push_back({"headers full", b});
  }
  {
    std::vector<uint8_t> b = good;  // resource directory pointing nowhere
    Put32(b, h.directories + 16, 0x9000);
    Put32(b, h.directories + 20, 0x100);
    cases.push_back({"resources outside the image", b});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> out = {1};
    std::string error;
    EXPECT_FALSE(SetPayload(c.image, Blob(10, 1), out, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(out, std::vector<uint8_t>{1});
  }
}

TEST(PeResourcesErrors, GetPayloadWithoutPayloadFails) {
  std::vector<uint8_t> stub, archive;
  std::string error;
  ASSERT_TRUE(WriteResources(MinimalPe(true), StubResources(), stub));
  EXPECT_FALSE(GetPayload(stub, archive, &error));
  EXPECT_NE(error.find("EXE_DATA"), std::string::npos);
  EXPECT_FALSE(GetPayload(MinimalPe(false), archive, &error));
}

TEST(PeResourcesErrors, RefusesDuplicateResources) {
  std::vector<ResourceItem> items = StubResources();
  items.push_back(items[0]);
  std::vector<uint8_t> out;
  std::string error;
  EXPECT_FALSE(WriteResources(MinimalPe(false), items, out, &error));
  EXPECT_NE(error.find("duplicate"), std::string::npos);
}

TEST(PeResourcesErrors, DamagedDirectoriesAreReadSafely) {
  std::vector<uint8_t> stub;
  ASSERT_TRUE(WriteResources(MinimalPe(false), StubResources(), stub));
  const Headers h(stub);
  const size_t base = Get32(stub, h.Section(h.count - 1) + 20);
  const size_t tables = 0x200;  // the directory tables and data entries
  unsigned x = 1;
  int readable = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> b = stub;
    for (int k = 0; k < 1 + round % 4; ++k) {
      x = x * 1103515245u + 12345u;
      b[base + (x >> 8) % tables] = (uint8_t)(x >> 24);
    }
    std::vector<ResourceItem> items;
    std::string error;
    if (ReadResources(b, items, &error)) {
      ++readable;
      std::vector<uint8_t> out;
      SetPayload(b, Blob(8, 1), out, &error);
    } else {
      EXPECT_FALSE(error.empty());
    }
  }
  EXPECT_GT(readable, 0);
  EXPECT_LT(readable, 3000);
}

TEST(PeChecksum, FoldsCarriesAndAddsTheLength) {
  struct Case {
    std::vector<uint8_t> bytes;
    size_t checksumAt;
    uint32_t expected;
  } cases[] = {
      {{}, 100, 0},
      {{1, 0, 2, 0}, 100, 3 + 4},
      {{0xFF, 0xFF, 0x01, 0x00}, 100, 1 + 4},        // 0x10000 folds to 1
      {{0x34, 0x12, 0x01}, 100, 0x1235 + 3},          // odd length: last byte padded
      {{1, 0, 9, 9, 9, 9, 2, 0}, 2, 3 + 8},           // checksum field counts as zero
  };
  for (const Case& c : cases)
    EXPECT_EQ(ComputePeChecksum(c.bytes.data(), c.bytes.size(), c.checksumAt), c.expected);
}

}  // namespace
