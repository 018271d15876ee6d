// The shell resource scanners: recent documents, fonts, help files and
// sound events (categories 2, 6, 7, 8).
#pragma once
#include <string>

#include "scan/purvex_impl.h"

namespace NSTorvane {

class CPurvexRecentDocs : public CPurvexImpl {
 public:
  using CPurvexImpl::CPurvexImpl;
  void Scan() override;
};

class CPurvexFonts : public CPurvexImpl {
 public:
  using CPurvexImpl::CPurvexImpl;
  void Scan() override;
};

class CPurvexHelp : public CPurvexImpl {
 public:
  using CPurvexImpl::CPurvexImpl;
  void Scan() override;
};

class CPurvexSound : public CPurvexImpl {
 public:
  using CPurvexImpl::CPurvexImpl;
  void Scan() override;

 private:
  // Examines the ".Current" and ".Modified" keys below path, walking into
  // every other subkey.
  void WalkSoundKey(const std::wstring& path);
};

}  // namespace NSTorvane
