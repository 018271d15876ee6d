// Reads registration files back into the registry: the backups that
// reg_file_writer.h writes, and files exported by the system's registry
// editor (CRLF line ends, indented continuation lines, "name"=- deletions).
//
// The text is split into blocks at blank lines; each block is one key line
// ("[path]", or "[-path]" to delete a key that has no subkeys) and its value
// lines. Key paths need a full root name (case-insensitive, HKEY_CURRENT_CONFIG
// included, no short forms). Values: "string" with \\ \" \n \r escapes,
// dword:, hex: and every hex(N):, and - (delete the value). Text after the
// last blank line is left unread (and reported: a file cut short).
#pragma once
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace NSRegKeyEx {

class IRegImportObserver {
 public:
  virtual ~IRegImportObserver() = default;
  virtual void OnImportBegin() {}
  virtual void OnImportEnd() {}
  // "Cann't Open File!", "Alloc Memory Fail!" or "Parse Key Contect Error!".
  virtual void OnImportError(const std::wstring& text) {}
};

// What one import did; a restore that must know whether every entry of the
// file was written back checks Complete().
struct ImportReport {
  uint32_t keysWritten = 0;    // keys created, opened or deleted
  uint32_t keysFailed = 0;     // blocks or key lines that did not parse, or whose registry call failed
  uint32_t valuesWritten = 0;  // values set or deleted
  uint32_t valuesFailed = 0;   // value lines that did not parse or did not reach the registry
  bool textLeftUnread = false; // text after the last blank line
  bool Complete() const {
    return keysFailed == 0 && valuesFailed == 0 && !textLeftUnread;
  }
};

class RegFileImporter {
 public:
  RegFileImporter();
  explicit RegFileImporter(platform::Platform& p);

  // True when the file was read and held at least one "[", whatever became
  // of the single blocks (see LastReport for that).
  bool ImportFile(const std::wstring& path);
  // The same on text already decoded from the file's UTF-16LE bytes.
  bool ImportText(const std::wstring& text);
  const ImportReport& LastReport() const { return report_; }

  std::wstring filePath;
  IRegImportObserver* observer = nullptr;

 private:
  void Report(const wchar_t* error);
  void ParseBlock(const std::wstring& block);
  void ParseValueLine(platform::HKey key, const std::wstring& line);

  platform::Platform* platform_;
  ImportReport report_;
};

}  // namespace NSRegKeyEx
