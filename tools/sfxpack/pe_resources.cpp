#include "tools/sfxpack/pe_resources.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace sfxpack {

namespace {

const int kDirResource = 2;
const int kDirSecurity = 4;
const int kDirDebug = 6;
const uint32_t kSectionCharacteristics = 0x40000040;  // initialised data, readable
const size_t kSectionHeaderSize = 40;
// Bounds against crafted directories that list the same data many times.
const size_t kMaxItems = 65536;
const uint64_t kMaxTotalData = 1u << 30;

uint16_t Get16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}
void Put16(uint8_t* p, uint16_t v) {
  p[0] = (uint8_t)v;
  p[1] = (uint8_t)(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = (uint8_t)(v >> (8 * i));
}
uint64_t AlignUp(uint64_t value, uint32_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}
bool IsPowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

bool Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

struct Section {
  size_t headerOffset = 0;
  std::string name;
  uint32_t virtualSize = 0, virtualAddress = 0, rawSize = 0, rawPointer = 0;
  uint32_t Extent() const { return virtualSize ? virtualSize : rawSize; }
};

struct PeLayout {
  size_t coffOffset = 0;
  size_t optionalOffset = 0;
  bool plus = false;
  size_t sectionTable = 0;
  uint16_t sectionCount = 0;
  uint32_t sectionAlignment = 0, fileAlignment = 0, sizeOfHeaders = 0;
  size_t dataDirectories = 0;  // file offset of the first data directory
  uint32_t directoryCount = 0;
  size_t fileSize = 0;
  std::vector<Section> sections;

  size_t ChecksumOffset() const { return optionalOffset + 64; }
  bool Directory(const std::vector<uint8_t>& image, int index, uint32_t& rva,
                 uint32_t& size) const {
    if ((uint32_t)index >= directoryCount) return false;
    rva = Get32(&image[dataDirectories + 8 * index]);
    size = Get32(&image[dataDirectories + 8 * index + 4]);
    return true;
  }
  // File offset of `length` bytes at `rva`, when they lie in the file.
  bool Map(uint32_t rva, uint32_t length, size_t& offset) const {
    for (const Section& s : sections) {
      if (rva >= s.virtualAddress &&
          (uint64_t)rva - s.virtualAddress + length <= std::min(s.rawSize, s.Extent())) {
        offset = (size_t)s.rawPointer + (rva - s.virtualAddress);
        return true;
      }
    }
    if ((uint64_t)rva + length <= std::min<uint64_t>(sizeOfHeaders, fileSize)) {
      offset = rva;
      return true;
    }
    return false;
  }
};

bool ParseLayout(const std::vector<uint8_t>& image, PeLayout& pe, std::string* error) {
  const size_t size = image.size();
  pe.fileSize = size;
  if (size < 64 || image[0] != 'M' || image[1] != 'Z') return Fail(error, "not a PE executable (no MZ header)");
  const uint32_t peOffset = Get32(&image[0x3C]);
  if ((uint64_t)peOffset + 24 > size || std::memcmp(&image[peOffset], "PE\0\0", 4) != 0)
    return Fail(error, "not a PE executable (no PE signature)");
  pe.coffOffset = peOffset + 4;
  pe.sectionCount = Get16(&image[pe.coffOffset + 2]);
  const uint16_t optionalSize = Get16(&image[pe.coffOffset + 16]);
  pe.optionalOffset = pe.coffOffset + 20;
  if (pe.optionalOffset + optionalSize > size || optionalSize < 2)
    return Fail(error, "truncated optional header");
  const uint16_t magic = Get16(&image[pe.optionalOffset]);
  if (magic != 0x10B && magic != 0x20B) return Fail(error, "unknown optional header magic");
  pe.plus = magic == 0x20B;
  const size_t countField = pe.plus ? 108 : 92;
  if (optionalSize < countField + 4) return Fail(error, "truncated optional header");
  pe.sectionAlignment = Get32(&image[pe.optionalOffset + 32]);
  pe.fileAlignment = Get32(&image[pe.optionalOffset + 36]);
  pe.sizeOfHeaders = Get32(&image[pe.optionalOffset + 60]);
  if (!IsPowerOfTwo(pe.fileAlignment) || !IsPowerOfTwo(pe.sectionAlignment) ||
      pe.sectionAlignment < pe.fileAlignment)
    return Fail(error, "invalid section or file alignment");
  pe.dataDirectories = pe.optionalOffset + countField + 4;
  const uint32_t declared = Get32(&image[pe.optionalOffset + countField]);
  pe.directoryCount = std::min<uint32_t>(declared, (uint32_t)((optionalSize - countField - 4) / 8));
  pe.sectionTable = pe.optionalOffset + optionalSize;
  if (pe.sectionTable + (size_t)pe.sectionCount * kSectionHeaderSize > size)
    return Fail(error, "truncated section table");
  for (uint16_t i = 0; i < pe.sectionCount; ++i) {
    const uint8_t* h = &image[pe.sectionTable + i * kSectionHeaderSize];
    Section s;
    s.headerOffset = pe.sectionTable + i * kSectionHeaderSize;
    s.name.assign((const char*)h, strnlen((const char*)h, 8));
    s.virtualSize = Get32(h + 8);
    s.virtualAddress = Get32(h + 12);
    s.rawSize = Get32(h + 16);
    s.rawPointer = Get32(h + 20);
    if (s.rawSize && (uint64_t)s.rawPointer + s.rawSize > size)
      return Fail(error, "section " + s.name + " lies past the end of the file");
    if (!s.rawSize) s.rawPointer = 0;
    pe.sections.push_back(s);
  }
  return true;
}

// --- Reading the directory tree -------------------------------------------

struct TreeReader {
  const std::vector<uint8_t>& image;
  const PeLayout& pe;
  uint32_t baseRva;
  std::vector<ResourceItem>& items;
  uint64_t totalData = 0;
  size_t directories = 0;

  bool At(uint32_t offset, uint32_t length, const uint8_t*& p) const {
    size_t fileOffset;
    if ((uint64_t)baseRva + offset > 0xFFFFFFFFu ||
        !pe.Map(baseRva + offset, length, fileOffset))
      return false;
    p = &image[fileOffset];
    return true;
  }

  bool ReadId(uint32_t field, ResourceId& id) const {
    if (!(field & 0x80000000u)) {
      if (field > 0xFFFF) return false;
      id = ResourceId::Number((uint16_t)field);
      return true;
    }
    const uint8_t* p;
    if (!At(field & 0x7FFFFFFFu, 2, p)) return false;
    const uint16_t length = Get16(p);
    if (!At(field & 0x7FFFFFFFu, 2 + 2u * length, p)) return false;
    id.isName = true;
    id.name.clear();
    for (uint16_t i = 0; i < length; ++i) id.name.push_back((char16_t)Get16(p + 2 + 2 * i));
    return true;
  }

  bool ReadDirectory(uint32_t offset, int level, ResourceItem& path, std::string* error) {
    const uint8_t* header;
    if (++directories > kMaxItems) return Fail(error, "resource directory too large");
    if (!At(offset, 16, header)) return Fail(error, "resource directory outside the image");
    const uint32_t count = (uint32_t)Get16(header + 12) + Get16(header + 14);
    const uint8_t* entries;
    if (!At(offset + 16, 8 * count, entries)) return Fail(error, "resource directory outside the image");
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t nameField = Get32(entries + 8 * i);
      const uint32_t target = Get32(entries + 8 * i + 4);
      ResourceId id;
      if (!ReadId(nameField, id)) return Fail(error, "invalid resource name");
      const bool isDirectory = (target & 0x80000000u) != 0;
      if (level < 2) {
        if (!isDirectory) return Fail(error, "resource tree is not three levels deep");
        (level == 0 ? path.type : path.name) = id;
        if (!ReadDirectory(target & 0x7FFFFFFFu, level + 1, path, error)) return false;
        continue;
      }
      if (isDirectory || id.isName) return Fail(error, "resource tree is not three levels deep");
      const uint8_t* dataEntry;
      if (!At(target, 16, dataEntry)) return Fail(error, "resource data entry outside the image");
      const uint32_t dataRva = Get32(dataEntry), dataSize = Get32(dataEntry + 4);
      size_t fileOffset;
      if (!pe.Map(dataRva, dataSize, fileOffset))
        return Fail(error, "resource data of " + path.type.Describe() + "/" + path.name.Describe() +
                               " lies outside the file");
      totalData += dataSize;
      if (items.size() >= kMaxItems || totalData > kMaxTotalData)
        return Fail(error, "resource directory too large");
      ResourceItem item;
      item.type = path.type;
      item.name = path.name;
      item.language = id.id;
      item.codePage = Get32(dataEntry + 8);
      item.data.assign(image.begin() + fileOffset, image.begin() + fileOffset + dataSize);
      items.push_back(std::move(item));
    }
    return true;
  }
};

// --- Writing the directory tree -------------------------------------------

char16_t Fold(char16_t c) { return (c >= 'a' && c <= 'z') ? (char16_t)(c - 32) : c; }

// Named entries come first, in ascending case-insensitive order, then the
// numbered ones in ascending order: the loader searches the tables in halves.
int CompareIds(const ResourceId& a, const ResourceId& b) {
  if (a.isName != b.isName) return a.isName ? -1 : 1;
  if (!a.isName) return (int)a.id - (int)b.id;
  const size_t n = std::min(a.name.size(), b.name.size());
  for (size_t i = 0; i < n; ++i)
    if (Fold(a.name[i]) != Fold(b.name[i])) return Fold(a.name[i]) < Fold(b.name[i]) ? -1 : 1;
  if (a.name.size() != b.name.size()) return a.name.size() < b.name.size() ? -1 : 1;
  return a.name < b.name ? -1 : (a.name == b.name ? 0 : 1);
}

bool ItemLess(const ResourceItem& a, const ResourceItem& b) {
  if (int c = CompareIds(a.type, b.type)) return c < 0;
  if (int c = CompareIds(a.name, b.name)) return c < 0;
  return a.language < b.language;
}

bool BuildSection(std::vector<ResourceItem> items, uint32_t baseRva, std::vector<uint8_t>& out,
                  std::string* error) {
  std::stable_sort(items.begin(), items.end(), ItemLess);
  for (size_t i = 1; i < items.size(); ++i)
    if (!ItemLess(items[i - 1], items[i]))
      return Fail(error, "duplicate resource " + items[i].type.Describe() + "/" +
                             items[i].name.Describe() + " language " +
                             std::to_string(items[i].language));

  // Group the sorted items: types, then names within each type.
  struct NameGroup { size_t first, count; };
  struct TypeGroup { size_t first; std::vector<NameGroup> names; };
  std::vector<TypeGroup> types;
  for (size_t i = 0; i < items.size(); ++i) {
    if (types.empty() || CompareIds(items[types.back().first].type, items[i].type) != 0)
      types.push_back({i, {}});
    auto& names = types.back().names;
    if (names.empty() || CompareIds(items[names.back().first].name, items[i].name) != 0)
      names.push_back({i, 0});
    names.back().count++;
  }

  // Directory tables (root, types, names), strings, data entries, data.
  uint64_t at = 16 + 8 * (uint64_t)types.size();
  std::vector<uint32_t> typeDirs, nameDirs;
  for (auto& t : types) {
    typeDirs.push_back((uint32_t)at);
    at += 16 + 8 * t.names.size();
  }
  for (auto& t : types)
    for (auto& n : t.names) {
      nameDirs.push_back((uint32_t)at);
      at += 16 + 8 * n.count;
    }
  std::map<std::u16string, uint32_t> strings;
  for (const ResourceItem& item : items)
    for (const ResourceId* id : {&item.type, &item.name})
      if (id->isName && !strings.count(id->name)) {
        if (id->name.size() > 0xFFFF) return Fail(error, "resource name too long");
        strings[id->name] = (uint32_t)at;
        at += 2 + 2 * id->name.size();
      }
  at = AlignUp(at, 4);
  const uint64_t dataEntries = at;
  at += 16 * (uint64_t)items.size();
  std::vector<uint32_t> dataOffsets;
  for (const ResourceItem& item : items) {
    at = AlignUp(at, 8);
    dataOffsets.push_back((uint32_t)at);
    at += item.data.size();
  }
  if (at + baseRva > 0x7FFFFFFFu) return Fail(error, "resources too large");

  out.assign((size_t)at, 0);
  auto writeTable = [&](uint32_t offset, const std::vector<std::pair<const ResourceId*, uint32_t>>& entries) {
    uint16_t named = 0;
    for (auto& e : entries) named += e.first->isName;
    Put16(&out[offset + 12], named);
    Put16(&out[offset + 14], (uint16_t)(entries.size() - named));
    for (size_t i = 0; i < entries.size(); ++i) {
      const ResourceId& id = *entries[i].first;
      Put32(&out[offset + 16 + 8 * i], id.isName ? (0x80000000u | strings[id.name]) : id.id);
      Put32(&out[offset + 20 + 8 * i], entries[i].second);
    }
  };
  std::vector<std::pair<const ResourceId*, uint32_t>> rootEntries;
  size_t nameIndex = 0;
  for (size_t t = 0; t < types.size(); ++t) {
    rootEntries.push_back({&items[types[t].first].type, 0x80000000u | typeDirs[t]});
    std::vector<std::pair<const ResourceId*, uint32_t>> typeEntries;
    for (auto& n : types[t].names) {
      typeEntries.push_back({&items[n.first].name, 0x80000000u | nameDirs[nameIndex]});
      std::vector<std::pair<const ResourceId*, uint32_t>> langEntries;
      std::vector<ResourceId> langs;
      langs.reserve(n.count);
      for (size_t k = 0; k < n.count; ++k) langs.push_back(ResourceId::Number(items[n.first + k].language));
      for (size_t k = 0; k < n.count; ++k)
        langEntries.push_back({&langs[k], (uint32_t)(dataEntries + 16 * (n.first + k))});
      writeTable(nameDirs[nameIndex], langEntries);
      ++nameIndex;
    }
    if (types[t].names.size() > 0xFFFF) return Fail(error, "too many resources of one type");
    writeTable(typeDirs[t], typeEntries);
  }
  if (types.size() > 0xFFFF) return Fail(error, "too many resource types");
  writeTable(0, rootEntries);
  for (auto& s : strings) {
    Put16(&out[s.second], (uint16_t)s.first.size());
    for (size_t i = 0; i < s.first.size(); ++i) Put16(&out[s.second + 2 + 2 * i], (uint16_t)s.first[i]);
  }
  for (size_t i = 0; i < items.size(); ++i) {
    uint8_t* entry = &out[dataEntries + 16 * i];
    Put32(entry, baseRva + dataOffsets[i]);
    Put32(entry + 4, (uint32_t)items[i].data.size());
    Put32(entry + 8, items[i].codePage);
    if (!items[i].data.empty())
      std::memcpy(&out[dataOffsets[i]], items[i].data.data(), items[i].data.size());
  }
  return true;
}

ResourceId PayloadType() { return ResourceId::Text("EXE_DATA"); }

}  // namespace

ResourceId ResourceId::Number(uint16_t value) {
  ResourceId id;
  id.id = value;
  return id;
}

ResourceId ResourceId::Text(const std::string& ascii) {
  ResourceId id;
  id.isName = true;
  for (unsigned char c : ascii) id.name.push_back((char16_t)c);
  return id;
}

bool ResourceId::Matches(const ResourceId& other) const {
  if (isName != other.isName) return false;
  if (!isName) return id == other.id;
  if (name.size() != other.name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (Fold(name[i]) != Fold(other.name[i])) return false;
  return true;
}

std::string ResourceId::Describe() const {
  if (!isName) return std::to_string(id);
  std::string text = "\"";
  for (char16_t c : name) text += (c >= 32 && c < 127) ? (char)c : '?';
  return text + "\"";
}

uint32_t ComputePeChecksum(const uint8_t* data, size_t size, size_t checksumOffset) {
  auto byteAt = [&](size_t i) -> uint32_t {
    if (i >= size || (i >= checksumOffset && i < checksumOffset + 4)) return 0;
    return data[i];
  };
  uint64_t sum = 0;
  for (size_t i = 0; i < size; i += 2) {
    sum += byteAt(i) | byteAt(i + 1) << 8;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return (uint32_t)(sum + size);
}

size_t PeChecksumOffset(const std::vector<uint8_t>& image) {
  PeLayout pe;
  return ParseLayout(image, pe, nullptr) ? pe.ChecksumOffset() : 0;
}

bool ReadResources(const std::vector<uint8_t>& image, std::vector<ResourceItem>& items,
                   std::string* error) {
  PeLayout pe;
  if (!ParseLayout(image, pe, error)) return false;
  items.clear();
  uint32_t rva = 0, size = 0;
  if (!pe.Directory(image, kDirResource, rva, size) || rva == 0 || size == 0) return true;
  TreeReader reader{image, pe, rva, items};
  ResourceItem path;
  return reader.ReadDirectory(0, 0, path, error);
}

bool WriteResources(const std::vector<uint8_t>& image, const std::vector<ResourceItem>& items,
                    std::vector<uint8_t>& out, std::string* error) {
  PeLayout pe;
  if (!ParseLayout(image, pe, error)) return false;
  uint32_t rva = 0, size = 0;
  if (pe.Directory(image, kDirSecurity, rva, size) && size != 0)
    return Fail(error, "the executable is signed; attach the payload to the unsigned file and sign "
                       "the result");
  if (!pe.Directory(image, kDirResource, rva, size))
    return Fail(error, "the executable has no resource data directory slot");

  // The old section is rewritten in place when it is the last one, both in
  // the image and in the file; otherwise the new one goes after everything.
  uint64_t imageEnd = AlignUp(pe.sizeOfHeaders, pe.sectionAlignment);
  uint64_t rawEnd = pe.sizeOfHeaders;
  int lastInImage = -1, lastInFile = -1;
  for (size_t i = 0; i < pe.sections.size(); ++i) {
    const Section& s = pe.sections[i];
    if ((uint64_t)s.virtualAddress + s.Extent() >= imageEnd) {
      imageEnd = AlignUp((uint64_t)s.virtualAddress + s.Extent(), pe.sectionAlignment);
      lastInImage = (int)i;
    }
    if (s.rawSize && (uint64_t)s.rawPointer + s.rawSize >= rawEnd) {
      rawEnd = (uint64_t)s.rawPointer + s.rawSize;
      lastInFile = (int)i;
    }
  }
  int inPlace = -1;
  if (size != 0 && lastInImage >= 0 && lastInImage == lastInFile) {
    const Section& s = pe.sections[lastInImage];
    if (s.virtualAddress == rva && s.name == ".rsrc") inPlace = lastInImage;
  }

  uint32_t newRva, newRawPointer;
  if (inPlace >= 0) {
    newRva = pe.sections[inPlace].virtualAddress;
    newRawPointer = pe.sections[inPlace].rawPointer;
  } else {
    const size_t headerEnd = pe.sectionTable + (pe.sections.size() + 1) * kSectionHeaderSize;
    uint64_t firstRaw = pe.sizeOfHeaders;
    for (const Section& s : pe.sections)
      if (s.rawSize) firstRaw = std::min<uint64_t>(firstRaw, s.rawPointer);
    if (headerEnd > firstRaw || headerEnd > image.size())
      return Fail(error, "no room in the headers for another section");
    for (size_t i = headerEnd - kSectionHeaderSize; i < headerEnd; ++i)
      if (image[i]) return Fail(error, "no room in the headers for another section");
    if (imageEnd > 0x7FFFFFFFu) return Fail(error, "image too large");
    newRva = (uint32_t)imageEnd;
    newRawPointer = (uint32_t)AlignUp(rawEnd, pe.fileAlignment);
  }

  std::vector<uint8_t> section;
  if (!BuildSection(items, newRva, section, error)) return false;
  const uint64_t newRawSize = AlignUp(section.size(), pe.fileAlignment);
  const uint64_t newRawEnd = (uint64_t)newRawPointer + newRawSize;
  const uint64_t overlay = rawEnd;  // trailing bytes after the last section
  if (newRawEnd + (image.size() - overlay) > 0xFFFFFFFFu ||
      (uint64_t)newRva + AlignUp(section.size(), pe.sectionAlignment) > 0xFFFFFFFFu)
    return Fail(error, "executable would exceed 4 GiB");

  std::vector<uint8_t> result(image.begin(), image.begin() + (inPlace >= 0 ? newRawPointer : overlay));
  result.resize(newRawPointer, 0);
  result.insert(result.end(), section.begin(), section.end());
  result.resize((size_t)newRawEnd, 0);
  result.insert(result.end(), image.begin() + overlay, image.end());
  const int64_t shift = (int64_t)newRawEnd - (int64_t)overlay;

  // File offsets that point into the trailing bytes follow them.
  uint8_t* symbols = &result[pe.coffOffset + 8];
  if (Get32(symbols) >= overlay) Put32(symbols, (uint32_t)(Get32(symbols) + shift));
  uint32_t debugRva, debugSize;
  size_t debugAt;
  if (pe.Directory(image, kDirDebug, debugRva, debugSize) && debugSize &&
      pe.Map(debugRva, debugSize, debugAt) &&
      debugAt + debugSize <= (inPlace >= 0 ? newRawPointer : overlay))
    for (uint32_t k = 0; k + 28 <= debugSize; k += 28) {
      uint8_t* pointer = &result[debugAt + k + 24];
      if (Get32(pointer) >= overlay && Get32(pointer) != 0)
        Put32(pointer, (uint32_t)(Get32(pointer) + shift));
    }

  size_t header;
  uint32_t oldRawSize = 0;
  if (inPlace >= 0) {
    header = pe.sections[inPlace].headerOffset;
    oldRawSize = pe.sections[inPlace].rawSize;
  } else {
    header = pe.sectionTable + pe.sections.size() * kSectionHeaderSize;
    std::memcpy(&result[header], ".rsrc\0\0\0", 8);
    Put32(&result[header + 12], newRva);
    Put32(&result[header + 36], kSectionCharacteristics);
    Put16(&result[pe.coffOffset + 2], (uint16_t)(pe.sections.size() + 1));
  }
  Put32(&result[header + 8], (uint32_t)section.size());
  Put32(&result[header + 16], (uint32_t)newRawSize);
  Put32(&result[header + 20], newRawPointer);

  uint64_t sizeOfImage = AlignUp((uint64_t)newRva + section.size(), pe.sectionAlignment);
  for (size_t i = 0; i < pe.sections.size(); ++i)
    if ((int)i != inPlace)
      sizeOfImage = std::max(sizeOfImage, AlignUp((uint64_t)pe.sections[i].virtualAddress +
                                                      pe.sections[i].Extent(),
                                                  pe.sectionAlignment));
  Put32(&result[pe.optionalOffset + 56], (uint32_t)sizeOfImage);
  uint8_t* initialised = &result[pe.optionalOffset + 8];
  Put32(initialised, Get32(initialised) - oldRawSize + (uint32_t)newRawSize);
  Put32(&result[pe.dataDirectories + 8 * kDirResource], newRva);
  Put32(&result[pe.dataDirectories + 8 * kDirResource + 4], (uint32_t)section.size());

  Put32(&result[pe.ChecksumOffset()], 0);
  Put32(&result[pe.ChecksumOffset()],
        ComputePeChecksum(result.data(), result.size(), pe.ChecksumOffset()));
  out.swap(result);
  return true;
}

bool SetPayload(const std::vector<uint8_t>& image, const std::vector<uint8_t>& archive,
                std::vector<uint8_t>& out, std::string* error) {
  std::vector<ResourceItem> items;
  if (!ReadResources(image, items, error)) return false;
  items.erase(std::remove_if(items.begin(), items.end(),
                             [](const ResourceItem& item) {
                               return item.type.Matches(PayloadType()) &&
                                      item.name.Matches(ResourceId::Number(1));
                             }),
              items.end());
  // Language 0 (neutral) is the one the loader tries first when no language is asked for.
  ResourceItem payload;
  payload.type = PayloadType();
  payload.name = ResourceId::Number(1);
  payload.language = 0;
  payload.data = archive;
  items.push_back(std::move(payload));
  return WriteResources(image, items, out, error);
}

bool GetPayload(const std::vector<uint8_t>& image, std::vector<uint8_t>& archive,
                std::string* error) {
  std::vector<ResourceItem> items;
  if (!ReadResources(image, items, error)) return false;
  for (ResourceItem& item : items)
    if (item.type.Matches(PayloadType()) && item.name.Matches(ResourceId::Number(1))) {
      archive.swap(item.data);
      return true;
    }
  return Fail(error, "no resource EXE_DATA/1 in the executable");
}

}  // namespace sfxpack
