#include <gtest/gtest.h>

#include <windows.h>

#include <cwctype>
#include <string>

#include "gui/Handle.h"
#include "gui/ResString.h"
#include "resources/resource.h"

namespace {

// The string table is compiled by more than one resource compiler; escapes and leading blanks
// are where they differ.
TEST(StringTable, EscapedLineBreaksAreCrLf) {
  EXPECT_EQ(gui::LoadResString(IDS_START_FAILED), L"%s\r\n\r\nCommand: %s");
  EXPECT_EQ(gui::LoadResString(IDS_OPT_CONFLICT),
            L"Conflicting or redundant options: %s and %s\r\n\r\nAssuming %s\r\n(Equivalent to %s)");
}

TEST(StringTable, LeadingBlanksAreKept) {
  EXPECT_EQ(gui::LoadResString(IDS_PRODUCT_CAPTION), L" %s");
  EXPECT_EQ(gui::LoadResString(IDS_SESSION_CAPTION), L" %s: %s");
  EXPECT_EQ(gui::LoadResString(IDS_START_FAILED_CAPTION), L" %s: %s");
  EXPECT_EQ(gui::LoadResString(IDS_TERMINATED), L" (terminated)");
}

TEST(StringTable, EveryIdentifierHasItsText) {
  for (unsigned id : {IDS_PRODUCT_CAPTION, IDS_SESSION_CAPTION, IDS_START_FAILED_CAPTION, IDS_START_FAILED,
                      IDS_TERMINATED, IDS_EDITOR_FONT, IDS_REMOTE_PROCESS_ENDED, IDS_OPT_ENCODING, IDS_OPT_UNICODE,
                      IDS_OPT_UNICODE_MEANS, IDS_OPT_UNICODE2, IDS_OPT_UNICODE2_MEANS, IDS_OPT_CONFLICT,
                      IDS_OPT_INVALID_ENCODING, IDS_TEXT_EXCEEDS_CAPACITY, IDS_LIST_INDEX_OUT_OF_BOUNDS,
                      IDS_UNABLE_TO_INSERT_LINE, IDS_CANNOT_ASSIGN})
    EXPECT_NE(gui::LoadResString(id), L"") << "string " << id;
}

TEST(Resources, ProgramIconLoads) {
  gui::cIcon icon(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MARVESK)));
  EXPECT_TRUE(icon);
}

// The manifest is in force: the process gets version 6 of the common controls, which lives in
// the side-by-side store, not in the system directory (Wine's copy reports 5.81 as its version
// either way, so the path is what tells).
TEST(Resources, ManifestSelectsCommonControlsSix) {
  HMODULE comctl = ::LoadLibraryW(L"comctl32.dll");
  ASSERT_NE(comctl, nullptr);
  wchar_t path[MAX_PATH];
  DWORD length = ::GetModuleFileNameW(comctl, path, MAX_PATH);
  ::FreeLibrary(comctl);
  std::wstring file(path, length);
  for (wchar_t& c : file) c = static_cast<wchar_t>(::towlower(c));
  EXPECT_NE(file.find(L"common-controls"), std::wstring::npos) << "loaded from " << file;
}

// Windows gives a process without a manifest no DPI awareness at all.
TEST(Resources, ManifestMakesTheProcessDpiAware) {
  EXPECT_EQ(::GetAwarenessFromDpiAwarenessContext(::GetThreadDpiAwarenessContext()), DPI_AWARENESS_PER_MONITOR_AWARE);
}

}  // namespace
