// The product files step on the real system: the console archiver written
// from the installer's resources, payloads made by 7zz at build time, the
// install root on a mapped drive, and the real main window, whose status
// label and gauge are watched while the step runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/installer_state.h"
#include "payload/resources.h"
#include "steps/product_files.h"
#include "support/harness.h"
#include "support/test_window.h"
#include "ui/controls.h"
#include "util/file_helpers.h"
#include "util/installer_error.h"
#include "util/scoped_handle.h"

namespace tarifex::test {
namespace {

std::wstring PayloadFixture(const std::wstring& name) { return FixturePath(L"product-files\\" + name); }
std::string PackedBytes(const std::wstring& member) { return ReadFile(FixturePath(L"product-files\\src\\" + member)); }

// What the status label showed, each text with the gauge position at that moment.
struct StatusText {
  std::wstring text;
  int gauge;
  bool operator==(const StatusText&) const = default;
};

// Watches lbl_1 and g1 through their window procedures while it lives.
class WindowWatch {
 public:
  explicit WindowWatch(TfrmMain& window)
      : label_(window.Handle(Control::lbl_1)), gauge_(window.Handle(Control::g1)) {
    active_ = this;
    labelProc_ = WNDPROC(SetWindowLongPtrW(label_, GWLP_WNDPROC, LONG_PTR(&Label)));
    gaugeProc_ = WNDPROC(SetWindowLongPtrW(gauge_, GWLP_WNDPROC, LONG_PTR(&Gauge)));
  }
  ~WindowWatch() {
    SetWindowLongPtrW(label_, GWLP_WNDPROC, LONG_PTR(labelProc_));
    SetWindowLongPtrW(gauge_, GWLP_WNDPROC, LONG_PTR(gaugeProc_));
    active_ = nullptr;
  }
  WindowWatch(const WindowWatch&) = delete;
  WindowWatch& operator=(const WindowWatch&) = delete;

  std::vector<StatusText> texts;
  std::vector<int> positions;
  std::vector<int> maxima;

 private:
  static LRESULT CALLBACK Label(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_SETTEXT) {
      const int gauge = int(SendMessageW(active_->gauge_, kGaugeGetProgress, 0, 0));
      active_->texts.push_back({reinterpret_cast<const wchar_t*>(lp), gauge});
    }
    return CallWindowProcW(active_->labelProc_, hwnd, message, wp, lp);
  }
  static LRESULT CALLBACK Gauge(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if (message == kGaugeSetProgress) active_->positions.push_back(int(wp));
    if (message == kGaugeSetMax) active_->maxima.push_back(int(wp));
    return CallWindowProcW(active_->gaugeProc_, hwnd, message, wp, lp);
  }

  static inline WindowWatch* active_ = nullptr;
  HWND label_;
  HWND gauge_;
  WNDPROC labelProc_ = nullptr;
  WNDPROC gaugeProc_ = nullptr;
};

FILETIME LastWriteTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

void SetLastWriteTime(const std::wstring& path, const FILETIME& time) {
  ScopedFile file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(file) << Utf8(path);
  ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &time));
}

constexpr wchar_t kCopying[] = L"Копирую файл: \r";

const std::vector<std::wstring> kCategoryTexts = {
    L"Копирую PIC: \rBMP", L"Копирую PIC: \rGIF",  L"Копирую PIC: \rJPG",  L"Копирую PIC: \rJPEG",
    L"Копирую PIC: \rTIF", L"Копирую RBC \r ",     L"Копирую базу \rDB",   L"Копирую базу \rMB",
    L"Копирую базу \rXG",  L"Копирую базу \rYG",   L"Копирую базу \rFAM",  L"Копирую базу \rPX",
};

class ProductFilesStep : public testing::Test {
 protected:
  void SetUp() override {
    State() = InstallerState{};
    State().PayloadPassword = kPayloadPassword;
    State().MainExeName = kMainExeName;
    State().InstallRoot = root_;
    State().WorkFolder = root_ + L"Tarifex\\tmp\\";
    EnsureFolder(State().WorkFolder);
    SaveResourceToFile(L"sz", State().WorkFolder + L"sz.exe");
    SaveResourceToFile(L"7zdll", State().WorkFolder + L"7z.dll");
    SaveResourceToFile(L"7zipdll", State().WorkFolder + L"7-zip.dll");
    window_.SetVisible(Control::g1, false);
    window_.SetGaugeMax(100);
    window_.SetGaugeProgress(50);
  }

  void Put(const std::wstring& relative, const std::string& bytes) {
    EnsureFolder(root_ + relative.substr(0, relative.rfind(L'\\') + 1));
    WriteFile(root_ + relative, bytes);
  }
  std::string Installed(const std::wstring& relative) {
    return Present(relative) ? ReadFile(root_ + relative) : "<missing>";
  }
  // Every file below the install root, for failure messages.
  std::string Listing(const std::wstring& relative = L"") {
    std::string text;
    WIN32_FIND_DATAW data{};
    ScopedFind find(FindFirstFileW((root_ + relative + L"*").c_str(), &data));
    for (bool more = bool(find); more; more = FindNextFileW(find.get(), &data)) {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        text += Listing(relative + name + L"\\");
      } else {
        text += Utf8(relative + name) + "\n";
      }
    }
    return text;
  }
  bool Present(const std::wstring& relative) { return FileExists(root_ + relative); }

  void ExpectFinishedWindow() {
    EXPECT_FALSE(window_.Visible(Control::g1));
    EXPECT_EQ(window_.GaugeProgress(), 0);
    EXPECT_EQ(window_.Text(Control::lbl_1), L"");
  }

  ScopedCurrentFolder keepFolder_;
  TempDir temp_;
  ScopedDrive drive_{L'P', temp_.path()};
  const std::wstring root_ = drive_.root() + L"LUM\\";
  TfrmMain& window_ = TestWindow();
};

TEST_F(ProductFilesStep, FreshInstallPutsMembersAndCategoriesInPlace) {
  InstallProductFilesFrom(PayloadFixture(L"full.lum"));
  SCOPED_TRACE("installed:\n" + Listing());

  struct Placed {
    const wchar_t* member;
    const wchar_t* installedAs;
  };
  for (const Placed& p : {Placed{L"TARIFEX.exe", L"TARIFEX\\TARIFEX.exe"},
                          {L"A.DLL", L"TARIFEX\\B.DLL"},
                          {L"lower.dll", L"Tarifex\\LOWER.DLL"},
                          {L"keep.ini", L"TARIFEX\\keep.ini"},  // kept only when present: here it is new
                          {L"hexkeep.ini", L"TARIFEX\\hexkeep.ini"},
                          {L"notnum.ini", L"TARIFEX\\notnum.ini"},
                          {L"nested.dll", L"TARIFEX\\bin\\x64\\nested.dll"},
                          {L"loose.txt", L"loose.txt"},
                          {L"Справка.txt", L"Справка.txt"},
                          {L"LOGO.BMP", L"TARIFEX\\PIC\\LOGO.BMP"},
                          {L"b.GIF", L"TARIFEX\\PIC\\b.GIF"},
                          {L"c.jpg", L"TARIFEX\\PIC\\c.jpg"},
                          {L"d.jpeg", L"TARIFEX\\PIC\\d.jpeg"},
                          {L"e.tif", L"TARIFEX\\PIC\\e.tif"},
                          {L"pics\\deep.gif", L"TARIFEX\\PIC\\pics\\deep.gif"},
                          {L"rep.rbc", L"TARIFEX\\RBC\\rep.rbc"},
                          {L"T.DB", L"Data\\NSIData\\T.DB"},
                          {L"T.MB", L"Data\\NSIData\\T.MB"},
                          {L"T.PX", L"Data\\NSIData\\T.PX"},
                          {L"T.XG0", L"Data\\NSIData\\T.XG0"},
                          {L"T.YG1", L"Data\\NSIData\\T.YG1"},
                          {L"T.FAM", L"Data\\NSIData\\T.FAM"}}) {
    SCOPED_TRACE(Utf8(p.installedAs));
    EXPECT_EQ(Installed(p.installedAs), PackedBytes(p.member));
  }
  // lower.dll -> LOWER.DLL differs in letter case only; Wine keeps the stored
  // name on such a rename, so only the content under the new name is checked.
  EXPECT_FALSE(Present(L"TARIFEX\\A.DLL"));

  // Skipped names reach the disk only through a category, and these have none.
  for (const wchar_t* absent : {L"TARIFEX\\LOGO.BMP", L"LOGO.BMP", L"INDEX.HTML", L"NOTES.DBF", L"TARIFEX\\PIC\\NOTES.DBF",
                                L"Data\\NSIData\\NOTES.DBF", L"htm\\page.htm", L"TARIFEX\\htm\\page.htm",
                                L"TARIFEX\\PIC\\htm\\page.htm"}) {
    EXPECT_FALSE(Present(absent)) << Utf8(absent);
  }

  EXPECT_EQ(Installed(L"TARIFEX\\txTopics.lum"), ReadFile(PayloadFixture(L"full.lum")));
  EXPECT_FALSE(Present(L"TARIFEX\\txTopics.lum.old"));
  // The manifests stay in the work folder for the clean-up.
  EXPECT_TRUE(Present(L"Tarifex\\tmp\\resinfo.ini"));
  EXPECT_TRUE(Present(L"Tarifex\\tmp\\verinfo.ini"));
  ExpectFinishedWindow();
}

TEST_F(ProductFilesStep, StatusTextsFollowTheGaugeAndSkipLeftOutMembers) {
  State().EditionSuffix = L" Сеть";
  WindowWatch watch(window_);

  InstallProductFilesFrom(PayloadFixture(L"full.lum"));

  std::vector<StatusText> expected = {{L"Пожалуйста подождите, идет установка \"Тарифэкс Сеть\"", 0}};
  const std::pair<int, std::wstring> members[] = {
      {0, L"TARIFEX\\TARIFEX.exe"}, {1, L"TARIFEX\\B.DLL"},      {2, L"Tarifex\\LOWER.DLL"},
      {3, L"TARIFEX\\keep.ini"},    {4, L"TARIFEX\\hexkeep.ini"}, {5, L"TARIFEX\\notnum.ini"},
      {6, L"TARIFEX\\bin\\x64\\nested.dll"}, {7, L"loose.txt"},  {8, L"Справка.txt"}};
  for (const auto& [index, path] : members) expected.push_back({kCopying + root_ + path, index});
  // Members 9 to 11 are skipped: the gauge moves on, the label keeps its text.
  for (const std::wstring& text : kCategoryTexts) expected.push_back({text, 11});
  // The last member that passed the skip test went to the install root itself.
  expected.push_back({kCopying + root_ + L"txTopics.lum", 11});
  expected.push_back({L"", 11});
  EXPECT_EQ(watch.texts, expected);

  EXPECT_EQ(watch.maxima, std::vector<int>{12});
  EXPECT_EQ(watch.positions, (std::vector<int>{0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0}));
  ExpectFinishedWindow();
}

TEST_F(ProductFilesStep, ReinstallKeepsReadOnlyMembersAndRemovesStaleFiles) {
  const FILETIME old{0x12345678, 0x01C00000};  // some day in 1999
  Put(L"TARIFEX\\keep.ini", "user settings");
  SetLastWriteTime(root_ + L"TARIFEX\\keep.ini", old);
  Put(L"TARIFEX\\hexkeep.ini", "user hex settings");
  Put(L"TARIFEX\\notnum.ini", "old notnum");
  Put(L"TARIFEX\\B.DLL", "old B");
  Put(L"Tarifex\\TX.exe", "old TX");
  Put(L"Tarifex\\TXhv.exe", "old TXhv");
  Put(L"Tarifex\\ZedOv.exe", "other edition");
  Put(L"Tarifex\\Updates.ini", "[Updates]");
  Put(L"Tarifex\\htm\\old.htm", "old page");
  Put(L"Tarifex\\htm\\verinfo.ini", "[VersionData]");
  Put(L"Tarifex\\htm\\sub\\inner.htm", "inner page");
  Put(L"TARIFEX\\txTopics.lum", "old payload");
  ASSERT_TRUE(SetFileAttributesW((root_ + L"TARIFEX\\txTopics.lum").c_str(), FILE_ATTRIBUTE_READONLY));

  InstallProductFilesFrom(PayloadFixture(L"full.lum"));

  EXPECT_EQ(Installed(L"TARIFEX\\keep.ini"), "user settings");
  const FILETIME after = LastWriteTime(root_ + L"TARIFEX\\keep.ini");
  EXPECT_EQ(CompareFileTime(&after, &old), 0) << "the kept file was rewritten";
  EXPECT_EQ(Installed(L"TARIFEX\\hexkeep.ini"), "user hex settings");
  EXPECT_EQ(Installed(L"TARIFEX\\notnum.ini"), PackedBytes(L"notnum.ini"));
  EXPECT_EQ(Installed(L"TARIFEX\\B.DLL"), PackedBytes(L"A.DLL"));

  for (const wchar_t* gone : {L"Tarifex\\TX.exe", L"Tarifex\\TXhv.exe", L"Tarifex\\ZedOv.exe", L"Tarifex\\Updates.ini",
                              L"Tarifex\\htm\\old.htm", L"Tarifex\\htm\\verinfo.ini"}) {
    EXPECT_FALSE(Present(gone)) << Utf8(gone);
  }
  EXPECT_EQ(Installed(L"Tarifex\\htm\\sub\\inner.htm"), "inner page");
  EXPECT_TRUE(Present(L"TARIFEX\\TARIFEX.exe"));

  // The read-only old payload could not be deleted: it was moved aside.
  EXPECT_EQ(Installed(L"TARIFEX\\txTopics.lum.old"), "old payload");
  EXPECT_EQ(Installed(L"TARIFEX\\txTopics.lum"), ReadFile(PayloadFixture(L"full.lum")));
  ExpectFinishedWindow();
}

TEST_F(ProductFilesStep, UndeletableOldFileLeavesTheMemberUnderItsOwnName) {
  Put(L"TARIFEX\\B.DLL", "old B");
  // Open without delete sharing: neither deletion nor replacement can happen.
  ScopedFile lock(CreateFileW((root_ + L"TARIFEX\\B.DLL").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(lock);

  InstallProductFilesFrom(PayloadFixture(L"full.lum"));

  EXPECT_EQ(Installed(L"TARIFEX\\B.DLL"), "old B");
  EXPECT_EQ(Installed(L"TARIFEX\\A.DLL"), PackedBytes(L"A.DLL"));
  EXPECT_EQ(Installed(L"TARIFEX\\TARIFEX.exe"), PackedBytes(L"TARIFEX.exe"));
  ExpectFinishedWindow();
}

TEST_F(ProductFilesStep, EmptyListStillRunsCategoriesCopyAndCleanUp) {
  Put(L"Tarifex\\Updates.ini", "[Updates]");
  WindowWatch watch(window_);

  InstallProductFilesFrom(PayloadFixture(L"empty-list.lum"));

  EXPECT_EQ(watch.maxima, std::vector<int>{0});
  std::vector<StatusText> expected = {{L"Пожалуйста подождите, идет установка \"Тарифэкс\"", 0}};
  for (const std::wstring& text : kCategoryTexts) expected.push_back({text, 0});
  expected.push_back({std::wstring(kCopying) + L"txTopics.lum", 0});
  expected.push_back({L"", 0});
  EXPECT_EQ(watch.texts, expected);

  EXPECT_FALSE(Present(L"TARIFEX\\TARIFEX.exe"));
  EXPECT_EQ(Installed(L"TARIFEX\\PIC\\LOGO.BMP"), PackedBytes(L"LOGO.BMP"));
  EXPECT_EQ(Installed(L"Data\\NSIData\\T.FAM"), PackedBytes(L"T.FAM"));
  EXPECT_EQ(Installed(L"TARIFEX\\txTopics.lum"), ReadFile(PayloadFixture(L"empty-list.lum")));
  EXPECT_FALSE(Present(L"Tarifex\\Updates.ini"));
  ExpectFinishedWindow();
}

TEST_F(ProductFilesStep, WithoutVersionFileMembersGoToTheRootUnderTheirNames) {
  InstallProductFilesFrom(PayloadFixture(L"no-version.lum"));

  for (const wchar_t* member : {L"TARIFEX.exe", L"A.DLL", L"keep.ini"}) {
    EXPECT_EQ(Installed(member), PackedBytes(member)) << Utf8(member);
  }
  EXPECT_FALSE(Present(L"TARIFEX\\TARIFEX.exe"));
  EXPECT_FALSE(Present(L"B.DLL"));
  EXPECT_EQ(Installed(L"TARIFEX\\txTopics.lum"), ReadFile(PayloadFixture(L"no-version.lum")));
  ExpectFinishedWindow();
}

TEST_F(ProductFilesStep, MissingMemberListEndsTheStepBeforeTheGauge) {
  // A list left from an earlier run must not stand in for the payload's.
  Put(L"Tarifex\\tmp\\resinfo.ini", "TARIFEX.exe\r\n");
  window_.SetText(Control::lbl_1, L"before");

  try {
    InstallProductFilesFrom(PayloadFixture(L"no-list.lum"));
    ADD_FAILURE() << "no error for a payload without resinfo.ini";
  } catch (const InstallerError& e) {
    EXPECT_NE(e.text().find(root_ + L"Tarifex\\tmp\\resinfo.ini"), std::wstring::npos) << Utf8(e.text());
  }
  EXPECT_FALSE(window_.Visible(Control::g1));
  EXPECT_EQ(window_.Text(Control::lbl_1), L"before");
  EXPECT_FALSE(Present(L"TARIFEX\\TARIFEX.exe"));
  EXPECT_FALSE(Present(L"TARIFEX.exe"));
}

TEST_F(ProductFilesStep, PayloadCopyThatFailsRaisesAndStopsBeforeTheCleanUp) {
  Put(L"TARIFEX\\txTopics.lum", "locked payload");
  Put(L"TARIFEX\\txTopics.lum.old", "older payload");
  Put(L"Tarifex\\Updates.ini", "[Updates]");
  ScopedFile lock(CreateFileW((root_ + L"TARIFEX\\txTopics.lum").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr));
  ASSERT_TRUE(lock);

  try {
    InstallProductFilesFrom(PayloadFixture(L"empty-list.lum"));
    ADD_FAILURE() << "no error for a payload copy that failed";
  } catch (const InstallerError& e) {
    EXPECT_NE(e.text().find(L"txTopics.lum"), std::wstring::npos) << Utf8(e.text());
  }
  lock.reset();
  EXPECT_EQ(Installed(L"TARIFEX\\txTopics.lum"), "locked payload");
  EXPECT_EQ(Installed(L"TARIFEX\\txTopics.lum.old"), "older payload");
  EXPECT_TRUE(Present(L"Tarifex\\Updates.ini"));
  // The step leaves the window as it was at the error: the gauge still shows.
  EXPECT_TRUE(window_.Visible(Control::g1));
}

struct EditionCase {
  const char* name;
  const wchar_t* mainExe;
  bool removesTarifexExe;
};

void PrintTo(const EditionCase& c, std::ostream* out) { *out << c.name; }

class ProductFilesEdition : public ProductFilesStep, public testing::WithParamInterface<EditionCase> {};

TEST_P(ProductFilesEdition, RemovesTheOtherEditionsExecutable) {
  State().MainExeName = GetParam().mainExe;
  Put(L"Tarifex\\TARIFEX.exe", "tarifex");
  Put(L"Tarifex\\ZedOv.exe", "zedov");

  InstallProductFilesFrom(PayloadFixture(L"empty-list.lum"));

  EXPECT_EQ(Present(L"Tarifex\\TARIFEX.exe"), !GetParam().removesTarifexExe);
  EXPECT_EQ(Present(L"Tarifex\\ZedOv.exe"), GetParam().removesTarifexExe);
}

INSTANTIATE_TEST_SUITE_P(MainExe, ProductFilesEdition,
                         testing::Values(EditionCase{"ZedOv", L"ZedOv.exe", true},
                                         EditionCase{"LowerCaseZedOvIsAnotherName", L"zedov.exe", false},
                                         EditionCase{"Tarifex", L"TARIFEX.exe", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarifex::test
