// Saving while things go wrong: a read-only folder, a full disk, call.ini held
// by another program, and the saving process killed at random moments. Each
// time, the save either happened or says "保存失败！" and changes nothing, and
// call.ini is exactly one library that was written, never a mix and never
// missing; call.ini.bak is one written before it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "library/phrase_file.h"
#include "phrase_file_fault_support.h"
#include "phrase_file_test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#endif

namespace moravel {
namespace {

using testing::fileBytes;
using testing::libraryForRound;
using testing::libraryOf;
using testing::RecordingStatus;
using testing::roundOfFile;
using testing::TempFolder;
using testing::writeBytes;
using Status = std::vector<std::pair<int, std::string>>;
using Names = std::vector<std::string>;

void saveRound(const std::filesystem::path& file, long long round) {
  PhraseTree tree;
  fillTree(tree, libraryForRound(round));
  RecordingStatus status;
  ASSERT_EQ(save(tree, file, status), SaveResult::saved);
}

// A save that must fail: "保存失败！", the tree as it was.
bool saveFailsAndChangesNothing(const std::filesystem::path& file) {
  PhraseTree tree;
  fillTree(tree, {{"new", {"x", "y"}}});
  tree.setCurrentItem(2);
  RecordingStatus status;
  return save(tree, file, status) == SaveResult::failed &&
         status.calls == Status{{1, "保存失败！"}} &&
         libraryOf(tree) == Library{{"new", {"x", "y"}}} && tree.currentItem() == 2;
}

// Where a series of killed saves left the folder: call.ini exactly one round's
// library, not older than the last time; call.ini.bak an earlier round's.
void expectOneWholeLibrary(const TempFolder& folder, long long& lastRound) {
  const auto file = folder / "call.ini";
  ASSERT_TRUE(std::filesystem::exists(file)) << "call.ini missing after round " << lastRound;
  const long long round = roundOfFile(fileBytes(file));
  ASSERT_GE(round, lastRound) << "call.ini is no library written, or an older one";
  const long long backupRound = roundOfFile(fileBytes(folder / "call.ini.bak"));
  ASSERT_GE(backupRound, 0) << "call.ini.bak is no library written";
  ASSERT_LT(backupRound, round);
  lastRound = round;
}

#ifndef _WIN32

// Runs `check` as the unprivileged user "nobody" in a child process when we
// are root (root writes into any folder), else right here.
bool asUnprivilegedUser(const std::function<bool()>& check) {
  if (geteuid() != 0) return check();
  const pid_t child = fork();
  if (child == 0) {
    const bool dropped = setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0;
    _exit(dropped ? (check() ? 0 : 1) : 2);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return false;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << "could not become nobody";
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(PhraseFileFaults, ReadOnlyFolder) {
  TempFolder folder;
  const auto file = folder / "call.ini";
  writeBytes(file, "[old]\r\n2=x\r\n");
  writeBytes(folder / "call.ini.bak", "[older]\r\n");
  // Readable and searchable for everyone, writable for no one but root.
  ASSERT_EQ(chmod(folder.path().c_str(), 0555), 0);
  EXPECT_TRUE(asUnprivilegedUser([&] { return saveFailsAndChangesNothing(file); }));
  EXPECT_EQ(fileBytes(file), "[old]\r\n2=x\r\n");
  EXPECT_EQ(fileBytes(folder / "call.ini.bak"), "[older]\r\n");
  EXPECT_EQ(folder.names(), (Names{"call.ini", "call.ini.bak"}));
}

// A small tmpfs of its own, mounted for the test and gone afterwards.
class SmallDisk {
 public:
  explicit SmallDisk(const std::filesystem::path& at) : at_(at) {
    std::filesystem::create_directory(at_);
    if (::mount("tmpfs", at_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k,mode=0755") == 0) {
      mounted_ = true;
    } else {
      error_ = std::strerror(errno);
    }
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  bool mounted() const { return mounted_; }
  const std::string& error() const { return error_; }

 private:
  std::filesystem::path at_;
  bool mounted_ = false;
  std::string error_;
};

TEST(PhraseFileFaults, DiskFull) {
  TempFolder folder;
  SmallDisk disk(folder / "disk");
  if (!disk.mounted()) {
    GTEST_SKIP() << "cannot mount a small tmpfs here (" << disk.error()
                 << "); the full-disk check needs root with CAP_SYS_ADMIN";
  }
  const auto file = folder / "disk" / "call.ini";
  writeBytes(file, "[old]\r\n2=x\r\n");
  writeBytes(folder / "disk" / "call.ini.bak", "[older]\r\n");
  {
    // Fill what is left, byte by byte at the end.
    std::ofstream filler(folder / "disk" / "filler", std::ios::binary);
    const std::string block(4096, 'f');
    while (filler.write(block.data(), block.size())) {
    }
  }
  for (const auto big : {false, true}) {
    SCOPED_TRACE(big ? "a large library" : "a small library");
    PhraseTree tree;
    fillTree(tree, big ? libraryForRound(1) : Library{{"new", {"x"}}});
    const Library before = libraryOf(tree);
    RecordingStatus status;
    EXPECT_EQ(save(tree, file, status), SaveResult::failed);
    EXPECT_EQ(status.calls, (Status{{1, "保存失败！"}}));
    EXPECT_EQ(libraryOf(tree), before);
    EXPECT_EQ(fileBytes(file), "[old]\r\n2=x\r\n");
    EXPECT_EQ(fileBytes(folder / "disk" / "call.ini.bak"), "[older]\r\n");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "disk")) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Names{"call.ini", "call.ini.bak", "filler"}));
  }
  // Room again: the save goes through, and the backup needs no room of its own.
  std::filesystem::resize_file(folder / "disk" / "filler", 0);
  saveRound(file, 1);
  EXPECT_EQ(roundOfFile(fileBytes(file)), 1);
  EXPECT_EQ(fileBytes(folder / "disk" / "call.ini.bak"), "[old]\r\n2=x\r\n");
}

TEST(PhraseFileFaults, KilledAtRandomMomentsDuringSaves) {
  TempFolder folder;
  const auto file = folder / "call.ini";
  saveRound(file, 0);
  saveRound(file, 1);
  long long lastRound = 1;
  std::mt19937 random(4711);
  int killedRounds = 0;
  for (int kill = 0; kill < 60; ++kill) {
    const long long first = lastRound + 1;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // Saves round after round until killed.
      for (long long round = first;; ++round) {
        PhraseTree tree;
        fillTree(tree, libraryForRound(round));
        RecordingStatus status;
        if (save(tree, file, status) != SaveResult::saved) _exit(3);
      }
    }
    usleep(static_cast<useconds_t>(random() % 200000));
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saving process stopped by itself";
    const long long before = lastRound;
    expectOneWholeLibrary(folder, lastRound);
    if (HasFatalFailure()) return;
    killedRounds += lastRound > before ? 1 : 0;
  }
  std::printf("%lld rounds saved, %d of 60 kills after at least one save\n", lastRound - 1,
              killedRounds);
  // Afterwards saving goes on as ever.
  saveRound(file, lastRound + 1);
  EXPECT_EQ(roundOfFile(fileBytes(file)), lastRound + 1);
  EXPECT_EQ(roundOfFile(fileBytes(folder / "call.ini.bak")), lastRound);
}

#else  // _WIN32

// The helper program beside this test, with pipes to its input and output.
class Helper {
 public:
  explicit Helper(const std::wstring& arguments) {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, n);
    path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"phrase_file_helper_win.exe";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE childIn = nullptr, childOut = nullptr;
    if (!CreatePipe(&childIn, &input_, &inherit, 0) ||
        !CreatePipe(&output_, &childOut, &inherit, 0)) {
      return;
    }
    SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::wstring commandLine = L"\"" + path + L"\" " + arguments;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       nullptr, &startup, &info)) {
      process_ = info.hProcess;
      CloseHandle(info.hThread);
    }
    CloseHandle(childIn);
    CloseHandle(childOut);
  }
  ~Helper() {
    closeInput();
    if (process_) {
      TerminateProcess(process_, 9);
      WaitForSingleObject(process_, 10000);
      CloseHandle(process_);
    }
    if (output_) CloseHandle(output_);
  }
  Helper(const Helper&) = delete;
  Helper& operator=(const Helper&) = delete;

  bool started() const { return process_ != nullptr; }
  // The next line it writes ("" when it ends first).
  std::string readLine() {
    std::string line;
    char c;
    DWORD got = 0;
    while (ReadFile(output_, &c, 1, &got, nullptr) && got == 1 && c != '\n') {
      if (c != '\r') line.push_back(c);
    }
    return line;
  }
  void closeInput() {
    if (input_) CloseHandle(input_);
    input_ = nullptr;
  }
  // Ends it at once, wherever it is, and reports whether it was still running.
  bool terminate() {
    const bool running = WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
    TerminateProcess(process_, 9);
    WaitForSingleObject(process_, 10000);
    return running;
  }
  DWORD waitForExit() {
    WaitForSingleObject(process_, 10000);
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
  }

 private:
  HANDLE process_ = nullptr;
  HANDLE input_ = nullptr;
  HANDLE output_ = nullptr;
};

TEST(PhraseFileFaults, HeldOpenByAnotherProgram) {
  TempFolder folder;
  const auto file = folder / "call.ini";
  writeBytes(file, "[old]\r\n2=x\r\n");
  writeBytes(folder / "call.ini.bak", "[older]\r\n");
  Helper holder(L"hold \"" + file.wstring() + L"\"");
  ASSERT_TRUE(holder.started());
  ASSERT_EQ(holder.readLine(), "held");

  PhraseTree tree;
  tree.addItem("kept");
  RecordingStatus status;
  EXPECT_EQ(load(tree, file, status), LoadResult::readFailed);
  EXPECT_EQ(status.calls, (Status{{1, "读取失败！"}}));
  EXPECT_TRUE(saveFailsAndChangesNothing(file));

  holder.closeInput();
  EXPECT_EQ(holder.waitForExit(), 0u);
  EXPECT_EQ(fileBytes(file), "[old]\r\n2=x\r\n");
  // The backup of the library before is not given up for a save that failed.
  EXPECT_EQ(fileBytes(folder / "call.ini.bak"), "[older]\r\n");
  EXPECT_EQ(folder.names(), (Names{"call.ini", "call.ini.bak"}));

  saveRound(file, 5);
  EXPECT_EQ(roundOfFile(fileBytes(file)), 5);
  EXPECT_EQ(fileBytes(folder / "call.ini.bak"), "[old]\r\n2=x\r\n");
}

TEST(PhraseFileFaults, ReadOnlyFile) {
  TempFolder folder;
  const auto file = folder / "call.ini";
  writeBytes(file, "[old]\r\n2=x\r\n");
  ASSERT_TRUE(SetFileAttributesW(file.wstring().c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(saveFailsAndChangesNothing(file));
  EXPECT_EQ(fileBytes(file), "[old]\r\n2=x\r\n");
  EXPECT_EQ(folder.names(), Names{"call.ini"});
  SetFileAttributesW(file.wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(PhraseFileFaults, KilledAtRandomMomentsDuringSaves) {
  TempFolder folder;
  const auto file = folder / "call.ini";
  saveRound(file, 0);
  saveRound(file, 1);
  long long lastRound = 1;
  std::mt19937 random(4711);
  const int kills = 25;
  for (int kill = 0; kill < kills; ++kill) {
    Helper saver(L"save-loop \"" + file.wstring() + L"\" " + std::to_wstring(lastRound + 1));
    ASSERT_TRUE(saver.started());
    ASSERT_EQ(saver.readLine(), "saving");
    Sleep(random() % 60);
    ASSERT_TRUE(saver.terminate()) << "the saving process stopped by itself";
    expectOneWholeLibrary(folder, lastRound);
    if (HasFatalFailure()) return;
  }
  std::printf("%lld rounds saved in %d runs ended by TerminateProcess\n", lastRound - 1, kills);
  saveRound(file, lastRound + 1);
  EXPECT_EQ(roundOfFile(fileBytes(file)), lastRound + 1);
  EXPECT_EQ(roundOfFile(fileBytes(folder / "call.ini.bak")), lastRound);
}

#endif

}  // namespace
}  // namespace moravel
