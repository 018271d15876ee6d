#include "scan/scanners_com.h"

#include "platform/text.h"
#include "scan/scan_toolkit.h"
#include "scan/scan_types.h"
#include "scan/scanners_common.h"

namespace NSTorvane {

using NSRegKeyEx::CRegKeyEx;

namespace {

const std::wstring kClassesRoot = L"HKEY_CLASSES_ROOT";
const std::wstring kClsidRoot = L"HKEY_CLASSES_ROOT\\CLSID";
const std::wstring kHelperObjects =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\"
    L"Browser Helper Objects";
const std::wstring kToolbar = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";
const std::wstring kExtensions =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Extensions";
const std::wstring kInterfaceRoot = L"HKEY_CLASSES_ROOT\\Interface";
constexpr size_t kBracedClsidLength = 38;

}  // namespace

// ---- ActiveX and COM ----

void CPurvexActivexCom::Scan() {
  CPurvexImpl::Scan();
  PresenceCache presence(*this);
  if (!ScanClassKeys(presence) || !ScanClassIds(presence) || Cancelled()) return;
  ScanHelperObjects();
  ReportProgress(70);
  ScanToolbars();
  ReportProgress(90);
  ScanExtensions();
  ReportProgress(100);
}

bool CPurvexActivexCom::ScanClassKeys(PresenceCache& presence) {
  CRegKeyEx root(GetPlatform());
  if (!root.Open(kClassesRoot)) return false;
  WalkSubKeys(root, ShareOfPass(0.25, 0, false),
              [&](const std::wstring& name) { CheckClassKey(name, presence); });
  return true;
}

void CPurvexActivexCom::CheckClassKey(const std::wstring& name, PresenceCache& presence) {
  platform::Platform& p = GetPlatform();
  std::wstring icon;
  // The reads open the key themselves: a missing key fails them, with no
  // separate existence probe per class key.
  if (NSRegKeyEx::QueryStringJoined(p, L"", icon, {kClassesRoot, name, L"DefaultIcon"}) &&
      !icon.empty() && !presence.FileRef(icon)) {
    ReportProblem(kInvalidDefaultIcon, icon, kClassesRoot + L"\\" + name + L"\\DefaultIcon",
                  kWholeKey);
  }
  CheckVerbs(name, presence);
}

void CPurvexActivexCom::CheckVerbs(const std::wstring& name, PresenceCache& presence) {
  platform::Platform& p = GetPlatform();
  const std::wstring shellPath = kClassesRoot + L"\\" + name + L"\\shell";
  CRegKeyEx shell(p);
  if (!shell.Open(shellPath)) return;
  if (shell.subKeyCount == 0) {
    ReportProblem(kInvalidOrEmptyFileClass, L"", shellPath, kWholeKey);
    return;
  }
  WalkSubKeys(
      shell, NoProgress(),
      [&](const std::wstring& verb) {
        std::wstring command;
        if (NSRegKeyEx::QueryStringJoined(p, L"", command,
                                          {kClassesRoot, name, L"shell", verb, L"command"}) &&
            !command.empty() && !presence.CommandLine(command)) {
          ReportProblem(kInvalidAppOpenMode, command, shellPath + L"\\" + verb + L"\\command",
                        kWholeKey);
        }
      },
      ItemText::kNone);
}

bool CPurvexActivexCom::ScanClassIds(PresenceCache& presence) {
  platform::Platform& p = GetPlatform();
  CRegKeyEx clsid(p);
  if (!clsid.Open(kClsidRoot)) return false;
  WalkSubKeys(clsid, ShareOfPass(0.25, 25, false), [&](const std::wstring& id) {
    if (id.size() < kBracedClsidLength) return;
    std::wstring server;
    if (NSRegKeyEx::QueryStringJoined(p, L"", server, {kClsidRoot, id, L"InprocServer32"}) &&
        !server.empty() && !presence.CommandLine(server)) {
      ReportProblem(kInvalidActiveCom, server, kClsidRoot + L"\\" + id + L"\\InprocServer32", L"");
    }
  });
  return true;
}

void CPurvexActivexCom::ScanHelperObjects() {
  CRegKeyEx key(GetPlatform());
  if (!key.Open(kHelperObjects)) return;
  WalkSubKeys(key, NoProgress(), [&](const std::wstring& id) {
    if (!IsClsidRegistered(*this, id)) ReportProblem(kBHOIssue, L"", ItemPath(kHelperObjects, id), kWholeKey);
  });
}

void CPurvexActivexCom::ScanToolbars() {
  if (Cancelled()) return;
  platform::Platform& p = GetPlatform();
  CRegKeyEx key(p);
  if (!OpenForValueWalk(key, kToolbar)) return;
  WalkValueNames(key, NoProgress(), [&](const std::wstring& id) {
    if (IsClsidRegistered(*this, id)) return;
    std::wstring data;
    if (!NSRegKeyEx::QueryStringAt(p, kToolbar, id, data)) data.clear();
    ReportProblem(kIEToolBarIssue, data, kToolbar, id);
  });
}

void CPurvexActivexCom::ScanExtensions() {
  if (Cancelled()) return;
  CRegKeyEx key(GetPlatform());
  if (!key.Open(kExtensions)) return;
  WalkSubKeys(key, NoProgress(), [&](const std::wstring& name) {
    CRegKeyEx ext(GetPlatform());
    if (!key.OpenSubKey(name, ext)) return;
    const std::wstring path = kExtensions + L"\\" + name;
    // One text receives every successful read in turn.
    std::wstring text;
    for (const wchar_t* icon : {L"HotIcon", L"Icon"}) {
      if (ext.QueryStringValue(icon, text) && !text.empty() && !IsFileRefPresent(*this, text))
        ReportProblem(kIEExtensionIssue, text, path, icon);
    }
    if (!ext.QueryStringValue(L"ClsidExtension", text) && text.empty())
      ReportProblem(kIEExtensionIssue, L"", path, L"ClsidExtension");
    if (ext.QueryStringValue(L"Script", text) && !text.empty() && !IsEmptyOrPresent(*this, text))
      ReportProblem(kIEExtensionIssue, text, path, L"Script");
  });
}

// ---- type libraries ----

void CPurvexTypeLib::Scan() {
  CPurvexImpl::Scan();
  platform::Platform& p = GetPlatform();
  CRegKeyEx key(p);
  if (!OpenForValueWalk(key, kInterfaceRoot)) return;
  // Many interfaces name the same library: each is looked up once.
  PresenceCache libraries(*this);
  WalkSubKeys(
      key, EachPass(),
      [&](const std::wstring& id) {
        const std::wstring path = kInterfaceRoot + L"\\" + id + L"\\TypeLib";
        std::wstring lib;
        if (NSRegKeyEx::QueryStringAt(p, path, L"", lib) && !lib.empty() &&
            !libraries.TypeLibRegistered(lib)) {
          ReportProblem(kMissingTypeLibRef, lib, path, L"");
        }
      },
      ItemText::kNone);
  ReportProgress(100);
}

}  // namespace NSTorvane
