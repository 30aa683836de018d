#include "support/ProgramInstall.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <utility>

extern char** environ;

namespace pftest {

namespace fs = std::filesystem;

namespace {

constexpr auto kTimeout = std::chrono::seconds(120);

bool IsRuntimeFile(const fs::path& p) {
  const std::string ext = p.extension().string();
  return ext == ".cls" || ext == ".bas" || ext == ".htm" || ext == ".dat";
}

}  // namespace

bool WaitUntilCatching(int Pid, int Sig) {
  const std::string status = "/proc/" + std::to_string(Pid) + "/status";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    std::ifstream in(status);
    std::string line;
    while (std::getline(in, line))
      if (line.rfind("SigCgt:", 0) == 0 && (std::stoull(line.substr(7), nullptr, 16) >> (Sig - 1) & 1)) return true;
    if (!in.is_open() && !fs::exists(status)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

ProgramInstall::ProgramInstall(std::string Program, Layout Kind) : program_(std::move(Program)) {
  if (Kind == Layout::Installed) folder_ = "usr/bin/";
  const fs::path prog = dir_.path() / folder_;
  const fs::path data = Kind == Layout::Installed ? dir_.path() / "usr/share/procforge" : prog;
  fs::create_directories(prog);
  fs::create_directories(data);
  fs::create_directories(dir_.path() / "home");
  fs::copy_file(fs::path(PF_BIN_DIR) / program_, prog / program_);
  for (const auto& entry : fs::directory_iterator(PF_BIN_DIR))
    if (entry.is_regular_file() && IsRuntimeFile(entry.path()) && entry.path().extension() != ".dat")
      fs::copy_file(entry.path(), data / entry.path().filename());
}

void ProgramInstall::RunAs(int Uid, int Gid) {
  uid_ = Uid;
  gid_ = Gid;
  fs::permissions(dir_.path(), fs::perms::others_exec, fs::perm_options::add);
  if (::chown(dir_.path().c_str(), Uid, Gid) != 0) throw std::runtime_error("cannot give the test folder away");
  for (const auto& e : fs::recursive_directory_iterator(dir_.path()))
    if (::lchown(e.path().c_str(), Uid, Gid) != 0) throw std::runtime_error("cannot give away " + e.path().string());
}

ProgramResult ProgramInstall::Run(const std::vector<std::string>& Args, const std::map<std::string, std::string>& Env,
                          const std::string& WorkDir) const {
  return Finish(Start(Args, Env, WorkDir));
}

int ProgramInstall::Start(const std::vector<std::string>& Args, const std::map<std::string, std::string>& Env,
                      const std::string& WorkDir) const {
  std::map<std::string, std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string kv = *e;
    const size_t eq = kv.find('=');
    if (eq != std::string::npos) env[kv.substr(0, eq)] = kv.substr(eq + 1);
  }
  env.erase("SOURCE_DATE_EPOCH");
  env["HOME"] = dir_.file("home");
  env["XDG_CONFIG_HOME"] = dir_.file("home/.config");
  for (const auto& [k, v] : Env) env[k] = v;
  std::vector<std::string> envText;
  for (const auto& [k, v] : env) envText.push_back(k + "=" + v);
  std::vector<char*> envp;
  for (std::string& s : envText) envp.push_back(s.data());
  envp.push_back(nullptr);

  std::vector<std::string> argText{ProgramFile(program_)};
  if (uid_ >= 0)
    argText.insert(argText.begin(), {"/usr/bin/setpriv", "--reuid=" + std::to_string(uid_),
                                     "--regid=" + std::to_string(gid_), "--clear-groups"});
  argText.insert(argText.end(), Args.begin(), Args.end());
  std::vector<char*> argv;
  for (std::string& s : argText) argv.push_back(s.data());
  argv.push_back(nullptr);

  const std::string outFile = dir_.file("stdout.txt"), errFile = dir_.file("stderr.txt");
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, StdinFrom.empty() ? "/dev/null" : StdinFrom.c_str(), O_RDONLY, 0);
  std::filesystem::remove(outFile);
  std::filesystem::remove(errFile);
  posix_spawn_file_actions_addopen(&fa, 1, StdoutTo.empty() ? outFile.c_str() : StdoutTo.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&fa, 2, StderrTo.empty() ? errFile.c_str() : StderrTo.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const std::string cwd = WorkDir.empty() ? std::string(PF_SOURCE_DIR) : WorkDir;
  posix_spawn_file_actions_addchdir_np(&fa, cwd.c_str());
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) throw std::runtime_error("cannot start " + program_ + ": " + std::strerror(rc));
  return pid;
}

ProgramResult ProgramInstall::Finish(int Pid) const {
  const pid_t pid = Pid;
  ProgramResult r;
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + kTimeout;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      throw std::runtime_error(program_ + " did not end in time");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  r.Signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  r.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + r.Signal;
  if (fs::exists(dir_.file("stdout.txt"))) r.Out = pftest::ReadAll(dir_.file("stdout.txt"));
  if (fs::exists(dir_.file("stderr.txt"))) r.Err = pftest::ReadAll(dir_.file("stderr.txt"));
  return r;
}

}  // namespace pftest
