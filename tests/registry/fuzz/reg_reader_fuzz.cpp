// Fuzz target of the registration-file reader. Any input must import without
// a fault; and whatever it left in the registry, exported by the writer and
// imported into an empty registry, must come back exactly.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/memory/memory_platform.h"
#include "platform/text.h"
#include "platform/win32_constants.h"
#include "registry/reg_file_reader.h"
#include "registry/reg_file_writer.h"
#include "registry/reg_key_ex.h"

namespace {

namespace pc = platform;
using pc::HKey;

struct Root {
  HKey key;
  const wchar_t* name;
};
constexpr Root kRoots[] = {{pc::kHKeyCurrentUser, L"HKEY_CURRENT_USER"},
                           {pc::kHKeyLocalMachine, L"HKEY_LOCAL_MACHINE"},
                           {pc::kHKeyUsers, L"HKEY_USERS"}};

[[noreturn]] void Fail(const char* what, const std::wstring& where) {
  std::fprintf(stderr, "reg_reader_fuzz: %s at %s\n", what, pc::ToUtf8(where).c_str());
  std::abort();
}

std::vector<std::wstring> SubKeys(pc::IRegistry& registry, HKey key) {
  std::vector<std::wstring> names;
  wchar_t name[512];
  for (uint32_t i = 0;; ++i) {
    uint32_t chars = 512;
    if (registry.EnumKey(key, i, name, &chars) != 0) break;
    names.emplace_back(name, chars);
  }
  return names;
}

// Every value and subkey of a's key is in b's, with the same type and
// bytes, and the counts agree.
void Compare(pc::IRegistry& a, HKey keyA, pc::IRegistry& b, HKey keyB, const std::wstring& where) {
  pc::KeyInfo infoA, infoB;
  if (a.QueryInfoKey(keyA, &infoA) != 0 || b.QueryInfoKey(keyB, &infoB) != 0)
    Fail("info query failed", where);
  if (infoA.valueCount != infoB.valueCount) Fail("value count differs", where);
  if (infoA.subKeyCount != infoB.subKeyCount) Fail("subkey count differs", where);
  std::vector<wchar_t> name(infoA.maxValueNameLen + 1);
  for (uint32_t i = 0; i < infoA.valueCount; ++i) {
    uint32_t chars = static_cast<uint32_t>(name.size());
    if (a.EnumValue(keyA, i, name.data(), &chars, nullptr, nullptr, nullptr) != 0) continue;
    const std::wstring valueName(name.data(), chars);
    uint32_t typeA = 0, typeB = 0;
    std::vector<uint8_t> bytesA, bytesB;
    if (NSRegKeyEx::ReadValue(a, keyA, valueName, typeA, bytesA) != 0) continue;
    if (NSRegKeyEx::ReadValue(b, keyB, valueName, typeB, bytesB) != 0)
      Fail("value missing after the round trip", where + L" : " + valueName);
    if (typeA != typeB || bytesA != bytesB)
      Fail("value differs after the round trip", where + L" : " + valueName);
  }
  for (const std::wstring& child : SubKeys(a, keyA)) {
    HKey childA = 0, childB = 0;
    if (a.OpenKey(keyA, child, 0, pc::kKeyRead, &childA) != 0) continue;
    if (b.OpenKey(keyB, child, 0, pc::kKeyRead, &childB) != 0)
      Fail("key missing after the round trip", where + L"\\" + child);
    Compare(a, childA, b, childB, where + L"\\" + child);
    a.CloseKey(childA);
    b.CloseKey(childB);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  const std::wstring file = L"C:\\fuzz.reg";
  pc::memory::MemoryPlatform first;
  first.files.AddFile(file, std::vector<uint8_t>(data, data + size));
  NSRegKeyEx::RegFileImporter importer(first.view);
  if (!importer.ImportFile(file)) return 0;

  std::wstring text = NSRegKeyEx::kRegFileHeader;
  for (const Root& root : kRoots) {
    for (const std::wstring& child : SubKeys(first.registry, root.key)) {
      bool complete = false;
      NSRegKeyEx::ExportKey(first.view, std::wstring(root.name) + L"\\" + child, text, &complete);
      // A key the writer cannot carry (a line feed in its name) is reported,
      // and the comparison would then rightly differ.
      if (!complete) return 0;
    }
  }
  pc::memory::MemoryPlatform second;
  NSRegKeyEx::RegFileImporter again(second.view);
  again.ImportText(text + L"\n");
  if (!again.LastReport().Complete()) Fail("the writer's text did not import completely", L"");
  for (const Root& root : kRoots) Compare(first.registry, root.key, second.registry, root.key, root.name);
  return 0;
}
