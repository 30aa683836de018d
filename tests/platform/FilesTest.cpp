// The file, lock, signal and system calls of the platform layer, as every system must give
// them. These tests also run on Windows (under Wine here), with GoogleTest alone: they use
// nothing of tests/support.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <set>
#include <thread>

#include "base/AppPaths.h"
#include "base/Os.h"
#include "errors/AppError.h"
#include "platform/FileIO.h"
#include "platform/Registry.h"
#include "platform/StopSignals.h"
#include "platform/TextFiles.h"
#include "platform/ado/ConnStr.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace pf;
namespace fs = std::filesystem;

namespace {

// A fresh folder under the system's temporary folder, removed afterwards.
class Folder {
 public:
  Folder() {
    std::random_device rd;
    path_ = Os::Utf8(fs::temp_directory_path() / ("pf-files-" + std::to_string(rd()) + std::to_string(rd())));
    fs::create_directories(Os::Path(path_));
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(Os::Path(path_), ec);
  }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // The names in the folder (UTF-8), so that a file made under a wrong name shows.
  std::set<std::string> Names(const std::string& sub = {}) const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(Os::Path(sub.empty() ? path_ : path_ + "/" + sub)))
      names.insert(Os::Utf8(e.path().filename()));
    return names;
  }

 private:
  std::string path_;
};

}  // namespace

// Bytes go to and come from files unchanged: no line ends rewritten, no end-of-file byte.
TEST(Files, BytesAreKeptExactly) {
  Folder dir;
  const std::string bytes(
      "a\r\nb\nc\r\r\n\x1A"
      "d\0e\n",
      12);
  FileIO::WriteAtomic(dir / "raw.bin", bytes);
  EXPECT_EQ(FileIO::ReadBytes(dir / "raw.bin"), bytes);
  EXPECT_EQ(fs::file_size(Os::Path(dir / "raw.bin")), bytes.size());
  // UTF-16 text holds 0x0A bytes inside its characters.
  TextFiles::WriteText(dir / "text.cls", "line 1\r\nline \xC4\x8A\r\n", "Unicode");
  EXPECT_EQ(TextFiles::ReadText(dir / "text.cls", ""), "line 1\r\nline \xC4\x8A\r\n");
}

// A write replaces an existing file, alone or as a pair, and leaves no temporary behind.
TEST(Files, WritesReplaceExistingFiles) {
  Folder dir;
  FileIO::WriteAtomic(dir / "Class.cls", "old class");
  FileIO::WriteAtomic(dir / "Class.cls", "new class");
  EXPECT_EQ(FileIO::ReadBytes(dir / "Class.cls"), "new class");
  FileIO::WriteAtomic(dir / "Module.bas", "old module");
  FileIO::WriteAtomicAll({{dir / "Class.cls", "class 2"}, {dir / "Module.bas", "module 2"}});
  EXPECT_EQ(FileIO::ReadBytes(dir / "Class.cls"), "class 2");
  EXPECT_EQ(FileIO::ReadBytes(dir / "Module.bas"), "module 2");
  // A pair whose second file cannot be written leaves the first as it was.
  fs::create_directory(Os::Path(dir / "Folder.bas"));
  EXPECT_THROW(FileIO::WriteAtomicAll({{dir / "Class.cls", "class 3"}, {dir / "Folder.bas", "x"}}), AppError);
  EXPECT_EQ(FileIO::ReadBytes(dir / "Class.cls"), "class 2");
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"Class.cls", "Folder.bas", "Module.bas"}));
}

namespace {
// The id of a process that has ended. On Windows its handle is kept open, so that the id is
// not given to another process while the test runs (the system then says the process ended
// through its exit code); on Linux the child is reaped, so the id names no process at all.
class EndedProcess {
 public:
  EndedProcess() {
#ifdef _WIN32
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(exe) + L"\" --gtest_filter=-*";
    STARTUPINFOW si{};  // no standard streams: the child's output is not the test's
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    WaitForSingleObject(process_, 60000);
    id_ = pi.dwProcessId;
#else
    const pid_t pid = fork();
    if (pid == 0) _exit(0);
    waitpid(pid, nullptr, 0);
    id_ = static_cast<unsigned long>(pid);
#endif
  }
  ~EndedProcess() {
#ifdef _WIN32
    if (process_) CloseHandle(process_);
#endif
  }
  std::string Id() const { return std::to_string(id_); }

 private:
  unsigned long id_ = 0;
#ifdef _WIN32
  HANDLE process_ = nullptr;
#endif
};
}  // namespace

// What a killed write left beside its target (its temporary file, named with its process
// id) is removed by the next write of that target. The file of a process that still runs, a
// name of another form, another target's file and a folder stay.
TEST(Files, TemporariesOfEndedProcessesAreRemoved) {
  Folder dir;
  const EndedProcess ended;
  ASSERT_NE(ended.Id(), "0");
  EXPECT_TRUE(Os::ProcessEnded(std::stoul(ended.Id())));
  EXPECT_FALSE(Os::ProcessEnded(Os::ProcessId()));
  const std::string running = std::to_string(Os::ProcessId());
  // 2147483644: an id no process has (Linux's ids stay below 2^22, Windows' are far smaller).
  const std::set<std::string> removed = {"C.cls.tmp-" + ended.Id() + "-a1b2c3", "C.cls.tmp-2147483644-zzzzzz"};
  const std::set<std::string> kept = {"C.cls.tmp-" + running + "-a1b2c3", "C.cls.tmp-abcdef",
                                      "C.cls.tmp-" + ended.Id() + "-a1b2", "C.cls.tmp-99999999999999999999-abcdef",
                                      "D.cls.tmp-" + ended.Id() + "-a1b2c3"};
  for (const std::string& name : removed) FileIO::WriteAtomic(dir / name, "partial");
  for (const std::string& name : kept) FileIO::WriteAtomic(dir / name, "other");
  const std::string folder = "C.cls.tmp-" + ended.Id() + "-folder";
  fs::create_directory(Os::Path(dir / folder));
  EXPECT_TRUE(Os::OwnRegularFile(dir / *removed.begin()));
  EXPECT_FALSE(Os::OwnRegularFile(dir / folder));
  FileIO::WriteAtomic(dir / "C.cls", "class");
  std::set<std::string> expected = kept;
  expected.insert({"C.cls", folder});
  EXPECT_EQ(dir.Names(), expected);
}

// Files are told apart by their identity, and one file is known under every spelling.
TEST(Files, SameFileByIdentity) {
  Folder dir;
  fs::create_directory(Os::Path(dir / "sub"));
  FileIO::WriteAtomic(dir / "a.PFG", "a");
  FileIO::WriteAtomic(dir / "b.cls", "b");
  EXPECT_FALSE(FileIO::SameFile(dir / "a.PFG", dir / "b.cls"));
  EXPECT_TRUE(FileIO::SameFile(dir / "a.PFG", dir / "sub/../a.PFG"));
  EXPECT_TRUE(FileIO::SameFile(dir / "a.PFG", dir / "./a.PFG"));
  EXPECT_NO_THROW(FileIO::CheckOutput(dir / "b.cls", {dir / "a.PFG"}));
  EXPECT_THROW(FileIO::CheckOutput(dir / "sub/../a.PFG", {dir / "a.PFG"}), AppError);
  // Two missing files are one when their paths are.
  EXPECT_TRUE(FileIO::SameFile(dir / "new.cls", dir / "sub/../new.cls"));
  EXPECT_FALSE(FileIO::SameFile(dir / "new.cls", dir / "new.bas"));
  // The identity changes when a file is replaced, which tells a reader the file was saved.
  Os::Info before, after;
  ASSERT_TRUE(Os::Stat(dir / "a.PFG", before));
  FileIO::WriteAtomic(dir / "a.PFG", "a2");
  ASSERT_TRUE(Os::Stat(dir / "a.PFG", after));
  EXPECT_NE(before.Index, after.Index);
}

// Names outside ASCII (and outside any one-byte code page) are kept as they are.
TEST(Files, PathsOutsideAscii) {
  Folder dir;
  const std::string folder = "d\xC3\xA9", name = "\xC3\xBC\xE6\x97\xA5\xE6\x9C\xAC.PFG";  // dé, ü日本.PFG
  fs::create_directory(Os::Path(dir / folder));
  const std::string path = dir / (folder + "/" + name);
  TextFiles::WriteText(path, "<Settings/>", "UTF-8");
  EXPECT_EQ(dir.Names(folder), std::set<std::string>{name});
  EXPECT_EQ(TextFiles::ReadText(path, "UTF-8"), "<Settings/>");
  EXPECT_EQ(FileIO::KindOf(path), FileIO::FileKind::Regular);
  EXPECT_EQ(FileIO::KindOf(dir / folder), FileIO::FileKind::Folder);
  EXPECT_TRUE(Os::FileMatches(dir / (folder + "/*.PFG")));
  EXPECT_FALSE(Os::FileMatches(dir / (folder + "/*.cls")));
  EXPECT_TRUE(Os::Writable(dir / folder));
  EXPECT_EQ(Os::Utf8(Os::Path(path)), path);
  try {
    FileIO::ReadBytes(dir / (folder + "/missing-\xC3\xBC.PFG"));
    ADD_FAILURE() << "a missing file read";
  } catch (const AppError& e) {
    EXPECT_NE(e.Description.find("missing-\xC3\xBC.PFG"), std::string::npos) << e.Description;
  }
}

// A second holder of a folder's lock waits until the first lets go, or as long as it was told.
TEST(Files, FolderLockWaits) {
  Folder dir;
  fs::create_directory(Os::Path(dir / "sub"));
  std::atomic<bool> released{false}, secondHeld{false};
  std::thread second;
  {
    const FileIO::FileLock first(dir / "Profile.PFG", true);
    // A bounded wait ends holding nothing.
    std::thread([&] { EXPECT_FALSE(FileIO::FileLock(dir / "Profile.PFG", true, 50).Held()); }).join();
    second = std::thread([&] {
      const FileIO::FileLock lock(dir / "sub/../Profile.PFG", true);
      secondHeld = true;
      EXPECT_TRUE(released.load());
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(secondHeld.load());
    released = true;
  }
  second.join();
  EXPECT_TRUE(secondHeld.load());
}

namespace {
std::atomic<int> gCancelled{0};
void Cancel() { ++gCancelled; }
}  // namespace

// Ctrl+C inside a scope is recorded and cancels waiting work; the program then ends on its own.
TEST(Files, InterruptIsRecorded) {
  StopSignals::SetCancelHook(Cancel);
  {
    const StopSignals::Scope scope;
    StopSignals::Deliver(SIGINT);
    for (int i = 0; i < 50 && (!StopSignals::Received() || !gCancelled); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(StopSignals::Received(), SIGINT);
    EXPECT_EQ(StopSignals::ExitStatus(StopSignals::Received()), 130);
  }
  StopSignals::SetCancelHook(nullptr);
  EXPECT_EQ(gCancelled.load(), 1);
}

TEST(Files, SystemServices) {
  EXPECT_FALSE(Os::ComputerName().empty());
  EXPECT_NE(Os::ComputerName(), "?");
  const std::string own = AppPaths::ProgramFolder();
  EXPECT_EQ(own.find('\\'), std::string::npos) << own;
  EXPECT_EQ(FileIO::KindOf(own), FileIO::FileKind::Folder);
#ifdef _WIN32
  wchar_t exe[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
  EXPECT_EQ(own, Os::Utf8(fs::path(std::wstring(exe, n)).parent_path()));
  EXPECT_TRUE(Os::LogError("Procforge", "A test of the error log"));
#endif
}

#ifdef _WIN32
// The connection source of a class is read from the registry's 32-bit view, where a Visual
// Basic 6 program finds it.
TEST(Files, RegistryStrings) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Procforge Test", 0, nullptr, 0,
                            KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const std::wstring conn = L"Provider=SQLOLEDB;Data Source=C:\\Data\\d\u00E9;Initial Catalog=\u65E5\u672C";
  RegSetValueExW(key, L"Conn", 0, REG_SZ, reinterpret_cast<const BYTE*>(conn.c_str()),
                 static_cast<DWORD>((conn.size() + 1) * sizeof(wchar_t)));
  RegSetValueExW(key, L"Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>("\1\0\0\0"), 4);
  RegCloseKey(key);
  EXPECT_EQ(Registry::ReadLocalMachineString("Software/Procforge Test", "conn"),
            "Provider=SQLOLEDB;Data Source=C:\\Data\\d\xC3\xA9;Initial Catalog=\xE6\x97\xA5\xE6\x9C\xAC");
  try {
    Registry::ReadLocalMachineString("Software\\Procforge Test", "Count");
    ADD_FAILURE() << "a number read as a string";
  } catch (const AppError& e) {
    EXPECT_EQ(e.Description, "Failed to read registry value. Value Name: Count");
  }
  try {
    Registry::ReadLocalMachineString("Software\\Procforge Missing", "Conn");
    ADD_FAILURE() << "a missing key read";
  } catch (const AppError& e) {
    EXPECT_EQ(e.Description, "Failed to open Registry key: Software\\Procforge Missing");
  }
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Procforge Test", KEY_WOW64_32KEY, 0);
}
#endif

#ifdef _WIN32
namespace {
// The drivers a Windows machine has installed, as the driver manager would list them.
std::vector<std::string> gInstalled;
std::string FakeFindDriver(std::string_view prefix) {
  for (const std::string& d : gInstalled)
    if (d.size() >= prefix.size() && _strnicmp(d.c_str(), std::string(prefix).c_str(), prefix.size()) == 0) return d;
  return {};
}
std::string Odbc(const std::string& oledb) { return ado::ConnStr::Translate(oledb, FakeFindDriver).OdbcString; }
}  // namespace

// OLE DB strings go to the Windows driver that is installed, the newest first.
TEST(Files, WindowsDriversForOleDbStrings) {
  const std::string sql = "Provider=SQLOLEDB;Data Source=sql01,1433;Initial Catalog=Sales;User ID=gen;Password=pw";
  gInstalled = {"SQL Server",
                "ODBC Driver 17 for SQL Server",
                "ODBC Driver 18 for SQL Server",
                "Microsoft Access Driver (*.mdb, *.accdb)",
                "Oracle in instantclient_21_13",
                "Adaptive Server Enterprise"};
  EXPECT_EQ(Odbc(sql), "Driver={ODBC Driver 18 for SQL Server};Server=sql01,1433;Database=Sales;UID=gen;PWD=pw");
  EXPECT_EQ(Odbc("Provider=SQLNCLI11;Server=(local);Integrated Security=SSPI;User ID=ignored"),
            "Driver={ODBC Driver 18 for SQL Server};Server=(local);Trusted_Connection=Yes");
  EXPECT_EQ(Odbc("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Data\\Orders.mdb"),
            "Driver={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=C:\\Data\\Orders.mdb");
  EXPECT_EQ(Odbc("Provider=OraOLEDB.Oracle;Data Source=SALES;User ID=s;Password=p"),
            "Driver={Oracle in instantclient_21_13};DBQ=SALES;UID=s;PWD=p");
  EXPECT_EQ(Odbc("Provider=Sybase.ASEOLEDBProvider;Data Source=ase1:5000;Initial Catalog=orders"),
            "Driver={Adaptive Server Enterprise};Server=ase1;Port=5000;Database=orders");
  gInstalled = {"SQL Server"};
  EXPECT_EQ(Odbc(sql), "Driver={SQL Server};Server=sql01,1433;Database=Sales;UID=gen;PWD=pw");
  gInstalled = {"PostgreSQL Unicode"};
  for (const auto& [oledb, install] :
       {std::pair<std::string, std::string>{sql, "ODBC Driver 18 for SQL Server"},
        {"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=a.accdb", "Access Database Engine"},
        {"Provider=MSDAORA;Data Source=x", "Instant Client"}}) {
    try {
      Odbc(oledb);
      ADD_FAILURE() << oledb << " translated without its driver";
    } catch (const std::exception& e) {
      EXPECT_NE(std::string(e.what()).find(install), std::string::npos) << e.what();
    }
  }
}
#endif
