#include "repair/backup_store.h"

#include <algorithm>

#include "platform/text.h"
#include "platform/win32_constants.h"
#include "registry/reg_file_writer.h"

namespace repair {

namespace {

std::wstring WithBackslash(const std::wstring& folder) {
  if (!folder.empty() && folder.back() != L'\\') return folder + L'\\';
  return folder;
}

bool IsDigits(const std::wstring& text) {
  return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

}  // namespace

std::wstring GetBackupFolder(platform::Platform& p) {
  std::wstring folder;
  if (!p.environment.GetSpecialFolder(platform::kCsidlCommonAppData, &folder) || folder.empty())
    return std::wstring();
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  // Every level is created, "Quorvel" too: CreateDirectoryW makes one level.
  for (const wchar_t* level : {L"\\Quorvel", L"\\Lumora", L"\\Backup", L"\\Purvex"}) {
    if (folder.back() == L'\\') folder.pop_back();
    folder += level;
    p.files.CreateFolder(folder);
  }
  return folder;
}

std::wstring GetBackupFolder() { return GetBackupFolder(platform::DefaultPlatform()); }

std::wstring FormatStamp(const platform::LocalTime& t) {
  return platform::Format(L"%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute,
                          t.second);
}

std::wstring BackupFileName(const std::wstring& stamp, int32_t attempts) {
  return platform::Format(L"Backup_%ls_%d.reg", stamp.c_str(), attempts);
}

bool BackupRowText(const std::wstring& fileName, std::wstring& outText) {
  const size_t first = fileName.find(L'_');
  if (first == std::wstring::npos) return false;
  const size_t second = fileName.find(L'_', first + 1);
  if (second == std::wstring::npos) return false;
  const std::wstring s = fileName.substr(first + 1, second - first - 1);
  if (s.size() != 14 || !IsDigits(s)) return false;
  outText = s.substr(0, 4) + L'-' + s.substr(4, 2) + L'-' + s.substr(6, 2) + L' ' +
            s.substr(8, 2) + L':' + s.substr(10, 2) + L':' + s.substr(12, 2);
  return true;
}

bool HasRegExtension(const std::wstring& name) {
  return name.size() >= 4 && platform::EqualsNoCase(name.substr(name.size() - 4), L".reg");
}

std::vector<std::wstring> ListRegFiles(platform::IFileSystem& files, const std::wstring& folder) {
  std::vector<std::wstring> names;
  if (folder.empty()) return names;
  for (const platform::FileEntry& e : files.ListFolder(WithBackslash(folder) + L"*.reg")) {
    // The pattern also matches through short names ("x.regx" as "X~1.REG").
    if ((e.attributes & platform::kFileAttributeDirectory) == 0 && HasRegExtension(e.name))
      names.push_back(e.name);
  }
  return names;
}

std::wstring ApplyBackupLimit(platform::IFileSystem& files, const std::wstring& folder,
                              const std::vector<std::wstring>& listed, int32_t maxBackups,
                              const std::wstring& keepName) {
  if (static_cast<int64_t>(listed.size()) != maxBackups || listed.empty()) return std::wstring();
  const std::wstring oldest = *std::min_element(listed.begin(), listed.end());
  if (platform::EqualsNoCase(oldest, keepName)) return std::wstring();
  if (!files.DeleteFile(WithBackslash(folder) + oldest)) return std::wstring();
  return oldest;
}

// --- CBackupStore ---

CBackupStore::CBackupStore(platform::Platform& p) : platform_(p) {}

void CBackupStore::Load() {
  fileNames_.clear();
  folder_ = GetBackupFolder(platform_);
  std::wstring row;
  for (std::wstring& name : ListRegFiles(platform_.files, folder_)) {
    if (BackupRowText(name, row)) fileNames_.push_back(std::move(name));
  }
}

std::wstring CBackupStore::RowText(size_t row) const {
  std::wstring text;
  if (row < fileNames_.size()) BackupRowText(fileNames_[row], text);
  return text;
}

void CBackupStore::SortUnique(std::vector<size_t>& rows) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
}

std::vector<std::wstring> CBackupStore::SelectedPaths(std::vector<size_t> rows) const {
  SortUnique(rows);
  std::vector<std::wstring> paths;
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    if (*it < fileNames_.size()) paths.push_back(WithBackslash(folder_) + fileNames_[*it]);
  }
  return paths;
}

size_t CBackupStore::DeleteSelected(std::vector<size_t> rows) {
  SortUnique(rows);
  const std::wstring folder = WithBackslash(folder_);
  size_t deleted = 0;
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    if (*it >= fileNames_.size()) continue;
    if (!folder.empty() && platform_.files.DeleteFile(folder + fileNames_[*it])) ++deleted;
    fileNames_.erase(fileNames_.begin() + static_cast<std::ptrdiff_t>(*it));
  }
  return deleted;
}

// --- CBackupFileWriter ---

CBackupFileWriter::~CBackupFileWriter() = default;

bool CBackupFileWriter::Begin(const std::wstring& folder, const std::wstring& stamp,
                              int32_t maxBackups) {
  file_.reset();
  folder_ = folder;
  stamp_ = stamp;
  path_.clear();
  if (folder.empty()) return false;
  // Listed before the new file exists; an old file goes only once the new
  // one has been created.
  const std::vector<std::wstring> listed = ListRegFiles(platform_.files, folder);
  const std::wstring name = BackupFileName(stamp, 0);
  path_ = WithBackslash(folder) + name;
  std::unique_ptr<platform::IAppendFile> file = platform_.files.OpenForAppend(path_);
  if (!file) return false;
  // A file of the same name left by a run cut short in the same second is
  // a backup too: it is continued, not replaced.
  const bool fresh = file->Size() == 0;
  if (fresh) {
    std::vector<uint8_t> bytes = {0xFF, 0xFE};
    const std::vector<uint8_t> header = platform::ToUtf16Bytes(NSRegKeyEx::kRegFileHeader, false);
    bytes.insert(bytes.end(), header.begin(), header.end());
    if (!(file->Append(bytes.data(), bytes.size()) && file->Flush())) {
      file.reset();
      platform_.files.DeleteFile(path_);
      return false;
    }
  }
  ApplyBackupLimit(platform_.files, folder, listed, maxBackups, name);
  file_ = std::move(file);
  return true;
}

bool CBackupFileWriter::Append(const std::wstring& text) {
  if (!file_) return false;
  if (text.empty()) return true;
  const std::vector<uint8_t> bytes = platform::ToUtf16Bytes(text, false);
  return file_->Append(bytes.data(), bytes.size()) && file_->Flush();
}

std::wstring CBackupFileWriter::Finish(int32_t attempts) {
  if (!file_) return std::wstring();
  const uint8_t lineFeed[] = {0x0A, 0x00};
  if (file_->Append(lineFeed, sizeof lineFeed)) file_->Flush();
  file_.reset();
  const std::wstring target = WithBackslash(folder_) + BackupFileName(stamp_, attempts);
  if (platform::EqualsNoCase(target, path_)) return path_;
  if (platform_.files.MoveFile(path_, target)) path_ = target;
  return path_;
}

}  // namespace repair
