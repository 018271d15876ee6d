// Registration-file text ("Windows Registry Editor Version 5.00") as the
// backups hold it, and the backup file writer.
//
// Lines end with a single line feed. Every value is written so that it reads
// back (RegFileImporter, and the system's registry editor) to the same type
// and the same bytes:
//  - names and REG_SZ text escape backslash and double quote ("\\", "\""); a
//    line feed or carriage return in a value name is written "\n" / "\r"
//    (the Windows registry editor cannot carry such names at all);
//  - REG_SZ that is not a clean NUL-terminated string (odd size, no or an
//    inner NUL, any control character) is written "hex(1):";
//  - REG_DWORD of exactly 4 bytes is "dword:%08x", any other size "hex(4):";
//  - REG_EXPAND_SZ, REG_MULTI_SZ and REG_QWORD are "hex(2):", "hex(7):",
//    "hex(b):" of all their bytes, REG_BINARY "hex:", any other type N
//    "hex(N):" with N in lower-case hexadecimal; size 0 gives an empty list.
// Key lines carry the full root name ("HKLM" is written "HKEY_LOCAL_MACHINE"),
// the only form the reader and the registry editor accept.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace NSRegKeyEx {

inline constexpr wchar_t kRegFileHeader[] = L"Windows Registry Editor Version 5.00\n";

// Each byte as two lower-case hex digits, comma-separated; a backslash and a
// line feed follow the comma after the 22nd byte and then after every 25th.
std::wstring HexList(const uint8_t* data, size_t size);
// The value text after "=". Null data with a non-zero size gives empty text.
std::wstring ValueToText(uint32_t type, const uint8_t* data, size_t size);
std::wstring ValueToText(uint32_t type, const std::vector<uint8_t>& data);

// Backslash and double quote escaped; with escapeLineEnds, also line feed
// and carriage return ("\n", "\r").
std::wstring EscapeRegText(const std::wstring& text, bool escapeLineEnds);
// "[HKEY_...\sub]\n" for a key path (brackets already around it are not
// doubled). False for an invalid path or one holding a line feed, which no
// registration file can carry.
bool KeyLine(const std::wstring& path, std::wstring& outLine);
// "\"name\"=text\n", or "@=text\n" for the default value.
std::wstring ValueLine(const std::wstring& name, const std::wstring& valueText);

// Appends key line, value line and a blank line. False (text unchanged) when
// the value cannot be read or its key path cannot be written.
bool ExportValue(platform::Platform& p, const std::wstring& path, const std::wstring& valueName,
                 std::wstring& text);
bool ExportValue(const std::wstring& path, const std::wstring& valueName, std::wstring& text);

// Appends the key and its whole subtree, depth first, pre-order: each key's
// line, its values in enumeration order and a blank line, then its subkeys.
// False, with nothing appended, when the key does not open; false also when
// one of its own values cannot be read (its block is closed, its subkeys are
// left out). Failures inside subkeys do not change the result, but each one
// (a subkey that does not open or enumerate, a value that cannot be read, a
// key name holding a line feed) clears *complete: a caller that needs the
// whole tree backed up checks it.
bool ExportKey(platform::Platform& p, const std::wstring& path, std::wstring& text,
               bool* complete = nullptr);
bool ExportKey(const std::wstring& path, std::wstring& text, bool* complete = nullptr);

// Appends the text to a backup file as UTF-16LE (a byte order mark first when
// the file is empty), then one line feed, and flushes it. An empty text
// writes nothing and creates no file. False when the file cannot be opened
// or a write or flush fails (the Win32 code in *error when known).
bool AppendRegFile(platform::Platform& p, const std::wstring& file, const std::wstring& text,
                   int32_t* error = nullptr);
bool AppendRegFile(const std::wstring& file, const std::wstring& text, int32_t* error = nullptr);

}  // namespace NSRegKeyEx
