// Environment expansion, the search path and the shlwapi path-string
// functions, pinned on every backend.
#include "contract_backends.h"

namespace platform::contract {
namespace {

class ContractEnvironment : public ContractTest {};

TEST_P(ContractEnvironment, ExpandStringsLikeTheSystem) {
  backend_->SetVariable(L"LUMORA_CT_A", L"alpha");
  backend_->SetVariable(L"LUMORA_CT_UNDEF", L"");
  struct Case {
    std::wstring text, expanded;
  };
  const Case cases[] = {
      {L"%LUMORA_CT_A%", L"alpha"},
      {L"x%lumora_ct_a%y", L"xalphay"},
      {L"%LUMORA_CT_A%%LUMORA_CT_A%", L"alphaalpha"},
      {L"%LUMORA_CT_UNDEF%\\x", L"%LUMORA_CT_UNDEF%\\x"},
      // The closing '%' of an undefined name does not open the next one.
      {L"%LUMORA_CT_UNDEF%LUMORA_CT_A%", L"%LUMORA_CT_UNDEF%LUMORA_CT_A%"},
      {L"%LUMORA_CT_UNDEF%%LUMORA_CT_A%", L"%LUMORA_CT_UNDEF%alpha"},
      {L"100%", L"100%"},
      {L"%", L"%"},
      {L"a%b", L"a%b"},
      {L"%%", L"%%"},
      {L"50% of %LUMORA_CT_A%", L"50% of %LUMORA_CT_A%"},
      {L"", L""},
      {L"plain", L"plain"},
  };
  for (const auto& c : cases) {
    std::wstring out = L"junk";
    ASSERT_TRUE(Env().ExpandStrings(c.text, &out)) << ToUtf8(c.text);
    EXPECT_EQ(out, c.expanded) << ToUtf8(c.text);
  }
  const std::wstring longText(5000, L'y');
  backend_->SetVariable(L"LUMORA_CT_LONG", longText);
  std::wstring out;
  ASSERT_TRUE(Env().ExpandStrings(L"<%LUMORA_CT_LONG%>", &out));
  EXPECT_EQ(out, L"<" + longText + L">");
  std::wstring value;
  EXPECT_TRUE(Env().GetVariable(L"lumora_ct_a", &value));
  EXPECT_EQ(value, L"alpha");
  EXPECT_FALSE(Env().GetVariable(L"LUMORA_CT_UNDEF", &value));
}

TEST_P(ContractEnvironment, SearchPathLooksInTheCurrentFolderBeforePath) {
  const std::wstring name =
      Format(L"lumora_ct_%u_%ls.txt", backend_->UniqueNumber(), backend_->Real() ? L"w" : L"m");
  ASSERT_TRUE(Files().CreateFolder(Path(L"cur")));
  ASSERT_TRUE(Files().CreateFolder(Path(L"onpath")));
  ASSERT_TRUE(Files().WriteWholeFile(Path(L"onpath\\" + name), "p", 1));
  std::wstring path;
  Env().GetVariable(L"Path", &path);
  backend_->SetVariable(L"Path", Path(L"onpath") + L";" + path);
  backend_->SetCurrentFolder(Path(L"cur"));

  std::wstring found;
  ASSERT_TRUE(Env().SearchPath(name, &found));
  EXPECT_TRUE(EqualsNoCase(found, Path(L"onpath\\" + name))) << ToUtf8(found);

  ASSERT_TRUE(Files().WriteWholeFile(Path(L"cur\\" + name), "c", 1));
  ASSERT_TRUE(Env().SearchPath(name, &found));
  EXPECT_TRUE(EqualsNoCase(found, Path(L"cur\\" + name))) << ToUtf8(found);

  EXPECT_FALSE(Env().SearchPath(L"lumora_ct_absent.txt", &found));
  EXPECT_FALSE(Env().SearchPath(name.substr(0, name.size() - 4), &found))
      << "no extension is added";
  ASSERT_TRUE(Env().SearchPath(Path(L"onpath\\" + name), &found)) << "a full path is checked";
}

// Inputs and the answers of shlwapi's PathGetArgsW, PathRemoveArgsW,
// PathUnquoteSpacesW, PathRemoveFileSpecW and PathAddBackslashW, worked out
// from their documented (and Wine's) character-by-character rules.
struct PathCase {
  std::wstring input, args, noArgs, unquoted, noFileSpec, withBackslash;
};

const PathCase kPathCases[] = {
    {L"\"C:\\Program Files\\a.exe\" -x", L"-x", L"\"C:\\Program Files\\a.exe\"",
     L"\"C:\\Program Files\\a.exe\" -x", L"\"C:\\Program Files",
     L"\"C:\\Program Files\\a.exe\" -x\\"},
    {L"\"C:\\Program Files\\a.exe\"", L"", L"\"C:\\Program Files\\a.exe\"",
     L"C:\\Program Files\\a.exe", L"\"C:\\Program Files", L"\"C:\\Program Files\\a.exe\"\\"},
    {L"C:\\a\\b.exe ", L"", L"C:\\a\\b.exe", L"C:\\a\\b.exe ", L"C:\\a", L"C:\\a\\b.exe \\"},
    {L"C:\\a\\b.exe", L"", L"C:\\a\\b.exe", L"C:\\a\\b.exe", L"C:\\a", L"C:\\a\\b.exe\\"},
    {L"C:\\a\\b.exe /s  x", L"/s  x", L"C:\\a\\b.exe", L"C:\\a\\b.exe /s  x", L"C:\\a",
     L"C:\\a\\b.exe /s  x\\"},
    {L"\\\\server\\share\\x", L"", L"\\\\server\\share\\x", L"\\\\server\\share\\x",
     L"\\\\server\\share", L"\\\\server\\share\\x\\"},
    {L"\\\\server", L"", L"\\\\server", L"\\\\server", L"\\\\", L"\\\\server\\"},
    {L"C:\\", L"", L"C:\\", L"C:\\", L"C:\\", L"C:\\"},
    {L"C:\\a", L"", L"C:\\a", L"C:\\a", L"C:\\", L"C:\\a\\"},
    {L"C:\\a\\", L"", L"C:\\a\\", L"C:\\a\\", L"C:\\a", L"C:\\a\\"},
    {L"C:a.exe", L"", L"C:a.exe", L"C:a.exe", L"C:", L"C:a.exe\\"},
    {L"C:", L"", L"C:", L"C:", L"C:", L"C:\\"},
    {L"\\a", L"", L"\\a", L"\\a", L"\\", L"\\a\\"},
    {L"\\", L"", L"\\", L"\\", L"\\", L"\\"},
    {L"a", L"", L"a", L"a", L"", L"a\\"},
    {L"a b c", L"b c", L"a", L"a b c", L"", L"a b c\\"},
    {L" lead", L"lead", L"", L" lead", L"", L" lead\\"},
    {L"\"a b\"c d", L"d", L"\"a b\"c", L"\"a b\"c d", L"", L"\"a b\"c d\\"},
    {L"\"", L"", L"\"", L"", L"", L"\"\\"},
    {L"\"\"", L"", L"\"\"", L"", L"", L"\"\"\\"},
    {L"\"unclosed arg", L"", L"\"unclosed arg", L"\"unclosed arg", L"", L"\"unclosed arg\\"},
    {L"", L"", L"", L"", L"", L""},
};

TEST_P(ContractEnvironment, PathStringFunctionsGiveTheSystemsAnswers) {
  for (const auto& c : kPathCases) {
    const std::string in = "[" + ToUtf8(c.input) + "]";
    EXPECT_EQ(Env().PathGetArgs(c.input), c.args) << "PathGetArgs " << in;
    EXPECT_EQ(Env().PathRemoveArgs(c.input), c.noArgs) << "PathRemoveArgs " << in;
    EXPECT_EQ(Env().PathUnquoteSpaces(c.input), c.unquoted) << "PathUnquoteSpaces " << in;
    EXPECT_EQ(Env().PathRemoveFileSpec(c.input), c.noFileSpec) << "PathRemoveFileSpec " << in;
    EXPECT_EQ(Env().PathAddBackslash(c.input), c.withBackslash) << "PathAddBackslash " << in;
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, ContractEnvironment, testing::ValuesIn(Backends()),
                         BackendName);

}  // namespace
}  // namespace platform::contract
