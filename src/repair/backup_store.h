// The backup folder, the names of its files, the list the backup page shows,
// and the writer that keeps one repair run's backup file on disk as the run
// goes.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/system_info.h"

namespace repair {

// This program's module tag: the last level of the backup folder.
inline constexpr wchar_t kPurvexTag[] = L"Purvex";
// At most this many "*.reg" files are kept by a repair run.
inline constexpr int32_t kMaxBackups = 10;

// "<common application data>\Quorvel\Lumora\Backup\Purvex", each level
// created when missing (errors ignored), without a trailing backslash.
// Empty when the system does not name the common application data folder.
std::wstring GetBackupFolder(platform::Platform& p);
std::wstring GetBackupFolder();

// "%Y%m%d%H%M%S" of a local time (14 digits).
std::wstring FormatStamp(const platform::LocalTime& t);
// "Backup_%s_%d.reg".
std::wstring BackupFileName(const std::wstring& stamp, int32_t attempts);
// The stamp between the first and the second "_" shown as
// "YYYY-MM-DD hh:mm:ss". False (no row) unless that part is 14 digits.
bool BackupRowText(const std::wstring& fileName, std::wstring& outText);
// True for a name ending in ".reg" (any case).
bool HasRegExtension(const std::wstring& name);

// The "*.reg" files of the folder (not folders), in the order the system
// lists them.
std::vector<std::wstring> ListRegFiles(platform::IFileSystem& files, const std::wstring& folder);
// The ten-file rule: when exactly maxBackups "*.reg" files are listed,
// deletes the first of them in ordinal order, unless that is keepName.
// Returns the name deleted, or empty.
std::wstring ApplyBackupLimit(platform::IFileSystem& files, const std::wstring& folder,
                              const std::vector<std::wstring>& listed, int32_t maxBackups,
                              const std::wstring& keepName);

// The backup page's list: the backups of the folder with their row texts.
// Row i shows Names()[i]; files whose names give no row text are left out.
class CBackupStore {
 public:
  explicit CBackupStore(platform::Platform& p = platform::DefaultPlatform());

  // Lists the backup folder afresh (creating it when missing).
  void Load();
  const std::vector<std::wstring>& Names() const { return fileNames_; }
  size_t Count() const { return fileNames_.size(); }
  std::wstring RowText(size_t row) const;
  // Full paths of the selected rows, from the highest index to the lowest;
  // indices out of range are ignored.
  std::vector<std::wstring> SelectedPaths(std::vector<size_t> rows) const;
  // Deletes the files of the selected rows, from the highest index to the
  // lowest; an entry leaves the list even when its file cannot be deleted.
  // Returns the number of files deleted.
  size_t DeleteSelected(std::vector<size_t> rows);

 private:
  static void SortUnique(std::vector<size_t>& rows);

  platform::Platform& platform_;
  std::wstring folder_;
  std::vector<std::wstring> fileNames_;
};

// One repair run's backup file. Begin creates "Backup_<stamp>_0.reg" with the
// byte order mark and the header line; every Append is written and flushed
// before it returns; Finish adds the closing line feed and renames the file
// to carry the run's attempt count. A run cut short leaves a file that is a
// complete backup of everything deleted so far.
class CBackupFileWriter {
 public:
  explicit CBackupFileWriter(platform::Platform& p) : platform_(p) {}
  ~CBackupFileWriter();
  CBackupFileWriter(const CBackupFileWriter&) = delete;
  CBackupFileWriter& operator=(const CBackupFileWriter&) = delete;

  // Creates the file in the folder (ten-file rule first). False when the
  // folder is unknown or the file cannot be created, written or flushed.
  bool Begin(const std::wstring& folder, const std::wstring& stamp, int32_t maxBackups);
  bool IsOpen() const { return file_ != nullptr; }
  // Appends UTF-16LE text and flushes it to the disk.
  bool Append(const std::wstring& text);
  // Closes the file and renames it to "Backup_<stamp>_<attempts>.reg". When
  // the new name is taken the file keeps its name. Returns the final path.
  std::wstring Finish(int32_t attempts);
  const std::wstring& Path() const { return path_; }

 private:
  platform::Platform& platform_;
  std::unique_ptr<platform::IAppendFile> file_;
  std::wstring folder_;
  std::wstring stamp_;
  std::wstring path_;
};

}  // namespace repair
